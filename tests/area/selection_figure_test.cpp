// The overlay's figures and the size label's text and place, pixel for pixel.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "area/selection_figure.h"

namespace {

using mg::ScreenPoint;
using mg::WinRect;

std::set<std::pair<int, int>> Pixels(const std::vector<WinRect>& rects) {
  std::set<std::pair<int, int>> pixels;
  for (const WinRect& r : rects)
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        EXPECT_TRUE(pixels.insert({x, y}).second) << "pixel drawn twice: " << x << "," << y;
  return pixels;
}

void ExpectRect(const WinRect& r, int l, int t, int right, int b) {
  EXPECT_EQ(r.left, l);
  EXPECT_EQ(r.top, t);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, b);
}

TEST(SizeLabel, TextCountsThePixelsBetweenTheCornersWhicheverWayTheBandWasDrawn) {
  EXPECT_EQ(mg::SizeLabelText({10, 10}, {10, 10}), "1x1");
  EXPECT_EQ(mg::SizeLabelText({300, 200}, {500, 350}), "201x151");
  EXPECT_EQ(mg::SizeLabelText({500, 350}, {300, 200}), "201x151");
}

TEST(SizeLabel, GoesInTheMiddleOfABandWiderOrHigherThanTheTextBy24) {
  // 100 - 24 = 76 > 40: centred, (100 + 200 - 40) / 2 = 130, (100 + 110 - 8) / 2 = 101.
  ExpectRect(mg::PlaceSizeLabel({100, 100}, {200, 110}, 40, 8, 640, 480), 130, 101, 170, 109);
  // Narrow but high enough: centred too, and drawn past the band's sides.
  ExpectRect(mg::PlaceSizeLabel({100, 100}, {110, 200}, 40, 8, 640, 480), 85, 146, 125, 154);
  // Integer division toward zero on odd sums.
  ExpectRect(mg::PlaceSizeLabel({0, 0}, {101, 51}, 40, 8, 640, 480), 30, 21, 70, 29);
}

TEST(SizeLabel, GoesOutsideTheTopLeftCornerOfASmallBandOrPastItsEdgesNearTheScreensEdge) {
  // 30 - 24 = 6 is not > 40, 20 - 24 = -4 is not > 8: outside, above and to the left.
  ExpectRect(mg::PlaceSizeLabel({100, 100}, {130, 120}, 40, 8, 640, 480), 60, 92, 100, 100);
  // left < 40: to the right of the band; top < 8: below it.
  ExpectRect(mg::PlaceSizeLabel({30, 5}, {60, 25}, 40, 8, 640, 480), 60, 25, 100, 33);
  // A 1 x 1 band at the origin.
  ExpectRect(mg::PlaceSizeLabel({0, 0}, {0, 0}, 24, 8, 640, 480), 0, 0, 24, 8);
}

TEST(SizeLabel, StaysOnTheScreen) {
  // Centred on a band at the right edge, it would stick out: it ends at the edge instead.
  ExpectRect(mg::PlaceSizeLabel({635, 100}, {639, 200}, 40, 8, 640, 480), 600, 146, 640, 154);
  ExpectRect(mg::PlaceSizeLabel({0, 100}, {4, 200}, 40, 8, 640, 480), 0, 146, 40, 154);
  // Right of and below a band near the corner of a small screen.
  ExpectRect(mg::PlaceSizeLabel({10, 2}, {12, 4}, 40, 8, 50, 10), 10, 2, 50, 10);
}

TEST(CrossHair, SpansTheScreenThroughThePointLeavingTheCrossingPixel) {
  const auto pixels = Pixels(mg::CrossFigure({3, 2}, 8, 6));
  EXPECT_EQ(pixels.size(), 7u + 5u);
  EXPECT_FALSE(pixels.count({3, 2})) << "two inverting lines leave the crossing as it was";
  for (int x = 0; x < 8; ++x) EXPECT_EQ(pixels.count({x, 2}), x == 3 ? 0u : 1u) << x;
  for (int y = 0; y < 6; ++y) EXPECT_EQ(pixels.count({3, y}), y == 2 ? 0u : 1u) << y;
  // At the screen's corner.
  EXPECT_EQ(Pixels(mg::CrossFigure({0, 0}, 8, 6)).size(), 7u + 5u);
  EXPECT_EQ(Pixels(mg::CrossFigure({7, 5}, 8, 6)).size(), 7u + 5u);
}

TEST(Band, OutlinesBothCornersPixelsWhicheverWayItWasDrawn) {
  const auto down = Pixels(mg::BandFigure({2, 3}, {6, 7}));
  EXPECT_EQ(down, Pixels(mg::BandFigure({6, 7}, {2, 3})));
  EXPECT_EQ(down, Pixels(mg::BandFigure({2, 7}, {6, 3})));
  EXPECT_EQ(down.size(), 16u);  // a 5 x 5 ring
  EXPECT_TRUE(down.count({2, 3}) && down.count({6, 7}) && down.count({6, 3}) && down.count({2, 7}));
  EXPECT_FALSE(down.count({4, 5}));
  // Thin bands are still seen.
  EXPECT_EQ(Pixels(mg::BandFigure({4, 4}, {4, 4})).size(), 1u);
  EXPECT_EQ(Pixels(mg::BandFigure({4, 4}, {8, 4})).size(), 5u);
  EXPECT_EQ(Pixels(mg::BandFigure({4, 4}, {4, 9})).size(), 6u);
  EXPECT_EQ(Pixels(mg::BandFigure({4, 4}, {5, 5})).size(), 4u);
}

TEST(Band, CornersComeOutOrderedAndOnePastTheLastPixel) {
  ScreenPoint a{500, 350}, c{300, 200};
  mg::OrderCorners(&a, &c);
  EXPECT_EQ(a.x, 300);
  EXPECT_EQ(a.y, 200);
  EXPECT_EQ(c.x, 501);
  EXPECT_EQ(c.y, 351);
  ScreenPoint p{7, 9}, q{7, 9};
  mg::OrderCorners(&p, &q);
  EXPECT_EQ(q.x - p.x, 1);
  EXPECT_EQ(q.y - p.y, 1);
}

TEST(WindowHighlight, IsAFrameFivePixelsThickCentredOnTheRectanglesOutline) {
  const auto pixels = Pixels(mg::HighlightFigure({10, 20, 30, 50}));
  // Outer edge 2 pixels outside, inner edge 3 inside.
  for (int x = 8; x <= 32; ++x) {
    EXPECT_TRUE(pixels.count({x, 18}) && pixels.count({x, 22}) && pixels.count({x, 52})) << x;
    EXPECT_FALSE(pixels.count({x, 17}) || pixels.count({x, 53})) << x;
  }
  EXPECT_TRUE(pixels.count({12, 35}) && pixels.count({28, 35}));
  EXPECT_FALSE(pixels.count({13, 35}) || pixels.count({27, 35}) || pixels.count({7, 35}));
  EXPECT_EQ(pixels.size(), static_cast<size_t>(25 * 35 - 15 * 25));
}

}  // namespace
