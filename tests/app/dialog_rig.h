// A main dialog on the real recording platform with hot keys driven by hand, its movies in a
// temporary folder and every message box answered by the test.
#pragma once

#include <QTemporaryDir>
#include <memory>

#include "app/recorder_dlg.h"
#include "tests/app/app_test_support.h"

namespace mgtest {

struct DialogRig {
  DialogRig();
  ~DialogRig();
  // Makes the dialog (its hot keys are registered then); `hotKeys` none means `keys`.
  mg::CRecorderDlg& Make(mg::IGlobalHotKeys* hotKeys = nullptr);
  // Makes it when needed, shows it and waits until it is on the screen.
  mg::CRecorderDlg& Show();
  std::string MovieDir() const { return dir.path().toStdString(); }
  int32_t Frames() { return dlg->Engine().Context().frameCounter; }

  QTemporaryDir dir;
  MessageAnswers answers;
  DesktopRequests desktop;
  mg::AppSettings settings;
  RealCapture capture;
  ManualHotKeys keys;
  std::unique_ptr<mg::ISelectionDisplay> selection;
  std::unique_ptr<mg::CRecorderDlg> dlg;
};

// The three texts and the Play button's state that make a look of the dialog.
struct Look {
  QString startRec;
  QString startPaused;
  bool playEnabled;
};
inline const Look kIdleLook{"Start &Rec.", "Start &Paused", true};
inline const Look kRecordingLook{"Stop &Rec.", "&Pause Rec.", false};
inline const Look kPausedLook{"Stop &Rec.", "R&esume Rec.", false};
Look LookOf(const mg::CRecorderDlg& dlg);
bool operator==(const Look& a, const Look& b);
std::ostream& operator<<(std::ostream& out, const Look& look);

}  // namespace mgtest
