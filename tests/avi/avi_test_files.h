// Helpers for the AVI writer tests: temporary folders, formats, stream headers, frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/windows_records.h"

namespace mgtest {

// A fresh folder under /tmp, removed with everything in it at destruction.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// BITMAPINFOHEADER (+ colour table of `colours` entries) for an uncompressed bottom-up frame.
std::vector<uint8_t> DibFormat(int width, int height, int bits,
                               const std::vector<uint32_t>& colours, uint32_t compression = 0);
// The video stream header as a recording makes it.
mg::AviStreamInfo VideoStreamInfo(const char* handler, uint32_t rate, int width, int height,
                                  int bits);
// The audio stream header and format as a recording makes them (8-bit mono PCM, 11025 Hz).
mg::AviStreamInfo AudioStreamInfo();
mg::WaveFormatEx AudioFormat();

// A bottom-up 24-bit frame (blue, green, red; rows padded to 4 bytes) whose pixel (x, y), y from
// the top, is Rgb24Pixel(seed, x, y).
std::vector<uint8_t> Rgb24Frame(int width, int height, int seed);
uint32_t Rgb24Pixel(int seed, int x, int y);
// A bottom-up 8-bit frame whose pixel (x, y), y from the top, has colour index
// Pal8Index(seed, x, y).
std::vector<uint8_t> Pal8Frame(int width, int height, int seed);
uint8_t Pal8Index(int seed, int x, int y);

}  // namespace mgtest
