#include "tests/app/dialog_rig.h"

#include <QPushButton>
#include <QWindow>
#include <ostream>

#include "platform/x11/x11_backends.h"

namespace mgtest {

DialogRig::DialogRig() {
  settings.AVIFileName = dir.filePath(QStringLiteral("clip.avi")).toStdString();
  settings.RecSound = 0;
  settings.WndHide = mg::kWndOpen;
  settings.StartX = 20;
  settings.StartY = 30;
  settings.Width = 160;
  settings.Height = 120;
}

DialogRig::~DialogRig() {
  dlg.reset();
  selection.reset();
}

mg::CRecorderDlg& DialogRig::Make(mg::IGlobalHotKeys* hotKeys) {
  mg::PlatformServices services = capture.Platform();
  services.hotKeys = hotKeys ? hotKeys : &keys;
  if (!selection) selection = mg::MakeX11SelectionDisplay();
  services.selection = selection.get();
  dlg = std::make_unique<mg::CRecorderDlg>(settings, services);
  return *dlg;
}

mg::CRecorderDlg& DialogRig::Show() {
  if (!dlg) Make();
  dlg->show();
  WaitUntil([this] { return dlg->windowHandle() && dlg->windowHandle()->isExposed(); });
  return *dlg;
}

Look LookOf(const mg::CRecorderDlg& dlg) {
  return Look{dlg.StartRecButton()->text(), dlg.StartPausedButton()->text(),
              dlg.PlayButton()->isEnabled()};
}

bool operator==(const Look& a, const Look& b) {
  return a.startRec == b.startRec && a.startPaused == b.startPaused &&
         a.playEnabled == b.playEnabled;
}

std::ostream& operator<<(std::ostream& out, const Look& look) {
  return out << '"' << look.startRec.toStdString() << "\", \"" << look.startPaused.toStdString()
             << "\", Play " << (look.playEnabled ? "enabled" : "disabled");
}

}  // namespace mgtest
