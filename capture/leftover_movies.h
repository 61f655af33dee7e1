// Recordings cut off before they were finished (the program was killed, the computer went off)
// stay under their temporary names ("clip.avi.part"), playable up to where they stopped. They
// are given names of their own where the user will look for them, and no later recording
// writes over them.
#pragma once

#include <string>
#include <vector>

namespace mg {

struct LeftoverMovie {
  std::string file;    // where it was found
  std::string movie;   // its name now; empty when it could not be given one
  std::string reason;  // why it could not
};

// The folder that recordings of `aviFileName` go to, as a recording settles it: a name without
// a folder lies in `movieFolder`.
std::string FolderOfMovies(const std::string& aviFileName, const std::string& movieFolder);

// Every leftover recording in `folder` (a "*.part" file that begins as an AVI file and that no
// recording is writing) gets the first free numbered name of the movie it was to become:
// "clip.avi.part" becomes clip0001.avi, or the next free number.
std::vector<LeftoverMovie> RescueLeftoverMovies(const std::string& folder);

// Before a recording writes the temporary file of `movie`: a file left there by another
// recording gets a name of its own first. Nothing (an empty `file`) when there is none, when it
// is empty, or when a recording is writing it (the new one is then refused when it opens it).
LeftoverMovie RescueLeftoverOf(const std::string& movie);

// What the user is told of them; empty when there are none.
std::string LeftoverMoviesText(const std::vector<LeftoverMovie>& found);

}  // namespace mg
