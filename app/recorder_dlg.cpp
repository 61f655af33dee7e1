// The main dialog's construction, its window (placement, iconizing, restoring) and its end.
#include "app/recorder_dlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#include "app/app_resources.h"
#include "app/help.h"
#include "app/message_box.h"
#include "app/strings.h"
#include "app/window_placement.h"
#include "pages/avi_file_page.h"
#include "pages/hot_keys_page.h"
#include "pages/screen_area_page.h"
#include "platform/null/null_backends.h"
#include "ui_main_dialog.h"

namespace mg {

CRecorderDlg* g_pMainDlg = nullptr;

CRecorderDlg::CRecorderDlg(AppSettings& settings, const PlatformServices& services, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      services_(WithNullBackends(services)),
      ui_(std::make_unique<Ui::MainDialogForm>()),
      panner_(settings),
      audio_(services_.waveIn) {
  InitAppResources();
  ui_->setupUi(this);
  // A window of its own with a task-bar entry, a minimise box and a close box.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

  engine_ = std::make_unique<CaptureEngine>(settings_, *this, services_);
  engine_->SetPanner(&panner_);
  engine_->SetAudio(audio_.Capture(*engine_));

  page1_ = new CMyPropertyPage1(settings_, this);
  page1_->SetHooks({[this] { UnregisterHotKeys(); }, [this] { RegisterHotKeys(); },
                    [](QWidget* owner) { OpenHelp(owner, QStringLiteral("hot-keys")); }});
  page2_ = new CMyPropertyPage2(settings_, this);
  page3_ = new CMyPropertyPage3(settings_, this);
  page2_->SetSelection(services_.selection,
                       {[this] { UnregisterHotKeys(); }, [this] { RegisterHotKeys(); },
                        [this] { RestoreWindow(); }});
  ui_->tabControl->addTab(page2_, ResString(res::IDS_TAB_SCREEN_AREA));
  ui_->tabControl->addTab(page1_, ResString(res::IDS_TAB_HOT_KEYS));
  ui_->tabControl->addTab(page3_, ResString(res::IDS_TAB_AVI_FILE));
  ui_->tabControl->setCurrentIndex(0);

  ui_->startRecButton->setText(ResString(res::IDS_START_REC));
  ui_->startPausedButton->setText(ResString(res::IDS_START_PAUSED));
  connect(ui_->startRecButton, &QPushButton::clicked, this, [this] { StartStopCommand(); });
  connect(ui_->startPausedButton, &QPushButton::clicked, this, [this] { PauseCommand(); });
  connect(ui_->playButton, &QPushButton::clicked, this, [this] { PlayCommand(); });
  connect(ui_->defaultsButton, &QPushButton::clicked, this, [this] { DefaultsCommand(); });
  connect(ui_->exitButton, &QPushButton::clicked, this, [this] { ExitCommand(); });

  // Desktops here give a window no system menu of ours to extend, so the about box sits in a
  // small menu on the Help button.
  auto* helpMenu = new QMenu(this);
  helpMenu->setObjectName(QStringLiteral("helpMenu"));
  QAction* help = helpMenu->addAction(QStringLiteral("Help"));
  help->setObjectName(QStringLiteral("helpAction"));
  connect(help, &QAction::triggered, this, [this] { HelpCommand(); });
  const QString aboutText = ResString(res::IDS_ABOUTBOX);
  if (!aboutText.isEmpty()) {
    QAction* about = helpMenu->addAction(aboutText);
    about->setObjectName(QStringLiteral("aboutAction"));
    connect(about, &QAction::triggered, this, [this] { AboutCommand(); });
  }
  ui_->helpButton->setMenu(helpMenu);

  adjustSize();
  setFixedSize(size());
  winId();  // the native window exists from here on: its exposure is watched
  windowHandle()->installEventFilter(this);
  PlaceWindow();

  services_.hotKeys->SetHandler([this](int id) { OnHotKey(id); });
  RegisterHotKeys();
}

CRecorderDlg::~CRecorderDlg() {
  UnregisterHotKeys();
  services_.hotKeys->SetHandler({});
  if (g_pMainDlg == this) g_pMainDlg = nullptr;
}

QTabWidget* CRecorderDlg::Tabs() const {
  return ui_->tabControl;
}
QPushButton* CRecorderDlg::StartRecButton() const {
  return ui_->startRecButton;
}
QPushButton* CRecorderDlg::StartPausedButton() const {
  return ui_->startPausedButton;
}
QPushButton* CRecorderDlg::PlayButton() const {
  return ui_->playButton;
}
QPushButton* CRecorderDlg::DefaultsButton() const {
  return ui_->defaultsButton;
}
QPushButton* CRecorderDlg::HelpButton() const {
  return ui_->helpButton;
}
QPushButton* CRecorderDlg::ExitButton() const {
  return ui_->exitButton;
}

void CRecorderDlg::PlaceWindow() {
  if (!HasStoredPosition(settings_.WinX, settings_.WinY)) return;  // the desktop places it
  const QRect desktop = screen()->virtualGeometry();
  move(mg::PlaceWindow(frameGeometry(), settings_.WinX, settings_.WinY, desktop).topLeft());
  // The window manager's frame is known only once the window is up: it is placed again then.
  placeWithFrame_ = true;
}

bool CRecorderDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched != windowHandle()) return QDialog::eventFilter(watched, event);
  if (activateWhenExposed_ && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
    // A window shown again after hiding can take the focus only once it is mapped.
    activateWhenExposed_ = false;
    ActivateSoon(10);
  }
  return QDialog::eventFilter(watched, event);
}

