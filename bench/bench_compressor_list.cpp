// Prints the entries of the "&Video Compressor:" list on the AVI File page in their order, one a
// line: the entry's index, its FOURCC (or "auto" / "full") and what a person reads. tools/bench
// finds the entry to pick by its FOURCC here.
#include <cstdio>
#include <cstring>

#include "codecs/compressor_registry.h"
#include "platform/windows_records.h"

int main() {
  int index = 0;
  std::printf("%d\tauto\tAuto Select - Strongly Recommended!\n", index++);
  for (const mg::CompressorInfo& info : mg::InstalledCompressors()) {
    if (info.fccHandler == mg::MakeFourcc("DIB ")) continue;  // offered as "Full Frames"
    char code[5] = {};
    std::memcpy(code, &info.fccHandler, 4);
    std::printf("%d\t%s\t%s\n", index++, code, info.description.c_str());
  }
  std::printf("%d\tfull\tFull Frames (Uncompressed)\n", index);
  return 0;
}
