// Coders told where each frame changed make the same movie as coders that look for themselves:
// a session of small changes (a moving block, typing, a scrolled band, an idle frame, a change in
// the blocks cut by the right and bottom edges, more changed places than a region keeps, a key
// frame, a new colour table) coded with exact hints and without, both decoded by libavcodec.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "codecs/video_compressor.h"
#include "tests/codecs/codec_fixtures.h"

namespace mgtest {
namespace {

constexpr int kWidth = 203;  // neither a multiple of 4 nor of 16, nor even
constexpr int kHeight = 77;
constexpr int kKeyEvery = 8;

struct Step {
  std::vector<uint8_t> indices;  // the picture, as indices into TestPalette(paletteShift)
  int paletteShift = 0;
  mg::ChangedRegion changed;  // the hint: where the picture differs from the step before
};

void Fill(Step* s, int x0, int y0, int x1, int y1, const std::function<uint8_t(int, int)>& colour) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) s->indices[static_cast<size_t>(y) * kWidth + x] = colour(x, y);
  s->changed.Add(mg::WinRect{x0, y0, x1, y1});
}

std::function<uint8_t(int, int)> Solid(uint8_t index) {
  return [index](int, int) { return index; };
}

// An 8x16 character cell: strokes in ink 0 on paper 215.
std::function<uint8_t(int, int)> Glyph(uint32_t seed) {
  return [seed](int x, int y) {
    const uint32_t h = (static_cast<uint32_t>(x % 8) * 40503u ^ static_cast<uint32_t>(y) * 977u) +
                       seed * 2654435761u;
    return (y % 16 > 2 && y % 16 < 13 && (h >> 7) % 3 == 0) ? uint8_t{0} : uint8_t{215};
  };
}

std::vector<Step> Session() {
  std::vector<Step> steps(1);
  steps[0].indices = IndexedPicture(kWidth, kHeight, 0);
  steps[0].changed = mg::ChangedRegion::Everything();
  const std::vector<uint8_t> backdrop = steps[0].indices;
  const auto next = [&](const std::function<void(Step&)>& change) {
    Step n = steps.back();
    n.changed.Clear();
    change(n);
    steps.push_back(std::move(n));
  };
  const auto restore = [&](int x, int y) { return backdrop[static_cast<size_t>(y) * kWidth + x]; };
  next([&](Step& n) { Fill(&n, 20, 20, 32, 30, Solid(200)); });  // a block appears
  next([&](Step& n) {                                            // and moves
    Fill(&n, 20, 20, 32, 30, restore);
    Fill(&n, 27, 23, 39, 33, Solid(200));
  });
  next([&](Step& n) {  // three characters typed, the text cursor after them
    for (int k = 0; k < 3; ++k) Fill(&n, 60 + 8 * k, 40, 68 + 8 * k, 56, Glyph(k));
    Fill(&n, 84, 40, 86, 56, Solid(0));
  });
  next([](Step&) {});  // nothing
  next([&](Step& n) {  // a band scrolls up three lines
    const std::vector<uint8_t> before = n.indices;
    Fill(&n, 0, 50, kWidth, 70,
         [&](int x, int y) { return before[static_cast<size_t>(y + 3) * kWidth + x]; });
  });
  next([&](Step& n) { Fill(&n, kWidth - 5, kHeight - 3, kWidth, kHeight, Solid(17)); });
  next([&](Step& n) {  // a line of twenty characters far apart: more places than a region keeps
    for (int k = 0; k < 20; ++k) Fill(&n, 2 + 10 * k, 4, 10 + 10 * k, 20, Glyph(10 + k));
  });
  next([&](Step& n) {  // the key frame: told nothing changed, though a character did
    Fill(&n, 100, 56, 108, 72, Glyph(99));
    n.changed.Clear();
  });
  next([](Step& n) { n.paletteShift = 5; });  // new colours for 8-bit input, the same indices
  next([&](Step& n) {
    Fill(&n, 27, 23, 39, 33, restore);
    Fill(&n, 150, 30, 162, 40, Solid(200));
  });
  next([](Step&) {});
  return steps;
}

// What the coders were given: 8-bit input takes the colour table changes, other depths show the
// indices in the first table throughout (their pictures do not change with it).
Picture Shown(const Step& s, Packing packing) {
  return FromIndices(s.indices, kWidth, kHeight,
                     TestPalette(packing == Packing::k8 ? s.paletteShift : 0));
}

struct Coded {
  std::vector<uint8_t> format;
  std::vector<StreamPacket> packets;
};

