#include "app/app_resources.h"

#include <QtGlobal>

// The resource initialiser must be named at global scope.
static void InitMovigramQrc() {
  Q_INIT_RESOURCE(movigram);
}

namespace mg {

void InitAppResources() {
  static const bool done = [] {
    InitMovigramQrc();
    return true;
  }();
  (void)done;
}

}  // namespace mg
