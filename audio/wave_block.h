// Recorded sound in blocks: a block adopts the data area of a capture buffer that came back from
// the device (no copy) and counts the samples recorded in it; the list holds the blocks not yet
// taken by the recorder's sink.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>

namespace mg {

class CWaveBlock {
 public:
  CWaveBlock() = default;
  // Takes ownership of `data`, an array allocated with new[] (as capture buffers are).
  CWaveBlock(uint8_t* data, int32_t size, int32_t samples)
      : m_pData(data), m_nSize(size), m_nSamples(samples) {}
  ~CWaveBlock() { delete[] m_pData; }
  CWaveBlock(const CWaveBlock&) = delete;
  CWaveBlock& operator=(const CWaveBlock&) = delete;

  const uint8_t* Data() const { return m_pData; }
  int32_t Size() const { return m_nSize; }        // capacity in bytes
  int32_t Samples() const { return m_nSamples; }  // samples recorded, not bytes

 private:
  uint8_t* m_pData = nullptr;
  int32_t m_nSize = 0;
  int32_t m_nSamples = 0;
};

class CWaveBlockList {
 public:
  void AddTail(std::unique_ptr<CWaveBlock> block) { blocks_.push_back(std::move(block)); }
  // The last block, taken off the list; empty when the list is.
  std::unique_ptr<CWaveBlock> RemoveTail();
  // Deletes every block, from the head on.
  void RemoveAllBlocks();
  int GetCount() const { return static_cast<int>(blocks_.size()); }
  CWaveBlock* Tail() const { return blocks_.empty() ? nullptr : blocks_.back().get(); }

 private:
  std::deque<std::unique_ptr<CWaveBlock>> blocks_;
};

}  // namespace mg
