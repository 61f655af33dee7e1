// Drawing the cursor into frames of each depth, clipped at the frame's edges.
#include <gtest/gtest.h>

#include <vector>

#include "capture/cursor_blend.h"

namespace {

mg::CursorImage Solid(std::vector<uint32_t>& pixels, int w, int h, uint32_t argb) {
  pixels.assign(static_cast<size_t>(w * h), argb);
  return mg::CursorImage{w, h, 0, 0, pixels.data(), 1};
}

TEST(CursorBlendTest, ClipsAtEveryEdge32Bit) {
  std::vector<uint32_t> frame(10 * 10, 0);
  mg::FrameView view{
      reinterpret_cast<uint8_t*>(frame.data()), 10, 10, 40, 32, 0xff0000, 0xff00, 0xff};
  std::vector<uint32_t> px;
  const auto cursor = Solid(px, 4, 4, 0xff112233);
  mg::DrawCursor(view, cursor, -2, -2);  // only its lower right quarter is inside
  mg::DrawCursor(view, cursor, 8, 8);    // only its upper left quarter
  mg::DrawCursor(view, cursor, 20, 0);   // wholly outside: nothing
  int painted = 0;
  for (uint32_t p : frame) painted += (p & 0xffffff) == 0x112233;
  EXPECT_EQ(painted, 8);
  EXPECT_EQ(frame[0] & 0xffffff, 0x112233u);
  EXPECT_EQ(frame[1 * 10 + 1] & 0xffffff, 0x112233u);
  EXPECT_EQ(frame[2 * 10 + 2], 0u);
  EXPECT_EQ(frame[9 * 10 + 9] & 0xffffff, 0x112233u);
}

TEST(CursorBlendTest, TranslucentPixelsBlendOverTheScreen) {
  uint32_t pixel = 0x00ffffff;  // white under the cursor
  mg::FrameView view{reinterpret_cast<uint8_t*>(&pixel), 1, 1, 4, 32, 0xff0000, 0xff00, 0xff};
  std::vector<uint32_t> px;
  // Half-transparent black, premultiplied: the white below shows at half strength.
  mg::DrawCursor(view, Solid(px, 1, 1, 0x80000000), 0, 0);
  EXPECT_NEAR(static_cast<int>(pixel & 0xff), 127, 1);
  pixel = 0x00ffffff;
  mg::DrawCursor(view, Solid(px, 1, 1, 0x00000000), 0, 0);
  EXPECT_EQ(pixel, 0x00ffffffu) << "transparent pixels leave the screen alone";
}

TEST(CursorBlendTest, SixteenBitFramesUseFiveSixFive) {
  std::vector<uint16_t> frame(4, 0);
  mg::FrameView view{reinterpret_cast<uint8_t*>(frame.data()), 2, 2, 4, 16, 0xf800, 0x07e0, 0x001f};
  std::vector<uint32_t> px;
  mg::DrawCursor(view, Solid(px, 1, 1, 0xffff0000), 1, 0);  // opaque red
  mg::DrawCursor(view, Solid(px, 1, 1, 0xff00ff00), 0, 1);  // opaque green
  EXPECT_EQ(frame[1], 0xf800);
  EXPECT_EQ(frame[2], 0x07e0);
  EXPECT_EQ(frame[0], 0);
}

TEST(CursorBlendTest, PaletteFramesTakeTheNearestColour) {
  std::vector<mg::RgbQuad> table(256);
  table[3] = {0, 0, 250, 0};      // nearly pure red
  table[7] = {250, 250, 250, 0};  // nearly white
  mg::NearestColour nearest;
  nearest.Build(table.data(), 256);
  std::vector<uint8_t> frame(4 * 2, 0);
  mg::FrameView view{frame.data(), 3, 2, 4, 8, 0, 0, 0, table.data(), &nearest};
  std::vector<uint32_t> px;
  mg::DrawCursor(view, Solid(px, 1, 1, 0xffff0000), 0, 0);
  mg::DrawCursor(view, Solid(px, 1, 1, 0xffffffff), 2, 1);
  EXPECT_EQ(frame[0], 3);
  EXPECT_EQ(frame[4 + 2], 7);
  EXPECT_EQ(frame[1], 0);
}

}  // namespace
