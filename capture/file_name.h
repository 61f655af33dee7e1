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
// A relative name is looked up in `folder` (empty: the current folder).
FileNameResult NumberedFileName(const std::string& name, std::string* out,
                                const std::string& folder = {});

// The whole settling: extension, then numbering (incFilename), a relative name taken in
// `folder`. An existing file of the name is left alone: the recording replaces it only when it
// succeeds. A number whose movie or unfinished recording ("*.part") exists is taken. `name` is
// updated in place; unchanged when the result is not Ok; it stays relative when it was.
FileNameResult SettleFileName(std::string& name, bool incFilename, const std::string& folder = {});

// Where the movie `name` lies: `name` itself when it is absolute (or `folder` is empty), else
// `name` in `folder`.
std::string MoviePath(const std::string& name, const std::string& folder);

// The folder for movies named without one: the user's videos folder (XDG_VIDEOS_DIR of
// user-dirs.dirs, or ~/Videos) when it exists, else the home folder.
std::string MovieFolder();

}  // namespace mg
