// Texts of the string table by number, as Qt strings ("&" is Qt's mnemonic marker as well).
#pragma once

#include <QString>
#include <string>

#include "resources/string_table.h"

namespace mg {

// The text of string `id`; empty when the table has no such string.
QString ResString(int id);
std::string ResStdString(int id);

}  // namespace mg
