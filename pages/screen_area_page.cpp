#include "pages/screen_area_page.h"

#include <QButtonGroup>
#include <QEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include "area/area_selector.h"
#include "pages/message_box.h"
#include "pages/page_messages.h"
#include "platform/selection_display.h"
#include "ui_screen_area_page.h"

namespace mg {

CMyPropertyPage2::CMyPropertyPage2(AppSettings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings), ui_(std::make_unique<Ui::ScreenAreaPage>()) {
  ui_->setupUi(this);
  for (QLineEdit* field : {ui_->startX, ui_->startY, ui_->width, ui_->height})
    field->installEventFilter(this);
  windowMode_ = new QButtonGroup(this);
  windowMode_->addButton(ui_->leaveOpened, kWndOpen);
  windowMode_->addButton(ui_->iconize, kWndIconize);
  windowMode_->addButton(ui_->hide, kWndHideAlt);
  connect(windowMode_, &QButtonGroup::idClicked, this, [this](int id) { settings_.WndHide = id; });
  connect(ui_->selectRegion, &QPushButton::clicked, this, &CMyPropertyPage2::SelectRegion);
  connect(ui_->selectWindow, &QPushButton::clicked, this, &CMyPropertyPage2::SelectWindow);
  RefreshFromSettings();
}

CMyPropertyPage2::~CMyPropertyPage2() = default;

void CMyPropertyPage2::SetSelection(ISelectionDisplay* display, AreaSelectionHost host) {
  display_ = display;
  host_ = std::move(host);
}

bool CMyPropertyPage2::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) FieldLeft(watched);
  return QWidget::eventFilter(watched, event);
}

// Only the field that was left goes into its setting, as the exchange left it: a field that did
// not parse keeps the value it had.
void CMyPropertyPage2::FieldLeft(QObject* field) {
  if (exchanging_) return;
  ExchangeFromControls();
  if (field == ui_->startX) settings_.StartX = left_;
  if (field == ui_->startY) settings_.StartY = top_;
  if (field == ui_->width) settings_.Width = width_;
  if (field == ui_->height) settings_.Height = height_;
}

bool CMyPropertyPage2::ExchangeFromControls() {
  exchanging_ = true;
  struct Guard {
    bool& flag;
    ~Guard() { flag = false; }
  } guard{exchanging_};
  return ReadIntegerField(this, ui_->height, &height_) &&
         ReadIntegerField(this, ui_->startY, &top_) &&
         ReadIntegerField(this, ui_->startX, &left_) && ReadIntegerField(this, ui_->width, &width_);
}

void CMyPropertyPage2::ExchangeToControls() {
  ui_->height->setText(QString::number(height_));
  ui_->startY->setText(QString::number(top_));
  ui_->startX->setText(QString::number(left_));
  ui_->width->setText(QString::number(width_));
}

void CMyPropertyPage2::RefreshFromSettings() {
  left_ = settings_.StartX;
  top_ = settings_.StartY;
  width_ = settings_.Width;
  height_ = settings_.Height;
  // Only the three buttons stand for a window mode; anything else stored becomes "iconize".
  QAbstractButton* chosen = windowMode_->button(settings_.WndHide);
  if (!chosen) {
    settings_.WndHide = kWndIconize;
    chosen = windowMode_->button(kWndIconize);
  }
  chosen->setChecked(true);
  ExchangeToControls();
}

void CMyPropertyPage2::TakeStartPosition() {
  left_ = settings_.StartX;
  top_ = settings_.StartY;
  ExchangeToControls();
}

void CMyPropertyPage2::SelectRegion() {
  SelectOnScreen(AreaSelector::SelectCrossHair);
}

void CMyPropertyPage2::SelectWindow() {
  SelectOnScreen(AreaSelector::SelectWindow);
}

void CMyPropertyPage2::SelectOnScreen(int mode) {
  if (selecting_) return;
  if (!display_) {
    ShowMessageBox(this, tr("Choosing the area on the screen is not possible on this display."),
                   MsgButtons::Ok, MsgIcon::Exclamation);
    return;
  }
  selecting_ = true;
  if (host_.unregisterHotKeys) host_.unregisterHotKeys();
  QWidget* main = window();
  if (main->isVisible()) {
    // Out of the way first, so the selection starts on the desktop without it.
    main->showMinimized();
    QEventLoop wait;
    QTimer::singleShot(kMinimiseWaitMs, &wait, &QEventLoop::quit);
    wait.exec();
  }
  {
    AreaSelector selector(*display_);
    int result = 0;
    if (mode == AreaSelector::SelectWindow) {
      selector.SetMode(AreaSelector::SelectWindow);
      result = selector.RunSelection();
    } else {
      result = selector.RunSelection();
      if (result & 1) {
        selector.SetMode(AreaSelector::SelectRectangle);
        result = selector.RunSelection();
      }
    }
    if (result & 1) {
      left_ = selector.Anchor().x;
      top_ = selector.Anchor().y;
      width_ = selector.Current().x - selector.Anchor().x;
      height_ = selector.Current().y - selector.Anchor().y;
      settings_.StartX = left_;
      settings_.StartY = top_;
      settings_.Width = width_;
      settings_.Height = height_;
      ExchangeToControls();
    }
    // The grab ends here, so the ordinary arrow is back before the window returns.
    selector.Release();
    if (host_.restoreMainWindow) host_.restoreMainWindow();
    if (host_.registerHotKeys) host_.registerHotKeys();
  }
  selecting_ = false;
}

}  // namespace mg
