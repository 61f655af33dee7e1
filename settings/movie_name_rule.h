// The names a movie file may have: fewer than 260 characters (what the settings store and the
// numbering keep), and no comma (the settings file would read the name back as a list). A name
// that breaks a rule is refused with these words, never replaced by another.
#pragma once

#include <string>

#include "settings/app_settings.h"

namespace mg {

inline constexpr const char* kMovieNameTooLong =
    "The movie file name is too long (at most 259 characters).";
inline constexpr const char* kMovieNameHasComma =
    "The movie file name may not contain a comma. Please choose another name.";

// The words that refuse `name`; nullptr when it may be used.
inline const char* RefusedMovieName(const std::string& name) {
  if (name.size() >= kFileNameCapacity) return kMovieNameTooLong;
  if (name.find(',') != std::string::npos) return kMovieNameHasComma;
  return nullptr;
}

}  // namespace mg
