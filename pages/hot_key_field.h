// The key-capture field of the Select Hot Key dialog: it shows a combination in the words of the
// hot-key descriptions ("Ctrl+Shift+F5", "None") and takes the next key pressed in it, with the
// Ctrl, Shift and Alt keys held at that moment, as the new combination.
//
// Its modifiers are in its own encoding (kFieldShift 1, kFieldControl 2, kFieldAlt 4; Shift and
// Alt swapped against the RegisterHotKey flags). Enter and a plain Esc are left to the dialog,
// Tab and Shift+Tab move the focus, Backspace alone clears the field. A key while the
// Windows key is held, and keys that have no virtual key, are not taken.
#pragma once

#include <QLineEdit>
#include <cstdint>

namespace mg {

inline constexpr int kFieldShift = 1;
inline constexpr int kFieldControl = 2;
inline constexpr int kFieldAlt = 4;

// Combinations for SetRules: which held modifiers are not allowed on their own.
inline constexpr int kCombNone = 1;  // no modifier
inline constexpr int kCombS = 2;     // Shift
inline constexpr int kCombC = 4;     // Ctrl
inline constexpr int kCombA = 8;     // Alt
inline constexpr int kCombSC = 16;   // Shift+Ctrl
inline constexpr int kCombSA = 32;   // Shift+Alt
inline constexpr int kCombCA = 64;   // Ctrl+Alt
inline constexpr int kCombSCA = 128;

// "Ctrl+" "Shift+" "Alt+" for the field's modifiers, in that order, then the key's name (at
// most 19 characters); "None" for virtual key 0 without modifiers.
QString HotKeyText(int virtualKey, int fieldModifiers);

class CHotKeyField : public QLineEdit {
  Q_OBJECT
 public:
  explicit CHotKeyField(QWidget* parent = nullptr);

  void SetHotKey(int virtualKey, int fieldModifiers);
  int VirtualKey() const { return virtualKey_; }
  int FieldModifiers() const { return modifiers_; }
  // A key pressed with one of the `invalid` combinations gets `replacement` added to its
  // modifiers.
  void SetRules(int invalid, int replacement);

 signals:
  // A key press changed the combination (Backspace's clearing too); `keyData` is never 0: the
  // count 1 in its low word, the key's scan code in bits 16..23.
  void KeyTaken(uint32_t keyData);

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void Show(int virtualKey, int fieldModifiers);

  int virtualKey_ = 0;
  int modifiers_ = 0;
  int invalid_ = 0;
  int replacement_ = 0;
};

}  // namespace mg
