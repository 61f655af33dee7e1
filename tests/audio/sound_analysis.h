// Small measurements on recorded 8-bit sound (unsigned, silence 128).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mgtest {

struct ToneSpan {
  size_t first = 0;  // first loud sample
  size_t count = 0;  // samples from the first to the last loud one
  double hz = 0;     // estimated from the crossings of the middle line in that span
};

// The span where the sound is louder than `threshold` around 128, and its pitch.
ToneSpan FindTone(const std::vector<uint8_t>& samples, int sampleRate, int threshold = 24);

// A sine of `hz` at `amplitude` around 128.
std::vector<uint8_t> SineU8(double hz, int sampleRate, size_t count, int amplitude = 100);

}  // namespace mgtest
