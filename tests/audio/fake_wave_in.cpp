#include "tests/audio/fake_wave_in.h"

#include <algorithm>

namespace mgtest {
namespace {

class FakeWaveIn : public mg::IWaveInDevice {
 public:
  explicit FakeWaveIn(std::shared_ptr<FakeWaveInState> s) : s_(std::move(s)) { ++s_->devicesMade; }

  int32_t Open(const mg::WaveFormatEx& format, BufferDone done, Lost) override {
    s_->calls.push_back("open");
    if (s_->openResult != mg::kMmSysErrNoError) return s_->openResult;
    s_->format = format;
    s_->done = std::move(done);
    s_->open = true;
    return mg::kMmSysErrNoError;
  }
  bool Supports(const mg::WaveFormatEx& format) const override {
    return s_->open && format.wFormatTag == 1;
  }
  int32_t AddBuffer(mg::WaveHeader* header) override {
    s_->calls.push_back("add");
    if (!s_->open) return mg::kMmSysErrInvalHandle;
    if (s_->adds++ == s_->failAddAt) return mg::kMmSysErrNoMem;
    header->dwBytesRecorded = 0;
    s_->queued.push_back(header);
    return mg::kMmSysErrNoError;
  }
  int32_t Start() override {
    s_->calls.push_back("start");
    s_->running = true;
    return mg::kMmSysErrNoError;
  }
  int32_t Stop() override {
    s_->calls.push_back("stop");
    s_->running = false;
    if (!s_->queued.empty() && s_->queued.front()->dwBytesRecorded > 0) HandBack();
    return mg::kMmSysErrNoError;
  }
  int32_t Reset() override {
    s_->calls.push_back("reset");
    s_->running = false;
    while (!s_->queued.empty()) HandBack();
    return mg::kMmSysErrNoError;
  }
  int32_t Close() override {
    s_->calls.push_back("close");
    if (!s_->queued.empty()) return mg::kWaveErrStillPlaying;
    s_->open = false;
    return mg::kMmSysErrNoError;
  }

 private:
  void HandBack() {
    mg::WaveHeader* h = s_->queued.front();
    s_->queued.erase(s_->queued.begin());
    h->dwFlags = mg::kWaveHdrDone;
    s_->done(h);
  }
  std::shared_ptr<FakeWaveInState> s_;
};

}  // namespace

size_t FakeWaveInState::Record(size_t bytes) {
  size_t stored = 0;
  while (running && stored < bytes && !queued.empty()) {
    mg::WaveHeader* h = queued.front();
    const size_t n = std::min<size_t>(bytes - stored, h->dwBufferLength - h->dwBytesRecorded);
    for (size_t i = 0; i < n; ++i) h->lpData[h->dwBytesRecorded + i] = nextValue++;
    h->dwBytesRecorded += static_cast<uint32_t>(n);
    stored += n;
    if (h->dwBytesRecorded == h->dwBufferLength) {
      queued.erase(queued.begin());
      h->dwFlags = mg::kWaveHdrDone;
      done(h);
    }
  }
  return stored;
}

int FakeWaveInState::Count(const std::string& call) const {
  return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

std::unique_ptr<mg::IWaveInDevice> MakeFakeWaveIn(std::shared_ptr<FakeWaveInState> state) {
  return std::make_unique<FakeWaveIn>(std::move(state));
}

}  // namespace mgtest
