// The program's help page: help/index.html installed beside the executable, shown by the
// desktop's browser.
#pragma once

#include <QString>

class QWidget;

namespace mg {

// Where the help page of this program lives: <program's folder>/help/index.html.
QString HelpPagePath();

// Opens the help page, at the heading whose id is `section` when one is given; says so in a
// message box when it is missing or cannot be shown.
void OpenHelp(QWidget* owner, const QString& section = {});

}  // namespace mg
