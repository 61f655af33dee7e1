// The "Select Hot Key" dialog: the user presses the new combination in its key-capture field and
// confirms with OK or Enter. It works in RegisterHotKey flags at its edges and converts them to
// and from the field's own encoding, where Shift and Alt have swapped values.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace Ui {
class SelectHotKeyDialog;
}

namespace mg {

// RegisterHotKey flags <-> the key-capture field's flags; other bits are dropped.
int FieldModifiersFromMod(int modifiers);
int ModFromFieldModifiers(int fieldModifiers);

// What DoModal returns.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

class CSelectHotKeyDlg : public QDialog {
  Q_OBJECT
 public:
  // `virtualKey` and `modifiers` (RegisterHotKey flags) are the key shown at the start. `help`
  // opens the help page at its hot-keys section, owned by the window it is given.
  CSelectHotKeyDlg(int virtualKey, int modifiers, const QString& prompt, QWidget* parent,
                   std::function<void(QWidget*)> help = {});
  ~CSelectHotKeyDlg() override;

  // kIdOk or kIdCancel.
  int DoModal();
  // The chosen key and its RegisterHotKey flags.
  int VirtualKey() const { return m_virtualKey; }
  int Modifiers() const { return ModFromFieldModifiers(m_fieldModifiers); }
  // "None" when no key was chosen; else "Ctrl+", "Shift+", "Alt+" as held, in this order, and
  // the key's name cut to 19 characters.
  QString Description() const;

  class CHotKeyField* Field() const;

 public slots:
  void accept() override;  // OK: the key pressed, or Cancel when none was

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnInitDialog();

  // "Shift+", "Ctrl+", "Alt+", "None".
  QString m_shiftText, m_ctrlText, m_altText, m_noneText;
  std::unique_ptr<Ui::SelectHotKeyDialog> ui_;
  QString m_prompt;
  int m_virtualKey = 0;
  int m_fieldModifiers = 0;
  // Nonzero once a key was pressed in the field: the count and scan code of the last one.
  uint32_t m_keyData = 0;
  std::function<void(QWidget*)> help_;
};

}  // namespace mg
