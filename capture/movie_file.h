// Where a recording is written and when it takes its name. The movie is written under a
// temporary name beside its final one ("clip.avi.part" beside "clip.avi") and replaces an older
// movie of that name only when the recording has succeeded: a failed start, an empty recording
// or a full disk leave the older movie as it was. The temporary file is locked by the recording
// that writes it, so a second recording into the same name is refused instead of destroying it.
#pragma once

#include <string>

namespace mg {

// "movie.avi" -> "movie.avi.part".
std::string TemporaryMovieName(const std::string& target);

// True when a file of that name exists and is marked read-only, or this user may not write it
// (so replacing it needs the user's word first).
bool IsReadOnlyFile(const std::string& name);

// True when a file of that name exists.
bool FileExists(const std::string& name);

// Gives the finished temporary file its final name, replacing an older file of that name.
// False with the system's reason in `*reason` when that fails (the temporary file is kept).
bool GiveMovieItsName(const std::string& temporary, const std::string& target, std::string* reason);

// Removes the temporary file of a recording that captured nothing.
void RemoveTemporaryMovie(const std::string& temporary);

}  // namespace mg
