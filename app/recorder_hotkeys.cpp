// The three global hot keys of the main dialog.
#include <QMetaObject>
#include <QStringList>

#include "app/message_box.h"
#include "app/recorder_dlg.h"
#include "app/strings.h"
#include "pages/avi_file_page.h"
#include "pages/hot_keys_page.h"
#include "pages/screen_area_page.h"
#include "platform/virtual_keys.h"

namespace mg {

void CRecorderDlg::RegisterHotKeys() {
  const struct {
    int id;
    int modifiers;
    int key;
    const std::string& description;
    const char* role;
  } keys[] = {
      {kHotkeyStartStop, settings_.StartMod, settings_.StartKey, settings_.StartDesc, "start/stop"},
      {kHotkeyPause, settings_.PauseMod, settings_.PauseKey, settings_.PauseDesc, "pause"},
      {kHotkeyPanLock, settings_.LockPanMod, settings_.LockPanKey, settings_.LockPanDesc,
       "pan lock"},
  };
  stopKeyWorks_ = false;
  QStringList refused;
  for (const auto& k : keys) {
    if (k.key == 0) continue;  // a cleared key ("None") is no hot key: nothing to refuse
    if (services_.hotKeys->Register(k.id, k.modifiers, k.key)) {
      if (k.id == kHotkeyStartStop) stopKeyWorks_ = true;
    } else if (KeysymForVirtualKey(k.key) == 0) {
      // A stored code that names no key: its description cannot be trusted to name it.
      refused << QStringLiteral(
                     "The %1 hot key (\"%2\") has the key code %3, which is no key of this "
                     "keyboard. Please choose it again on the Hot Keys page.")
                     .arg(QLatin1String(k.role), QString::fromStdString(k.description))
                     .arg(k.key);
    } else {
      refused << QString::fromStdString(k.description) + '\n' + ResString(res::IDS_HOTKEY_TAKEN);
    }
    // A refused key does not keep the others from working.
  }
  if (!refused.isEmpty())
    ShowMessageBox(this, refused.join(QStringLiteral("\n\n")), MsgButtons::Ok,
                   MsgIcon::Exclamation);
}

void CRecorderDlg::UnregisterHotKeys() {
  stopKeyWorks_ = false;
  services_.hotKeys->Unregister(kHotkeyStartStop);
  services_.hotKeys->Unregister(kHotkeyPause);
  services_.hotKeys->Unregister(kHotkeyPanLock);
}

void CRecorderDlg::OnHotKey(int id) {
  switch (id) {
    case kHotkeyStartStop:
      // With a message box up (the report of the recording that just ended, say) the key closes
      // the box: a recording started behind it would run unseen.
      if (State() == Idle && CloseMessageBox()) break;
      if (State() == Idle) {
        // A click of Start Rec. for later: the recording starts after this handler returned.
        QMetaObject::invokeMethod(
            this, [this] { StartStopCommand(); }, Qt::QueuedConnection);
      } else {
        StartStopCommand();
      }
      break;
    case kHotkeyPause:
      if (State() == Idle && CloseMessageBox()) break;
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
