// The POSIX backends as the platform loader makes them.
#pragma once

#include <memory>

#include "platform/periodic_timer.h"

namespace mg {

// A thread of its own ticking on absolute deadlines of the monotonic clock.
std::unique_ptr<IPeriodicTimer> MakePeriodicTimer();

}  // namespace mg
