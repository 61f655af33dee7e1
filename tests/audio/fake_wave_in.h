// A wave-input device driven by the test: it keeps the queued buffers, fills them on request and
// hands them back through the device callback, and records every call. Its state outlives the
// device object, which the receiver owns.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/wave_in.h"

namespace mgtest {

struct FakeWaveInState {
  // Results the device gives.
  int32_t openResult = mg::kMmSysErrNoError;
  int failAddAt = -1;  // the n-th AddBuffer (0-based, over the device's life) fails
  // What happened.
  std::vector<std::string> calls;  // "open", "add", "start", "stop", "reset", "close"
  std::vector<mg::WaveHeader*> queued;
  mg::WaveFormatEx format;
  bool open = false;
  bool running = false;
  int adds = 0;
  int devicesMade = 0;
  mg::IWaveInDevice::BufferDone done;
  uint8_t nextValue = 0;  // recorded bytes count up from here

  // Records `bytes` bytes while running (values counting up), handing back every buffer that
  // fills; returns the bytes that found room.
  size_t Record(size_t bytes);
  int Count(const std::string& call) const;
};

std::unique_ptr<mg::IWaveInDevice> MakeFakeWaveIn(std::shared_ptr<FakeWaveInState> state);

}  // namespace mgtest
