// Sound lost during a recording: the audio stream goes on as silence, written with the frames
// so that the two stay interleaved and the sound is as long as the picture (a player keeps both
// in step to the end, and an editor cuts both alike), and the report says where the sound stopped.
#include <algorithm>
#include <cmath>
#include <vector>

#include "capture/capture_engine.h"
#include "capture/capture_messages.h"

namespace mg {
namespace {

constexpr int32_t kSilenceChunkSamples = 2048;  // as long as a recorded block

}  // namespace

void CaptureEngine::SoundLost(WaveInLoss why) {
  if (!running_ || soundLost_ || !ctx_.audioStream) return;
  soundLost_ = true;
  soundLostWhy_ = why;
  soundLostAt_ = ctx_.audioSamplePosition;
}

void CaptureEngine::FillLostSound(int64_t frames) {
  const double rate = std::floor(settings_.FPS * 100.0) / 100.0;  // as the stream header has it
  if (!ctx_.audioStream || rate <= 0 || frames <= 0) return;
  const auto target =
      static_cast<int64_t>(static_cast<double>(frames) / rate * ctx_.audioFormat.nSamplesPerSec);
  const int32_t align = std::max<int32_t>(1, ctx_.audioFormat.nBlockAlign);
  const std::vector<uint8_t> silence(static_cast<size_t>(kSilenceChunkSamples * align),
                                     ctx_.audioFormat.wBitsPerSample == 8 ? 0x80 : 0x00);
  // A failed write aborts the recording (frameCounter below 0), which ends the filling too.
  while (ctx_.audioSamplePosition < target && ctx_.frameCounter >= 0) {
    const auto samples = static_cast<int32_t>(
        std::min<int64_t>(kSilenceChunkSamples, target - ctx_.audioSamplePosition));
    AppendAudio(silence.data(), samples, samples * align);
  }
}

std::string CaptureEngine::LostSoundText() const {
  const char* why = soundLostWhy_ == WaveInLoss::SourceGone     ? msg::kLostSourceGone
                    : soundLostWhy_ == WaveInLoss::NotAnswering ? msg::kLostNotAnswering
                                                                : msg::kLostServerGone;
  const double rate = ctx_.audioFormat.nSamplesPerSec ? ctx_.audioFormat.nSamplesPerSec : 1;
  std::string text = msg::kSoundLost;
  text.replace(text.find("%s"), 2, MovieTime(static_cast<double>(soundLostAt_) / rate));
  text.replace(text.find("%s"), 2, why);
  return text;
}

}  // namespace mg
