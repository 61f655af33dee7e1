#include "tests/audio/sound_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace mgtest {

ToneSpan FindTone(const std::vector<uint8_t>& samples, int sampleRate, int threshold) {
  ToneSpan span;
  size_t first = samples.size(), last = 0;
  for (size_t i = 0; i < samples.size(); ++i)
    if (std::abs(samples[i] - 128) > threshold) {
      first = std::min(first, i);
      last = i;
    }
  if (first > last) return span;
  span.first = first;
  span.count = last - first + 1;
  // Crossings with hysteresis, so that noise near the middle line does not count; the pitch
  // comes from the median half period, so that a glitch in the span does not move it.
  int state = 0;
  size_t previous = 0;
  std::vector<size_t> halfPeriods;
  for (size_t i = first; i <= last; ++i) {
    const int s = samples[i] > 128 + threshold / 2 ? 1 : samples[i] < 128 - threshold / 2 ? -1 : 0;
    if (s != 0 && s != state) {
      if (state != 0) {
        if (previous) halfPeriods.push_back(i - previous);
        previous = i;
      }
      state = s;
    }
  }
  if (!halfPeriods.empty()) {
    std::sort(halfPeriods.begin(), halfPeriods.end());
    // Half periods are whole samples; average the middle half for sub-sample precision.
    const size_t q = halfPeriods.size() / 4;
    double sum = 0;
    for (size_t i = q; i < halfPeriods.size() - q; ++i) sum += static_cast<double>(halfPeriods[i]);
    const double half = sum / static_cast<double>(halfPeriods.size() - 2 * q);
    span.hz = sampleRate / (2.0 * half);
  }
  return span;
}

std::vector<uint8_t> SineU8(double hz, int sampleRate, size_t count, int amplitude) {
  std::vector<uint8_t> out(count);
  for (size_t i = 0; i < count; ++i)
    out[i] = static_cast<uint8_t>(std::lround(
        128.0 +
        amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / sampleRate)));
  return out;
}

}  // namespace mgtest
