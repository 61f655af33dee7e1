// Texts of the string table for the option pages and their dialogs.
#pragma once

#include <QString>

#include "resources/string_table.h"

namespace mg {

// The text of string `id`; empty when the table has no such string.
QString PageString(int id);

}  // namespace mg
