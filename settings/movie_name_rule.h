// The names a movie file may have: fewer than 260 characters (what the settings store and the
// numbering keep). Any character a file name may hold is fine, commas included: the settings
// file and the options file keep such a name as it is. A name that breaks the rule is refused
// with these words, never replaced by another.
#pragma once

#include <string>

#include "settings/app_settings.h"

namespace mg {

inline constexpr const char* kMovieNameTooLong =
    "The movie file name is too long (at most 259 characters).";

// The words that refuse `name`; nullptr when it may be used.
inline const char* RefusedMovieName(const std::string& name) {
  if (name.size() >= kFileNameCapacity) return kMovieNameTooLong;
  return nullptr;
}

}  // namespace mg
