// The recording engine's owner for benchmark programs: no window, messages printed, the stop
// request served by ending the recording.
#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>

#include "capture/capture_engine.h"

namespace mgbench {

class HeadlessOwner : public mg::ICaptureOwner {
 public:
  mg::RecordingState State() const override { return state_.load(); }
  void SetState(mg::RecordingState s) override {
    if (state_ == mg::Idle && s != mg::Idle && onStart) onStart();
    state_ = s;
  }
  void StartStopCommand() override {
    if (state_ != mg::Idle) engine->EndCapture();
  }
  void OnHotKey(int id) override {
    if (id == mg::kHotkeyStartStop) StartStopCommand();
  }
  void ShowMessage(const std::string& text) override { std::printf("message: %s\n", text.c_str()); }
  bool AskYesNo(const std::string&) override { return false; }
  void ApplyWindowMode(int) override {}
  void RestoreWindow() override {}
  void FileNameChanged() override {}

  mg::CaptureEngine* engine = nullptr;
  std::function<void()> onStart;  // the recording has begun: the movie is open

 private:
  std::atomic<mg::RecordingState> state_{mg::Idle};
};

}  // namespace mgbench
