#include "pages/hot_key_field.h"

#include <QKeyEvent>

#include "pages/page_strings.h"
#include "platform/virtual_keys.h"

namespace mg {
namespace {

constexpr int kNameLength = 19;  // what a 20-character buffer holds of a key's name

int FieldModifiersOf(Qt::KeyboardModifiers held) {
  int modifiers = 0;
  if (held & Qt::ShiftModifier) modifiers |= kFieldShift;
  if (held & Qt::ControlModifier) modifiers |= kFieldControl;
  if (held & Qt::AltModifier) modifiers |= kFieldAlt;
  return modifiers;
}

// The field's bit of a modifier key itself; 0 for any other key.
int ModifierOfKey(int key) {
  switch (key) {
    case Qt::Key_Shift:
      return kFieldShift;
    case Qt::Key_Control:
      return kFieldControl;
    case Qt::Key_Alt:
      return kFieldAlt;
    default:
      return 0;
  }
}

// Keys that only modify others and are never a hot key's key.
bool IsModifierKey(int key) {
  switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
      return true;
    default:
      return false;
  }
}

bool IsEnter(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Enter and a plain Esc belong to the dialog: OK and Cancel.
bool LeftToDialog(const QKeyEvent* event) {
  return IsEnter(event->key()) ||
         (event->key() == Qt::Key_Escape && FieldModifiersOf(event->modifiers()) == 0);
}

// The bit of SetRules' combinations that stands for these held modifiers.
int CombinationOf(int fieldModifiers) {
  switch (fieldModifiers & (kFieldShift | kFieldControl | kFieldAlt)) {
    case 0:
      return kCombNone;
    case kFieldShift:
      return kCombS;
    case kFieldControl:
      return kCombC;
    case kFieldAlt:
      return kCombA;
    case kFieldShift | kFieldControl:
      return kCombSC;
    case kFieldShift | kFieldAlt:
      return kCombSA;
    case kFieldControl | kFieldAlt:
      return kCombCA;
    default:
      return kCombSCA;
  }
}

}  // namespace

QString HotKeyText(int virtualKey, int fieldModifiers) {
  if (virtualKey == 0 && fieldModifiers == 0) return PageString(res::IDS_NONE);
  QString text;
  if (fieldModifiers & kFieldControl) text += PageString(res::IDS_CTRL);
  if (fieldModifiers & kFieldShift) text += PageString(res::IDS_SHIFT);
  if (fieldModifiers & kFieldAlt) text += PageString(res::IDS_ALT);
  if (virtualKey != 0) text += QString::fromStdString(VirtualKeyName(virtualKey)).left(kNameLength);
  return text;
}

CHotKeyField::CHotKeyField(QWidget* parent) : QLineEdit(parent) {
  // Keys are taken, never typed: no text editing, no input method, no paste.
  setReadOnly(true);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setContextMenuPolicy(Qt::NoContextMenu);
  setFocusPolicy(Qt::StrongFocus);
  Show(0, 0);
}

void CHotKeyField::SetHotKey(int virtualKey, int fieldModifiers) {
  virtualKey_ = virtualKey & 0xff;
  modifiers_ = fieldModifiers & (kFieldShift | kFieldControl | kFieldAlt);
  Show(virtualKey_, modifiers_);
}

void CHotKeyField::SetRules(int invalid, int replacement) {
  invalid_ = invalid;
  replacement_ = replacement & (kFieldShift | kFieldControl | kFieldAlt);
}

void CHotKeyField::Show(int virtualKey, int fieldModifiers) {
  setText(HotKeyText(virtualKey, fieldModifiers));
}

bool CHotKeyField::event(QEvent* event) {
  // Every key but the dialog's own reaches the field, not a shortcut or mnemonic of the window.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (!LeftToDialog(key)) {
      key->accept();
      return true;
    }
  }
  return QLineEdit::event(event);
}

void CHotKeyField::keyPressEvent(QKeyEvent* event) {
  if (LeftToDialog(event)) {
    event->ignore();
    return;
  }
  event->accept();
  const int held = FieldModifiersOf(event->modifiers()) | ModifierOfKey(event->key());
  if (IsModifierKey(event->key())) {
    // The combination being built, until its key comes.
    Show(0, held);
    return;
  }
  if (event->modifiers() & Qt::MetaModifier) return;  // no hot key holds the Windows key

  const uint32_t keyData = 1 | ((event->nativeScanCode() & 0xff) << 16);
  if (event->key() == Qt::Key_Backspace && held == 0) {
    SetHotKey(0, 0);
    emit KeyTaken(keyData);
    return;
  }
  const int vk = VirtualKeyOfKeyPress(event->nativeScanCode(), event->nativeVirtualKey());
  constexpr int kVkEnter = 0x0D;
  if (vk == 0 || vk == kVkEnter) {  // a key we cannot name, or Enter under another name
    Show(virtualKey_, modifiers_);
    return;
  }
  int modifiers = held;
  if (invalid_ & CombinationOf(modifiers)) modifiers |= replacement_;
  SetHotKey(vk, modifiers);
  emit KeyTaken(keyData);
}

void CHotKeyField::keyReleaseEvent(QKeyEvent* event) {
  event->accept();
  const int held = FieldModifiersOf(event->modifiers()) & ~ModifierOfKey(event->key());
  // Modifiers let go without a key: the field shows its combination again.
  if (held == 0)
    Show(virtualKey_, modifiers_);
  else if (IsModifierKey(event->key()))
    Show(0, held);
}

void CHotKeyField::focusOutEvent(QFocusEvent* event) {
  Show(virtualKey_, modifiers_);
  QLineEdit::focusOutEvent(event);
}

}  // namespace mg
