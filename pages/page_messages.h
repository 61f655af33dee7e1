// Reading a number from an option page's edit field, with the messages people get for text
// that is not a number or out of range. The field that fails gets the focus, its text selected.
#pragma once

class QLineEdit;
class QWidget;

namespace mg {

// "Please enter an integer." when the text is not one (the member keeps its value); the member
// takes an integer outside [low, high] before "Please enter an integer between low and high.".
bool ReadIntegerField(QWidget* page, QLineEdit* field, int low, int high, int* member);
// "Please enter a number." when the text is not one; the member keeps its value.
bool ReadNumberField(QWidget* page, QLineEdit* field, double* member);

}  // namespace mg
