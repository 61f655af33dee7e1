// The main dialog: three option tabs and the row of buttons that start, pause, stop and play
// recordings. It owns the recording state and the recording engine; while a recording runs,
// every handler here is called from the engine's own loop, so each decides by the current state.
#pragma once

#include <QDialog>
#include <atomic>
#include <memory>

#include "app/recorder_audio.h"
#include "area/panning.h"
#include "capture/capture_engine.h"
#include "platform/platform_services.h"
#include "settings/app_settings.h"

class QPushButton;
class QTabWidget;

namespace Ui {
class MainDialogForm;
}

namespace mg {

class CMyPropertyPage1;
class CMyPropertyPage2;
class CMyPropertyPage3;

class CRecorderDlg : public QDialog, public ICaptureOwner {
  Q_OBJECT
 public:
  // Missing optional services become their null backends; without a screen to record the start
  // commands say so.
  CRecorderDlg(AppSettings& settings, const PlatformServices& services, QWidget* parent = nullptr);
  ~CRecorderDlg() override;

  // Shows the dialog and returns when it has been closed (Exit or the close box): QDialog's
  // Accepted or Rejected. It is not application-modal, so the program's other windows (the area
  // selection overlay) keep their input.
  int RunModal();

  // ICaptureOwner
  RecordingState State() const override { return state_.load(); }
  void SetState(RecordingState state) override { state_.store(state); }
  void StartStopCommand() override;
  void OnHotKey(int id) override;
  void ShowMessage(const std::string& text) override;
  void ShowResult(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  void ApplyWindowMode(int wndHide) override;
  void RestoreWindow() override;
  void RecordingEnded() override { ShowIdleLook(); }
  // Another start of the program asked for this window: shown, restored and raised.
  void BringToFront();
  void FileNameChanged() override;

  // The buttons' commands.
  void PauseCommand();
  void PlayCommand();
  void DefaultsCommand();
  void HelpCommand();
  void AboutCommand();
  void ExitCommand();
  // The program is told to end (a signal): open message boxes and dialogs are closed as
  // answered No, a recording is finished without a report box, and the dialog closes.
  void EndCommand();
  // The program is ending at once (the X server is gone): the movie is finished as it stands.
  void FinishAtExit();

  // The three global hot keys: 1 start/stop, 2 pause, 3 pan lock.
  void RegisterHotKeys();
  void UnregisterHotKeys();

  CaptureEngine& Engine() { return *engine_; }
  CMyPropertyPage1* HotKeysPage() const { return page1_; }
  CMyPropertyPage2* ScreenAreaPage() const { return page2_; }
  CMyPropertyPage3* AviFilePage() const { return page3_; }
  QTabWidget* Tabs() const;
  QPushButton* StartRecButton() const;
  QPushButton* StartPausedButton() const;
  QPushButton* PlayButton() const;
  QPushButton* DefaultsButton() const;
  QPushButton* HelpButton() const;
  QPushButton* ExitButton() const;

 public slots:
  void done(int result) override;
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void StartRecording(StartMode mode);
  void StopRecording();
  // Start Rec., Start Paused and Play as they are between recordings.
  void ShowIdleLook();
  void PlaceWindow();
  void ApplyDeferredDefaults();
  void ActivateSoon(int attempts);
  void WaitUntilOffScreen();
  // Places the window again by its stored corner with the window manager's frame; true when it
  // is already there.
  bool PlaceWithFrame();

  AppSettings& settings_;
  PlatformServices services_;
  std::unique_ptr<Ui::MainDialogForm> ui_;
  CMyPropertyPage1* page1_ = nullptr;
  CMyPropertyPage2* page2_ = nullptr;
  CMyPropertyPage3* page3_ = nullptr;
  std::atomic<RecordingState> state_{Idle};
  CapturePanner panner_;
  RecorderAudio audio_;
  std::unique_ptr<CaptureEngine> engine_;
  bool placeWithFrame_ = false;       // place again once the window manager's frame is known
  bool activateWhenExposed_ = false;  // take the focus once the window is mapped again
  bool finished_ = false;
  bool defaultSizePending_ = false;
  bool ending_ = false;        // told to end: no more message boxes
  bool stopKeyWorks_ = false;  // the start/stop hot key is registered: a hidden window is safe
};

// The running main dialog; set by the application while the dialog exists.
extern CRecorderDlg* g_pMainDlg;

}  // namespace mg
