// Our AVI file writer: a RIFF 'AVI ' file with the OpenDML extension for files past the RIFF
// size limit. It stands behind IAviFile/IAviStream (platform/avi_file.h).
//
// What it writes:
//  - stream headers exactly as given to CreateStream (handler, scale, rate, initial frames,
//    quality, suggested buffer size, frame rectangle), the name as a 'strn' chunk, the stream
//    length as written; an audio stream's sample size follows its format's block alignment;
//  - video frames at explicit positions: every position left out since the previous frame (also
//    before the first) becomes an empty chunk, so frames keep their time; '##db' chunks for
//    uncompressed formats, '##dc' otherwise; key frames marked in the index;
//  - a colour-table change at a later position as a palette-change chunk ('##pc') right before
//    the frame at that position;
//  - audio appended at the running sample position;
//  - 'idx1' at close; past RiffLimits::maxRiffBytes, further 'RIFF AVIX' segments with standard
//    indexes ('ix##'), a super index ('indx') per stream and 'odml'/'dmlh'.
// Every chunk goes to the file (the kernel) when it is written, and the RIFF and movie-list sizes
// are kept current after every write, so a file whose writer was killed still reads up to its last
// chunk. The frame count and the stream lengths in the header are patched with those sizes after
// every write, so a reader that trusts the header sees as many frames as a reader that scans the
// movie list; the rest of the header (rates, flags) is rewritten about once a second.
//
// Thread rules: one file and its streams are used from one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/avi_file.h"

namespace mg {

struct RiffLimits {
  // A RIFF segment is closed before it would grow past this size (index included); the data
  // continues in a further 'AVIX' segment. Capped at 4 GiB - 64 KiB (32-bit sizes).
  uint64_t maxRiffBytes = uint64_t{1} << 30;
  // OpenDML super-index entries reserved per stream in the header: one per RIFF segment.
  uint32_t superIndexEntries = 256;
  // How often the whole header (rates, flags) is rewritten while recording; the counts in it are
  // kept current after every write.
  uint32_t headerRefreshMs = 1000;
};

// Creates or truncates `fileName` and gives the file writer in `*out`. kAviErrFileOpen when the
// file cannot be created (missing folder, no permission, another writer holds it), with errno
// telling why; kAviErrBadParam for a null `out`.
int32_t OpenRiffAviFile(const std::string& fileName, std::unique_ptr<IAviFile>* out,
                        const RiffLimits& limits = {});

}  // namespace mg
