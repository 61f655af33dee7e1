// The frame format and the colour table of palette displays.
#include <gtest/gtest.h>

#include <cstring>

#include "capture/frame_format.h"
#include "platform/windows_records.h"

namespace {

TEST(FrameFormatTest, RowsAreWholeAndFourByteAligned) {
  EXPECT_EQ(mg::FrameBytes(33, 2, 1), 16);  // 33 bits -> 8 bytes a row
  EXPECT_EQ(mg::FrameBytes(3, 1, 24), 12);
  EXPECT_EQ(mg::FrameBytes(321, 1, 8), 324);
  EXPECT_EQ(mg::FrameBytes(1920, 1080, 32), 1920 * 1080 * 4);
  EXPECT_EQ(mg::FrameBytes(0, 10, 32), -1);
  EXPECT_EQ(mg::FrameBytes(100000, 100000, 32), -1);
}

TEST(FrameFormatTest, DirectColourHasNoColourTable) {
  for (int bits : {16, 24, 32}) {
    const auto format = mg::MakeFrameFormat(320, 240, bits, {}, true);
    ASSERT_EQ(format.size(), 40u);
    mg::BitmapInfoHeader h;
    std::memcpy(&h, format.data(), 40);
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 320);
    EXPECT_EQ(h.biHeight, 240) << "bottom-up";
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, bits);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biClrUsed, 0u);
  }
}

std::vector<mg::PaletteEntry> Grey() {
  std::vector<mg::PaletteEntry> p(256);
  for (int i = 0; i < 256; ++i) p[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 9};
  return p;
}

TEST(FrameFormatTest, NoStaticPaletteKeepsOnlyBlackAndWhiteStatic) {
  auto p = Grey();
  p[0] = {7, 7, 7, 0};
  mg::MarkStaticColours(p, 20, /*noStatic=*/true);
  EXPECT_EQ(p[0].red, 0);
  EXPECT_EQ(p[0].flags, 0);
  EXPECT_EQ(p[255].blue, 255);
  EXPECT_EQ(p[255].flags, 0);
  EXPECT_EQ(p[1].flags, 4);
  EXPECT_EQ(p[254].flags, 4);
}

TEST(FrameFormatTest, TwentyStaticColoursAndRepeatsOfTheUpperBlock) {
  auto p = Grey();
  p[100] = p[250];  // repeats an upper static colour
  p[101] = p[5];    // repeats a lower one only: not reserved
  mg::MarkStaticColours(p, 20, false);
  for (int j = 0; j < 10; ++j) EXPECT_EQ(p[j].flags, 0) << j;
  for (int j = 246; j < 256; ++j) EXPECT_EQ(p[j].flags, 0) << j;
  EXPECT_EQ(p[10].flags, 4);
  EXPECT_EQ(p[245].flags, 4);
  EXPECT_EQ(p[100].flags, 1);
  EXPECT_EQ(p[101].flags, 4);

  const auto format = mg::MakeFrameFormat(8, 8, 8, p, true);
  ASSERT_EQ(format.size(), 40u + 1024u);
  const auto* table = reinterpret_cast<const mg::RgbQuad*>(format.data() + 40);
  EXPECT_EQ(table[100].rgbRed, 250);
  EXPECT_EQ(table[100].rgbReserved, 1);
  EXPECT_EQ(table[255].rgbRed, 255);
}

TEST(FrameFormatTest, EndsKeepTheirColoursWhenNotForced) {
  auto p = Grey();
  p[0] = {7, 8, 9, 0};
  p[255] = {1, 2, 3, 0};
  mg::MarkStaticColours(p, 2, true, /*forceBlackWhite=*/false);
  EXPECT_EQ(p[0].red, 7);
  EXPECT_EQ(p[255].blue, 3);
  EXPECT_EQ(p[0].flags, 0);
  EXPECT_EQ(p[255].flags, 0);
  EXPECT_EQ(p[128].flags, 4);
}

TEST(FrameFormatTest, NoStaticColoursMeansEveryMiddleEntryIsNoCollapse) {
  auto p = Grey();
  mg::MarkStaticColours(p, 0, false);
  EXPECT_EQ(p[0].flags, 4) << "with no static block even the ends are ordinary";
  EXPECT_EQ(p[0].red, 0);
  EXPECT_EQ(p[255].red, 255);
}

}  // namespace
