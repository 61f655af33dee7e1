#include "pages/screen_area_page.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace mg {
namespace {

QLabel* ValueLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

QLabel* LaterNote(QWidget* parent) {
  auto* note =
      new QLabel(QStringLiteral("Changing these options here comes in a later version."), parent);
  note->setEnabled(false);
  note->setWordWrap(true);
  return note;
}

QString WindowModeText(int wndHide) {
  switch (wndHide) {
    case kWndOpen:
      return QStringLiteral("stays open");
    case kWndIconize:
      return QStringLiteral("is iconized");
    case kWndHide:
    case kWndHideAlt:
      return QStringLiteral("is hidden");
    default:
      return QStringLiteral("stays open (unknown choice %1)").arg(wndHide);
  }
}

}  // namespace

CMyPropertyPage2::CMyPropertyPage2(AppSettings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
  auto* form = new QFormLayout;
  area_ = ValueLabel(this);
  mode_ = ValueLabel(this);
  area_->setObjectName(QStringLiteral("areaValue"));
  form->addRow(QStringLiteral("Capture area:"), area_);
  form->addRow(QStringLiteral("While recording the window:"), mode_);
  auto* column = new QVBoxLayout(this);
  column->addLayout(form);
  column->addStretch();
  column->addWidget(LaterNote(this));
  RefreshFromSettings();
}

void CMyPropertyPage2::RefreshFromSettings() {
  left_ = settings_.StartX;
  top_ = settings_.StartY;
  Show();
}

void CMyPropertyPage2::TakeStartPosition() {
  left_ = settings_.StartX;
  top_ = settings_.StartY;
  Show();
}

void CMyPropertyPage2::Show() {
  area_->setText(QStringLiteral("left %1, top %2, width %3, height %4")
                     .arg(left_)
                     .arg(top_)
                     .arg(settings_.Width)
                     .arg(settings_.Height));
  mode_->setText(WindowModeText(settings_.WndHide));
}

}  // namespace mg
