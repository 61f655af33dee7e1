// The AVI file library: our RIFF writer and the installed compressors.
#pragma once

#include <memory>

#include "platform/avi_file.h"

namespace mg {

std::unique_ptr<IAviLibrary> MakeAviLibrary();

}  // namespace mg