bool CRecorderDlg::PlaceWithFrame() {
  const QMargins frame = windowHandle()->frameMargins();
  if (frame.isNull()) return false;
  const QRect window = windowHandle()->frameGeometry();
  const QRect desktop = screen()->virtualGeometry();
  const QRect placed = mg::PlaceWindow(window, settings_.WinX, settings_.WinY, desktop);
  if (placed.topLeft() == window.topLeft()) return true;
  // The client area's position, frame included by hand: no cached frame of Qt's is involved.
  windowHandle()->setPosition(placed.topLeft() + QPoint(frame.left(), frame.top()));
  return false;
}

void CRecorderDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!placeWithFrame_) return;
  placeWithFrame_ = false;
  // The frame's extents arrive some time after the window is shown, and the window manager may
  // apply its own placement after ours: the window is placed again until it stays put.
  auto* poll = new QTimer(this);
  poll->setInterval(50);
  connect(poll, &QTimer::timeout, this, [this, poll, left = 60, settled = 0]() mutable {
    settled = PlaceWithFrame() ? settled + 1 : 0;
    if (settled >= 3 || --left <= 0) poll->deleteLater();
  });
  poll->start();
}

int CRecorderDlg::RunModal() {
  finished_ = false;
  QEventLoop loop;
  const QMetaObject::Connection ended = connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
  show();
  raise();
  activateWindow();
  if (!finished_) loop.exec(QEventLoop::DialogExec);
  disconnect(ended);
  return result();
}

void CRecorderDlg::done(int result) {
  if (finished_) return;
  finished_ = true;
  setFocus();  // an edit field on a page keeps its value when it loses the focus
  const QRect frame = windowHandle() ? windowHandle()->frameGeometry() : frameGeometry();
  settings_.WinX = frame.x();
  settings_.WinY = frame.y();
  QDialog::done(result);
}

void CRecorderDlg::reject() {
  // The close box. A recording cannot outlive its window: the movie is finished first.
  if (State() != Idle) StartStopCommand();
  QDialog::reject();
}

void CRecorderDlg::ApplyWindowMode(int wndHide) {
  const bool hidden = wndHide == kWndHide || wndHide == kWndHideAlt;
  if (wndHide == kWndIconize || (hidden && !stopKeyWorks_)) {
    // Without a working start/stop hot key a hidden window could never stop its recording: it
    // is iconized instead, so its task-bar entry brings back the Stop button.
    showMinimized();
  } else if (hidden) {
    // Withdrawn at once: iconizing first would leave the window manager an iconic window that
    // it brings back iconic.
    hide();
  } else {
    return;  // left open
  }
  WaitUntilOffScreen();
}

void CRecorderDlg::WaitUntilOffScreen() {
  // The window manager iconizes or withdraws the window a little later, and may animate its
  // frame on the way: the first frame would show it. The recording's first tick waits until the
  // window and its frame are off the screen, for a second at most.
  ISelectionDisplay* display = services_.selection;
  if (!display || !display->WindowManagerRunning()) return;
  const uintptr_t window = winId();
  QElapsedTimer waited;
  waited.start();
  while (display->OnScreen(window) && waited.elapsed() < 1000) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    QThread::msleep(5);
  }
}

void CRecorderDlg::RestoreWindow() {
  if (finished_) return;  // the dialog is closing: nothing to bring back
  if (isHidden()) activateWhenExposed_ = true;
  setWindowState(windowState() & ~Qt::WindowMinimized);
  showNormal();
  raise();
  activateWindow();
}

void CRecorderDlg::BringToFront() {
  if (finished_) return;
  if (isHidden()) activateWhenExposed_ = true;
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  showNormal();
  raise();
  activateWindow();
  ActivateSoon(10);
}

void CRecorderDlg::ActivateSoon(int attempts) {
  // Some window managers take a window shown again for one that still has the focus: ask again
  // until the focus has arrived.
  if (attempts <= 0 || !isVisible() || isActiveWindow()) return;
  windowHandle()->requestActivate();
  QTimer::singleShot(50, this, [this, attempts] { ActivateSoon(attempts - 1); });
}

void CRecorderDlg::ShowMessage(const std::string& text) {
  if (ending_) {
    std::fprintf(stderr, "Movigram: %s\n", text.c_str());  // nobody is left to answer a box
    return;
  }
  ShowMessageBox(this, QString::fromStdString(text), MsgButtons::Ok, MsgIcon::Exclamation);
}

void CRecorderDlg::ShowResult(const std::string& text) {
  if (ending_) {
    std::fprintf(stderr, "Movigram: %s\n", text.c_str());
    return;
  }
  ShowMessageBox(this, QString::fromStdString(text), MsgButtons::Ok, MsgIcon::Information);
}

bool CRecorderDlg::AskYesNo(const std::string& text) {
  if (ending_) return false;
  return ShowMessageBox(this, QString::fromStdString(text), MsgButtons::YesNo, MsgIcon::Question) ==
         MsgAnswer::Yes;
}

void CRecorderDlg::EndCommand() {
  ending_ = true;
  // Whatever modal window is open answers No (or Cancel), so its caller goes on and returns.
  for (int i = 0; i < 16; ++i) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == this) break;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
      dialog->reject();
    else
      modal->close();
  }
  ExitCommand();
}

void CRecorderDlg::FinishAtExit() {
  ending_ = true;
  if (State() != Idle) engine_->FinishAtExit();
}

// Only the name field follows: a Fill would rebuild the compressor list and show "Auto Select"
// while the next recording still uses the compressor chosen.
void CRecorderDlg::FileNameChanged() {
  page3_->ShowFileName(QString::fromStdString(settings_.AVIFileName));
}

}  // namespace mg