Coded Code(const char* fcc, Packing packing, bool topDown, const std::vector<Step>& steps,
           bool hinted) {
  mg::CompressorSettings s;
  s.topDownInput = topDown;
  s.keyFrameEvery = kKeyEvery;
  std::unique_ptr<mg::IVideoCompressor> c;
  EXPECT_EQ(mg::MakeVideoCompressor(mg::MakeFourcc(fcc), s, &c), mg::kAviErrOk);
  if (!c) return {};
  const std::vector<uint8_t> format = FrameFormat(kWidth, kHeight, packing);
  mg::InputFrameFormat in;
  EXPECT_EQ(mg::ParseFrameFormat(format.data(), static_cast<int32_t>(format.size()), s, &in),
            mg::kAviErrOk);
  EXPECT_EQ(c->SetInputFormat(in), mg::kAviErrOk);
  Coded out;
  out.format = c->OutputFormat();
  for (size_t i = 0; i < steps.size(); ++i) {
    StreamPacket packet;
    if (packing == Packing::k8 && i > 0 && steps[i].paletteShift != steps[i - 1].paletteShift) {
      EXPECT_EQ(c->SetColourTable(TestPalette(steps[i].paletteShift)), mg::kAviErrOk);
      if (c->PalettizedOutput()) packet.newPalette = TestPalette(steps[i].paletteShift);
    }
    const std::vector<uint8_t> pixels =
        packing == Packing::k8 ? PackIndexed(steps[i].indices, kWidth, kHeight, topDown)
                               : Pack(Shown(steps[i], packing), packing, topDown);
    if (hinted && i > 0) c->HintChanged(steps[i].changed);
    mg::CompressedFrame frame;
    EXPECT_EQ(c->Compress(pixels.data(), pixels.size(), &frame), mg::kAviErrOk) << i;
    EXPECT_EQ(frame.keyFrame, i % kKeyEvery == 0) << i;
    packet.data.assign(frame.data, frame.data + frame.size);
    out.packets.push_back(std::move(packet));
  }
  return out;
}

std::vector<DecodedFrame> Decode(const Coded& c, size_t from = 0) {
  std::vector<StreamPacket> packets(c.packets.begin() + static_cast<ptrdiff_t>(from),
                                    c.packets.end());
  std::vector<DecodedFrame> frames;
  std::string error;
  EXPECT_TRUE(DecodeStream(c.format, packets, &frames, &error)) << error;
  return frames;
}

TEST(HintedCoding, ExactHintsDecodeToTheSamePicturesAsNoHints) {
  struct Case {
    const char* fcc;
    Packing packing;
    bool topDown;
    bool lossless;
    bool inter = false;  // unchanged frames become null frames
  };
  const Case cases[] = {
      {"MSVC", Packing::k32, true, false},        {"MSVC", Packing::k8, false, false},
      {"ZMBV", Packing::k32, true, true},         {"ZMBV", Packing::k32, false, true},
      {"ZMBV", Packing::k8, false, true},         {"MRLE", Packing::k8, false, true},
      {"MRLE", Packing::k8, true, true},          {"H264", Packing::k32, true, false, true},
      {"H264", Packing::k32, false, false, true}, {"H264", Packing::k8, false, false, true},
  };
  const std::vector<Step> steps = Session();
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.fcc) + (k.packing == Packing::k8 ? " 8-bit" : " 32-bit") +
                 (k.topDown ? " top-down" : " bottom-up"));
    const Coded hinted = Code(k.fcc, k.packing, k.topDown, steps, true);
    const Coded plain = Code(k.fcc, k.packing, k.topDown, steps, false);
    const std::vector<DecodedFrame> a = Decode(hinted), b = Decode(plain);
    const auto nulls = std::count_if(hinted.packets.begin(), hinted.packets.end(),
                                     [](const StreamPacket& p) { return p.data.empty(); });
    EXPECT_EQ(nulls > 0, k.inter) << "the idle frame is a null frame exactly for H.264";
    ASSERT_EQ(a.size(), steps.size());
    ASSERT_EQ(b.size(), steps.size());
    for (size_t i = 0; i < steps.size(); ++i) {
      EXPECT_EQ(a[i].width, b[i].width);
      if (k.inter) {
        // Given no unchanged frame (a null frame shows the picture before), H.264 refines a
        // still picture less often: the pictures agree to within its loss.
        int worst = 0;
        for (size_t j = 0; j < a[i].rgb.size() && j < b[i].rgb.size(); ++j)
          worst = std::max(worst, std::abs(int{a[i].rgb[j]} - int{b[i].rgb[j]}));
        EXPECT_LE(worst, 16) << "frame " << i;
      } else {
        EXPECT_TRUE(a[i].rgb == b[i].rgb) << "frame " << i;
      }
      if (k.lossless) {
        EXPECT_EQ(MaxError(a[i], Shown(steps[i], k.packing)), 0) << "frame " << i;
      }
    }
    // The key frame was hinted as unchanged, yet stands alone: decoded from there on, the movie
    // shows the same pictures.
    const std::vector<DecodedFrame> fromKey = Decode(hinted, kKeyEvery);
    ASSERT_EQ(fromKey.size(), steps.size() - kKeyEvery);
    for (size_t i = 0; i < fromKey.size(); ++i)
      EXPECT_TRUE(fromKey[i].rgb == a[kKeyEvery + i].rgb) << "frame " << kKeyEvery + i;
  }
}

}  // namespace
}  // namespace mgtest
