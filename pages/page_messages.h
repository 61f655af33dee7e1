// Reading a number from an option page's edit field, with the messages people get for text
// that is not a number or out of range. The field that fails gets the focus, its text selected.
#pragma once

class QLineEdit;
class QString;
class QWidget;

namespace mg {

// "Please enter an integer." when the text is not one (the member keeps its value); the member
// takes an integer outside [low, high] before "Please enter an integer between low and high.".
bool ReadIntegerField(QWidget* page, QLineEdit* field, int low, int high, int* member);
// The screen-area fields' rule: of at most the first 31 characters, blanks and tabs at both ends
// left out, the rest a decimal integer with an optional sign and nothing after it, within int;
// a zero counts only when its first character is the digit 0 ("+0" and "-0" do not).
bool ParseIntegerText(const QString& text, int* value);
// "Please enter an integer." when ParseIntegerText refuses the field's text (the member keeps
// its value); any integer is taken.
bool ReadIntegerField(QWidget* page, QLineEdit* field, int* member);
// "Please enter a number." when the text is not one; the member keeps its value.
bool ReadNumberField(QWidget* page, QLineEdit* field, double* member);

}  // namespace mg
