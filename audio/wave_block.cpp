#include "audio/wave_block.h"

namespace mg {

std::unique_ptr<CWaveBlock> CWaveBlockList::RemoveTail() {
  if (blocks_.empty()) return nullptr;
  std::unique_ptr<CWaveBlock> block = std::move(blocks_.back());
  blocks_.pop_back();
  return block;
}

void CWaveBlockList::RemoveAllBlocks() {
  while (!blocks_.empty()) blocks_.pop_front();
}

}  // namespace mg
