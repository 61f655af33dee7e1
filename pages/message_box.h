// Every message box of the program goes through ShowMessageBox: captioned "Movigram" (the
// installer's "Install Movigram"), owned by a window of ours (centred on the screen while that
// window is not shown), always with an icon (MsgIcon::None shows the information icon). Tests
// set a hook that answers instead of a modal box appearing.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace mg {

enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { None, Question, Exclamation, Information, Error };
enum class MsgAnswer { Ok, Yes, No };

MsgAnswer ShowMessageBox(QWidget* owner, const QString& text, MsgButtons buttons = MsgButtons::Ok,
                         MsgIcon icon = MsgIcon::None,
                         const QString& caption = QStringLiteral("Movigram"));

// Closes the message box on the screen (the latest, when one was opened over another) as if it
// was answered OK or No. False when no box is open.
bool CloseMessageBox();

// The hook sees the text, the buttons and the icon and returns the answer; an empty function
// brings back the real message box.
using MessageBoxHook = std::function<MsgAnswer(const QString& text, MsgButtons, MsgIcon)>;
void SetMessageBoxHook(MessageBoxHook hook);

}  // namespace mg
