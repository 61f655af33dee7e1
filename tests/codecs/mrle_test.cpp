// Our RLE8 encoder, decoded by libavcodec's Microsoft RLE decoder.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/mrle_encoder.h"
#include "codecs/video_compressor.h"
#include "tests/codecs/codec_fixtures.h"

namespace mgtest {
namespace {

// Frames as top-down index rows of width x height.
struct RleRun {
  RleRun(int w, int h) : width(w), height(h) {}
  int width, height;
  std::vector<std::vector<uint8_t>> frames;
  std::vector<bool> keys;
  std::vector<std::vector<mg::RgbQuad>> palettes;  // per frame; empty = unchanged

  std::vector<StreamPacket> packets;
  std::vector<DecodedFrame> decoded;

  void Run() {
    mg::Rle8Encoder enc;
    enc.Reset(width, height);
    for (size_t i = 0; i < frames.size(); ++i) {
      const uint8_t* bottom = frames[i].data() + static_cast<size_t>(height - 1) * width;
      StreamPacket p;
      enc.Encode(bottom, -width, keys[i], &p.data);
      if (i < palettes.size()) p.newPalette = palettes[i];
      packets.push_back(std::move(p));
    }
    mg::BitmapInfoHeader h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = 8;
    h.biCompression = 1;
    h.biClrUsed = 256;
    std::vector<uint8_t> format(40 + 1024);
    std::memcpy(format.data(), &h, 40);
    const auto pal = TestPalette();
    std::memcpy(format.data() + 40, pal.data(), 1024);
    std::string error;
    ASSERT_TRUE(DecodeStream(format, packets, &decoded, &error)) << error;
  }

  void ExpectExact(size_t i, const std::vector<mg::RgbQuad>& pal) {
    EXPECT_EQ(MaxError(decoded[i], FromIndices(frames[i], width, height, pal)), 0) << "frame " << i;
  }
};

TEST(Rle8Encoder, RunsLiteralsAndSkipsDecodeExactly) {
  RleRun r(700, 600);  // wider and taller than one delta escape can jump
  std::vector<uint8_t> f0(700 * 600);
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 700; ++x) {
      uint8_t v = static_cast<uint8_t>(x / 50);                      // runs of 50
      if (y % 7 == 0) v = static_cast<uint8_t>((x * 31 + y) % 251);  // literal rows
      if (y % 7 == 1 && x % 3 == 0) v = 9;                           // pairs and singles
      f0[y * 700 + x] = v;
    }
  }
  std::vector<uint8_t> f1 = f0;
  f1[5 * 700 + 690] = 200;    // near the right edge, near the top
  f1[300 * 700 + 3] = 201;    // left of the previous change on a later row: end of line first
  f1[301 * 700 + 600] = 202;  // a long jump to the right
  f1[599 * 700 + 0] = 203;    // the bottom row, first pixel (coded first: rows run bottom-up)
  for (int x = 100; x < 110; ++x) f1[350 * 700 + x] = 204;  // a short run
  f1[350 * 700 + 113] = 205;     // a gap shorter than a skip is coded along
  std::vector<uint8_t> f2 = f1;  // nothing changes
  std::vector<uint8_t> f3 = f1;
  for (int y = 0; y < 600; y += 299) f3[y * 700 + 699] = 1;  // the last column, >255 rows apart
  r.frames = {f0, f1, f2, f3};
  r.keys = {true, false, false, false};
  r.Run();
  const auto pal = TestPalette();
  for (size_t i = 0; i < r.frames.size(); ++i) r.ExpectExact(i, pal);
  EXPECT_LT(r.packets[1].data.size(), 100u);
  EXPECT_EQ(r.packets[2].data.size(), 2u);  // just the end of the bitmap
  EXPECT_GT(r.packets[0].data.size(), 10000u);
}

TEST(Rle8Encoder, OddWidthsAndNoiseDecodeExactly) {
  for (int w : {1, 2, 3, 37, 255, 256, 257}) {
    RleRun r(w, 23);
    for (int i = 0; i < 3; ++i) {
      std::vector<uint8_t> f(static_cast<size_t>(w) * 23);
      for (size_t k = 0; k < f.size(); ++k) {
        f[k] = static_cast<uint8_t>((k * 2654435761u >> (8 + i)) % (i == 1 ? 3 : 256));
      }
      r.frames.push_back(f);
      r.keys.push_back(i == 0);
    }
    SCOPED_TRACE("width " + std::to_string(w));
    r.Run();
    for (size_t i = 0; i < r.frames.size(); ++i) r.ExpectExact(i, TestPalette());
  }
}

// libavcodec takes a frame of exactly the uncompressed size for raw pixels: a 4-pixel wide,
// single-colour key frame codes to 4 bytes a row, the raw size, unless we keep it off.
TEST(Rle8Encoder, NeverProducesTheUncompressedSize) {
  RleRun r(4, 8);
  r.frames = {std::vector<uint8_t>(32, 42)};
  r.keys = {true};
  r.Run();
  EXPECT_NE(r.packets[0].data.size(), 32u);
  r.ExpectExact(0, TestPalette());
}

TEST(Rle8Encoder, PaletteChangeRecoloursUnchangedPixels) {
  RleRun r(40, 10);
  std::vector<uint8_t> f(400);
  for (size_t k = 0; k < f.size(); ++k) f[k] = static_cast<uint8_t>(k % 40);
  r.frames = {f, f, f};
  r.keys = {true, false, false};
  r.palettes = {{}, TestPalette(100), {}};
  r.Run();
  r.ExpectExact(0, TestPalette());
  r.ExpectExact(1, TestPalette(100));
  r.ExpectExact(2, TestPalette(100));
}

}  // namespace
}  // namespace mgtest
