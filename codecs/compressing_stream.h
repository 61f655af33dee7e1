// A video stream that compresses every frame written to it and writes the result into a target
// stream, as the AVI library's compressed streams do.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/avi_file.h"

namespace mg {

// Makes the stream; the compressor is `options.fccHandler`. kAviErrNoCompressor when that
// compressor is not installed. `target` must outlive the stream.
//  - SetFormat(0, frameFormat, size) opens the compressor on the frame format and gives the
//    target the compressed stream's format; a format the compressor cannot take fails here.
//  - SetFormat(pos > 0, ...) is a palette change: same size and depth, a new colour table. When
//    the compressed format holds a colour table it is passed on to the target at `pos`.
//  - Write(pos, 1, pixels, bytes, flags) compresses one frame and writes it at `pos`, marked as
//    a key frame when the compressor made one. The target's result is returned.
int32_t MakeCompressingStream(IAviStream* target, const AviCompressOptions& options,
                              std::unique_ptr<IAviStream>* out);

}  // namespace mg
