// Process scheduling priority while recording. A refusal is not an error.
#pragma once

namespace mg {

void RaiseProcessPriority();
void RestoreNormalPriority();

}  // namespace mg
