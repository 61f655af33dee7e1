#include "pages/hot_keys_page.h"

#include <QCheckBox>
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

QString PanKeysText(int modifiers) {
  QStringList keys;
  if (modifiers & 2) keys << QStringLiteral("Ctrl");
  if (modifiers & 4) keys << QStringLiteral("Shift");
  if (modifiers & 1) keys << QStringLiteral("Alt");
  return keys.isEmpty() ? QStringLiteral("(no keys)") : keys.join('+');
}

}  // namespace

CMyPropertyPage1::CMyPropertyPage1(AppSettings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
  auto* form = new QFormLayout;
  keys_ = ValueLabel(this);
  panKeys_ = ValueLabel(this);
  form->addRow(QStringLiteral("Hot keys:"), keys_);
  form->addRow(QStringLiteral("Pan while holding:"), panKeys_);
  lock_ = new QCheckBox(QStringLiteral("L&ock permanently"), this);
  lock_->setObjectName(QStringLiteral("lockPermanently"));
  connect(lock_, &QCheckBox::toggled, this, [this](bool on) { settings_.PanLocked = on ? 1 : 0; });
  auto* column = new QVBoxLayout(this);
  column->addLayout(form);
  column->addWidget(lock_);
  column->addStretch();
  column->addWidget(LaterNote(this));
  RefreshFromSettings();
}

void CMyPropertyPage1::RefreshFromSettings() {
  keys_->setText(QStringLiteral("Start/Stop: %1\nPause/Resume: %2\nPan lock: %3")
                     .arg(QString::fromStdString(settings_.StartDesc),
                          QString::fromStdString(settings_.PauseDesc),
                          QString::fromStdString(settings_.LockPanDesc)));
  panKeys_->setText(PanKeysText(settings_.PanModifiers));
  SetPanLockCheck(settings_.PanLocked != 0);
}

void CMyPropertyPage1::SetPanLockCheck(bool on) {
  const QSignalBlocker quiet(lock_);  // showing the value is no change of it
  lock_->setChecked(on);
}

bool CMyPropertyPage1::PanLockChecked() const {
  return lock_->isChecked();
}

}  // namespace mg
