// The main dialog's buttons: Start/Stop, Pause, Play, Defaults, Help, the about box and Exit.
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QUrl>

#include "app/about_box.h"
#include "app/desktop_open.h"
#include "app/help.h"
#include "app/message_box.h"
#include "app/recorder_dlg.h"
#include "app/strings.h"
#include "capture/file_name.h"
#include "pages/avi_file_page.h"
#include "pages/hot_keys_page.h"
#include "pages/screen_area_page.h"
#include "ui_main_dialog.h"

namespace mg {
namespace {

bool SameHotKeys(const AppSettings& a, const AppSettings& b) {
  return a.StartKey == b.StartKey && a.StartMod == b.StartMod && a.PauseKey == b.PauseKey &&
         a.PauseMod == b.PauseMod && a.LockPanKey == b.LockPanKey && a.LockPanMod == b.LockPanMod;
}

}  // namespace

void CRecorderDlg::StartStopCommand() {
  if (State() == Idle)
    StartRecording(StartMode::Recording);
  else
    StopRecording();
}

void CRecorderDlg::PauseCommand() {
  switch (State()) {
    case Recording:
      audio_.PauseInput();  // the device this recording started
      SetState(Paused);
      ui_->startPausedButton->setText(ResString(res::IDS_RESUME_REC));
      break;
    case Paused:
      audio_.ResumeInput();
      SetState(Recording);
      ui_->startPausedButton->setText(ResString(res::IDS_PAUSE_REC));
      break;
    case Idle:
      StartRecording(StartMode::Paused);
      break;
  }
}

void CRecorderDlg::StartRecording(StartMode mode) {
  // Moving the focus first lets an edit field on a page store its value.
  ui_->startRecButton->setFocus();
  if (!services_.CanRecord()) {
    ShowMessage("Recording is not possible: the screen of this display could not be opened.");
    return;
  }
  audio_.PrepareForStart();
  ui_->startRecButton->setText(ResString(res::IDS_STOP_REC));
  ui_->startPausedButton->setText(
      ResString(mode == StartMode::Paused ? res::IDS_RESUME_REC : res::IDS_PAUSE_REC));
  ui_->playButton->setEnabled(false);
  engine_->BeginCapture(mode);
  // The recording has ended when BeginCapture returns; the stop restored the buttons.
}

void CRecorderDlg::StopRecording() {
  engine_->EndCapture();
  ShowIdleLook();
  ApplyDeferredDefaults();
  page2_->TakeStartPosition();
}

void CRecorderDlg::ShowIdleLook() {
  ui_->startRecButton->setText(ResString(res::IDS_START_REC));
  ui_->playButton->setEnabled(true);
  ui_->startPausedButton->setText(ResString(res::IDS_START_PAUSED));
}

void CRecorderDlg::PlayCommand() {
  // The movie where the recording put it: a name without a folder is in the videos folder.
  const QString path = QString::fromStdString(MoviePath(settings_.AVIFileName, MovieFolder()));
  if (!QFileInfo(path).isFile()) {
    ShowMessageBox(this, QStringLiteral("There is no movie %1 to play yet.").arg(path),
                   MsgButtons::Ok, MsgIcon::Exclamation);
    return;
  }
  OpenWithDesktop(QUrl::fromLocalFile(path), this, [this, path] {
    ShowMessageBox(this, QStringLiteral("No program could be started to play %1.").arg(path),
                   MsgButtons::Ok, MsgIcon::Exclamation);
  });
}

void CRecorderDlg::DefaultsCommand() {
  if (ShowMessageBox(this, ResString(res::IDS_REVERT_DEFAULTS), MsgButtons::YesNo,
                     MsgIcon::Question) != MsgAnswer::Yes)
    return;
  const AppSettings before = settings_;
  settings_.ResetToDefaults(ResStdString(res::IDS_SHIFT));
  if (State() != Idle && (before.Width != settings_.Width || before.Height != settings_.Height)) {
    // The running recording's frames keep their size; the default size follows at the stop.
    settings_.Width = before.Width;
    settings_.Height = before.Height;
    defaultSizePending_ = true;
  }
  page1_->RefreshFromSettings();
  page2_->RefreshFromSettings();
  page3_->Fill();
  // The keys shown are the keys in force.
  if (!SameHotKeys(before, settings_)) {
    UnregisterHotKeys();
    RegisterHotKeys();
  }
}

void CRecorderDlg::ApplyDeferredDefaults() {
  if (!defaultSizePending_) return;
  defaultSizePending_ = false;
  const AppSettings defaults;
  settings_.Width = defaults.Width;
  settings_.Height = defaults.Height;
  page2_->RefreshFromSettings();
}

void CRecorderDlg::HelpCommand() {
  OpenHelp(this);
}

void CRecorderDlg::AboutCommand() {
  setFocus();
  CAboutDlg about(this);
  about.exec();
}

void CRecorderDlg::ExitCommand() {
  if (State() != Idle) StartStopCommand();
  done(QDialog::Accepted);
}

}  // namespace mg
