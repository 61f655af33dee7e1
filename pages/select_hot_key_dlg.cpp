#include "pages/select_hot_key_dlg.h"

#include <QKeyEvent>

#include "pages/hot_key_field.h"
#include "pages/page_strings.h"
#include "platform/virtual_keys.h"
#include "platform/windows_records.h"
#include "ui_select_hot_key_dlg.h"

namespace mg {

int FieldModifiersFromMod(int modifiers) {
  int field = 0;
  if (modifiers & kModAlt) field |= kFieldAlt;
  if (modifiers & kModControl) field |= kFieldControl;
  if (modifiers & kModShift) field |= kFieldShift;
  return field;
}

int ModFromFieldModifiers(int fieldModifiers) {
  int modifiers = 0;
  if (fieldModifiers & kFieldAlt) modifiers |= kModAlt;
  if (fieldModifiers & kFieldControl) modifiers |= kModControl;
  if (fieldModifiers & kFieldShift) modifiers |= kModShift;
  return modifiers;
}

CSelectHotKeyDlg::CSelectHotKeyDlg(int virtualKey, int modifiers, const QString& prompt,
                                   QWidget* parent, std::function<void(QWidget*)> help)
    : QDialog(parent),
      m_shiftText(PageString(res::IDS_SHIFT)),
      m_ctrlText(PageString(res::IDS_CTRL)),
      m_altText(PageString(res::IDS_ALT)),
      m_noneText(PageString(res::IDS_NONE)),
      ui_(std::make_unique<Ui::SelectHotKeyDialog>()),
      m_prompt(prompt),
      m_virtualKey(virtualKey),
      m_fieldModifiers(FieldModifiersFromMod(modifiers)),
      help_(std::move(help)) {
  ui_->setupUi(this);
  // A small fixed dialog: a title and a close box, nothing to minimise or maximise.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  connect(ui_->okButton, &QPushButton::clicked, this, &CSelectHotKeyDlg::accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &CSelectHotKeyDlg::reject);
  connect(ui_->helpButton, &QPushButton::clicked, this, [this] {
    if (help_) help_(this);
  });
  connect(ui_->hotKey, &CHotKeyField::KeyTaken, this, [this](uint32_t keyData) {
    m_keyData = keyData;  // Enter never comes here: the field leaves it to the dialog
  });
  OnInitDialog();
}

CSelectHotKeyDlg::~CSelectHotKeyDlg() = default;

CHotKeyField* CSelectHotKeyDlg::Field() const {
  return ui_->hotKey;
}

void CSelectHotKeyDlg::OnInitDialog() {
  ui_->prompt->setText(m_prompt);
  ui_->hotKey->SetHotKey(m_virtualKey & 0xff, m_fieldModifiers & 0xff);
  // A key alone or with Shift alone would take a key from every application: it becomes
  // Ctrl+Shift+key.
  ui_->hotKey->SetRules(kCombNone | kCombS, kFieldShift | kFieldControl);
  ui_->hotKey->setFocus();
  adjustSize();
  setFixedSize(size());
}

int CSelectHotKeyDlg::DoModal() {
  return exec() == QDialog::Accepted ? kIdOk : kIdCancel;
}

void CSelectHotKeyDlg::accept() {
  if (m_keyData == 0) {
    reject();  // OK without a key pressed changes nothing
    return;
  }
  m_virtualKey = ui_->hotKey->VirtualKey();
  m_fieldModifiers = ui_->hotKey->FieldModifiers();
  if (m_virtualKey == 0) m_keyData = 0;  // the field was cleared: "None"
  QDialog::accept();
}

void CSelectHotKeyDlg::keyPressEvent(QKeyEvent* event) {
  // Enter is OK with any modifiers held; it is never a key of the field.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

QString CSelectHotKeyDlg::Description() const {
  if (m_keyData == 0) return m_noneText;
  QString text;
  if (m_fieldModifiers & kFieldControl) text += m_ctrlText;
  if (m_fieldModifiers & kFieldShift) text += m_shiftText;
  if (m_fieldModifiers & kFieldAlt) text += m_altText;
  constexpr int kNameLength = 19;
  return text + QString::fromStdString(VirtualKeyName(m_virtualKey)).left(kNameLength);
}

}  // namespace mg
