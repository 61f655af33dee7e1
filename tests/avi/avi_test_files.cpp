#include "tests/avi/avi_test_files.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace mgtest {

TempFolder::TempFolder() {
  char pattern[] = "/tmp/mg-avi-test.XXXXXX";
  if (mkdtemp(pattern)) path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> DibFormat(int width, int height, int bits,
                               const std::vector<uint32_t>& colours, uint32_t compression) {
  mg::BitmapInfoHeader bih;
  bih.biWidth = width;
  bih.biHeight = height;
  bih.biBitCount = static_cast<uint16_t>(bits);
  bih.biCompression = compression;
  bih.biClrUsed = static_cast<uint32_t>(colours.size());
  std::vector<uint8_t> format(sizeof(bih) + 4 * colours.size());
  memcpy(format.data(), &bih, sizeof(bih));
  for (size_t i = 0; i < colours.size(); ++i) {
    mg::RgbQuad q;
    q.rgbRed = static_cast<uint8_t>(colours[i] >> 16);
    q.rgbGreen = static_cast<uint8_t>(colours[i] >> 8);
    q.rgbBlue = static_cast<uint8_t>(colours[i]);
    memcpy(&format[sizeof(bih) + 4 * i], &q, 4);
  }
  return format;
}

mg::AviStreamInfo VideoStreamInfo(const char* handler, uint32_t rate, int width, int height,
                                  int bits) {
  mg::AviStreamInfo info;
  info.fccType = mg::kStreamTypeVideo;
  info.fccHandler = mg::MakeFourcc(handler);
  info.dwScale = 100;
  info.dwRate = rate;
  info.dwSuggestedBufferSize = static_cast<uint32_t>(mg::DibStride(width, bits) * height);
  info.rcFrame = {0, 0, width, height};
  strcpy(info.szName, "Movigram Video");
  return info;
}

mg::AviStreamInfo AudioStreamInfo() {
  mg::AviStreamInfo info;
  info.fccType = mg::kStreamTypeAudio;
  info.dwScale = 1;
  info.dwRate = 11025;
  info.dwInitialFrames = 2;
  info.dwSuggestedBufferSize = 4096;
  return info;
}

mg::WaveFormatEx AudioFormat() {
  return mg::WaveFormatEx{};
}

uint32_t Rgb24Pixel(int seed, int x, int y) {
  const uint32_t r = static_cast<uint32_t>(seed * 37 + x * 11) & 0xff;
  const uint32_t g = static_cast<uint32_t>(seed * 5 + y * 29) & 0xff;
  const uint32_t b = static_cast<uint32_t>(seed + x * y) & 0xff;
  return r << 16 | g << 8 | b;
}

std::vector<uint8_t> Rgb24Frame(int width, int height, int seed) {
  const int stride = mg::DibStride(width, 24);
  std::vector<uint8_t> frame(static_cast<size_t>(stride) * height, 0xEE);  // padding too
  for (int y = 0; y < height; ++y) {
    uint8_t* row = &frame[static_cast<size_t>(height - 1 - y) * stride];
    for (int x = 0; x < width; ++x) {
      const uint32_t c = Rgb24Pixel(seed, x, y);
      row[3 * x] = static_cast<uint8_t>(c);
      row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(c >> 16);
    }
  }
  return frame;
}

uint8_t Pal8Index(int seed, int x, int y) {
  return static_cast<uint8_t>(seed * 3 + x + 16 * y);
}

std::vector<uint8_t> Pal8Frame(int width, int height, int seed) {
  const int stride = mg::DibStride(width, 8);
  std::vector<uint8_t> frame(static_cast<size_t>(stride) * height, 0xEE);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      frame[static_cast<size_t>(height - 1 - y) * stride + x] = Pal8Index(seed, x, y);
  return frame;
}

}  // namespace mgtest
