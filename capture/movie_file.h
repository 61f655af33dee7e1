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

// True when a recording (of this program run or another) is writing the file: the writer holds
// a lock on it as long as it writes.
bool HeldByRecording(const std::string& file);

// True when another program of this user has the file open (a download still arriving under a
// ".part" name, say): such a file is nobody's leftover recording.
bool OpenInAnotherProgram(const std::string& file);

enum class MoveResult { Moved, Held, Failed };

// Gives `file`, a movie under its temporary name, the first free numbered name of `name` as
// sequential numbering makes it ("clip.avi" -> "clip0001.avi" or the next free number,
// "clip0003.avi" -> itself or the next free one), never replacing anything. Moved: `*moved` is
// its path now. Held: a recording is writing it, and it stays. Failed: it stays, `*reason` says
// why (no number free, the folder refused).
MoveResult MoveToNumberedName(const std::string& file, const std::string& name, std::string* moved,
                              std::string* reason);

}  // namespace mg
