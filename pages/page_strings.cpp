#include "pages/page_strings.h"

namespace mg {

QString PageString(int id) {
  for (const res::StringEntry& entry : res::kStringTable)
    if (entry.id == id) return QString::fromUtf8(entry.text);
  return {};
}

}  // namespace mg
