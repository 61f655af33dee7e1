// Makes the program's compiled-in resources (icon) available; safe to call more than once.
#pragma once

namespace mg {

void InitAppResources();

}  // namespace mg
