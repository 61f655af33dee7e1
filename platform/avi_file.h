// The AVI file library: open a movie, create its streams, make a compressing stream over the
// video stream, set formats and write samples at explicit positions. All results are AVI result
// codes (0 = success, see win_types.h); nothing throws.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/changed_region.h"
#include "platform/windows_records.h"

namespace mg {

class IAviStream {
 public:
  virtual ~IAviStream() = default;
  // Sets the stream format at sample position `pos`. Position 0 (before any write) gives the
  // stream its format; a later position on a video stream is a format change (a new colour
  // table), recorded before the frame at that position.
  virtual int32_t SetFormat(int32_t pos, const void* format, int32_t size) = 0;
  // Writes `samples` samples at position `pos`. Video: one frame per call; positions left out
  // since the previous write (also before the first) become empty frames. Audio: `pos` is the
  // running sample position. `flags` may carry kAviIfKeyFrame.
  virtual int32_t Write(int32_t pos, int32_t samples, const void* data, int32_t bytes,
                        uint32_t flags) = 0;
  // Video: the frame of the next Write differs from the frame of the previous Write only inside
  // `changed` (picture coordinates, row 0 at the top). Holds for that one Write; without a hint
  // a frame may differ anywhere. Streams that cannot use it ignore it.
  virtual void HintChanged(const ChangedRegion& /*changed*/) {}
};

class IAviFile {
 public:
  virtual ~IAviFile() = default;
  // Creates a stream owned by the file; `*out` stays valid until Close.
  virtual int32_t CreateStream(const AviStreamInfo& info, IAviStream** out) = 0;
  // Finishes the file on disk (headers, index). Also run by the destructor when not called.
  virtual int32_t Close() = 0;
};

class IAviLibrary {
 public:
  virtual ~IAviLibrary() = default;
  // Creates or truncates `fileName` for writing.
  virtual int32_t OpenFile(const std::string& fileName, std::unique_ptr<IAviFile>* out) = 0;
  // A stream that compresses each frame written to it with the compressor named in `options`
  // and writes the result into `source`. The input format is given later with SetFormat.
  virtual int32_t MakeCompressedStream(IAviStream* source, const AviCompressOptions& options,
                                       std::unique_ptr<IAviStream>* out) = 0;
};

}  // namespace mg
