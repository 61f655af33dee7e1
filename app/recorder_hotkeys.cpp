// The three global hot keys of the main dialog.
#include <QMetaObject>

#include "app/message_box.h"
#include "app/recorder_dlg.h"
#include "app/strings.h"
#include "pages/avi_file_page.h"
#include "pages/hot_keys_page.h"
#include "pages/screen_area_page.h"

namespace mg {

void CRecorderDlg::RegisterHotKeys() {
  const struct {
    int id;
    int modifiers;
    int key;
    const std::string& description;
  } keys[] = {
      {kHotkeyStartStop, settings_.StartMod, settings_.StartKey, settings_.StartDesc},
      {kHotkeyPause, settings_.PauseMod, settings_.PauseKey, settings_.PauseDesc},
      {kHotkeyPanLock, settings_.LockPanMod, settings_.LockPanKey, settings_.LockPanDesc},
  };
  for (const auto& k : keys) {
    if (k.key == 0) continue;  // a cleared key ("None") is no hot key: nothing to refuse
    if (!services_.hotKeys->Register(k.id, k.modifiers, k.key)) {
      // The keys after the refused one stay unregistered until the next registration.
      ShowMessageBox(
          this, QString::fromStdString(k.description) + '\n' + ResString(res::IDS_HOTKEY_TAKEN),
          MsgButtons::Ok, MsgIcon::Exclamation);
      return;
    }
  }
}

void CRecorderDlg::UnregisterHotKeys() {
  services_.hotKeys->Unregister(kHotkeyStartStop);
  services_.hotKeys->Unregister(kHotkeyPause);
  services_.hotKeys->Unregister(kHotkeyPanLock);
}

void CRecorderDlg::OnHotKey(int id) {
  switch (id) {
    case kHotkeyStartStop:
      if (State() == Idle) {
        // A click of Start Rec. for later: the recording starts after this handler returned.
        QMetaObject::invokeMethod(
            this, [this] { StartStopCommand(); }, Qt::QueuedConnection);
      } else {
        StartStopCommand();
      }
      break;
    case kHotkeyPause:
      PauseCommand();
      break;
    case kHotkeyPanLock:
      settings_.PanLocked = settings_.PanLocked == 0 ? 1 : 0;
      page1_->SetPanLockCheck(settings_.PanLocked != 0);
      break;
    default:
      break;
  }
}

}  // namespace mg
