// Settling the movie file name before a recording: the ".avi" extension and the sequential number.
#pragma once

#include <string>

namespace mg {

// The working buffer of the numbering: names longer than this minus the terminating zero are
// refused rather than cut.
inline constexpr size_t kNameBufferSize = 260;

enum class FileNameResult { Ok, TooLong };

// Adds ".avi" when the last five characters hold no ".avi" (any case); an empty name becomes
// "capture.avi".
std::string WithAviExtension(std::string name);

// The first free numbered name: "clip.avi" -> "clip0001.avi" when that does not exist yet,
// "clip0003.avi" -> itself or the next free number. With the start number at 10000 or more no
// candidate is tried and the bare stem comes back; with every number up to 9999 taken, the 9999
// name comes back.
FileNameResult NumberedFileName(const std::string& name, std::string* out);

// The whole settling: extension, then numbering (incFilename) or deletion of an existing file of
// that name. `name` is updated in place, also when the result is TooLong (then unchanged).
FileNameResult SettleFileName(std::string& name, bool incFilename);

}  // namespace mg
