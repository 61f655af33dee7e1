// What a recording makes of the AVI File settings it takes in a range rather than refuses: the
// quality is held to 0..100 percent, and a key-frame interval below 0 is 0 (only the first frame
// is a key frame). The stored values stay as they are; the AVI File tab shows these, so that it
// shows what the next recording uses.
#pragma once

#include <algorithm>
#include <cstdint>

namespace mg {

inline int32_t QualityInUse(int32_t compress) {
  return std::clamp<int32_t>(compress, 0, 100);
}

inline int32_t KeyFramesInUse(int32_t keyFrames) {
  return std::max<int32_t>(keyFrames, 0);
}

}  // namespace mg
