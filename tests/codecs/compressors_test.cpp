// Every installed compressor on synthetic screen frames in every depth it takes, both row
// orders, decoded back through libavcodec and compared with what went in.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/compressor_registry.h"
#include "codecs/video_compressor.h"
#include "tests/codecs/codec_fixtures.h"

namespace mgtest {
namespace {

using mg::CompressorSettings;
using mg::MakeFourcc;

struct Encoded {
  int32_t rc = 0;  // of the first failing call
  std::vector<uint8_t> format;
  std::vector<StreamPacket> packets;
  std::vector<bool> keys;
};

Encoded EncodeFrames(uint32_t fcc, const CompressorSettings& settings,
                     const std::vector<uint8_t>& format,
                     const std::vector<std::vector<uint8_t>>& frames) {
  Encoded e;
  std::unique_ptr<mg::IVideoCompressor> c;
  mg::InputFrameFormat input;
  if ((e.rc = mg::MakeVideoCompressor(fcc, settings, &c)) != 0) return e;
  if ((e.rc = mg::ParseFrameFormat(format.data(), static_cast<int32_t>(format.size()), settings,
                                   &input)) != 0) {
    return e;
  }
  if ((e.rc = c->SetInputFormat(input)) != 0) return e;
  e.format = c->OutputFormat();
  for (const auto& f : frames) {
    mg::CompressedFrame out;
    if ((e.rc = c->Compress(f.data(), f.size(), &out)) != 0) return e;
    e.packets.push_back({std::vector<uint8_t>(out.data, out.data + out.size), {}});
    e.keys.push_back(out.keyFrame);
  }
  return e;
}

struct Case {
  const char* fcc;
  bool lossless;     // decoded pixels equal the input at its precision
  double meanLimit;  // lossy: mean per-channel error allowed at quality 75 %
};

const Case kCases[] = {
    {"MSVC", false, 10.0}, {"DIB ", true, 0}, {"ZMBV", true, 0},    {"FFV1", true, 0},
    {"ULRG", true, 0},     {"HFYU", true, 0}, {"MJPG", false, 8.0}, {"H264", false, 6.0},
};

std::string Name(Packing p) {
  switch (p) {
    case Packing::k8:
      return "8-bit";
    case Packing::k555:
      return "16-bit 555";
    case Packing::k565:
      return "16-bit 565";
    case Packing::k24:
      return "24-bit";
    case Packing::k32:
      return "32-bit";
  }
  return "?";
}

TEST(CompressorRegistry, ListsOurOwnFirstInAStableOrderWithUniqueCodes) {
  const auto& list = mg::InstalledCompressors();
  ASSERT_GE(list.size(), 3u);
  size_t i = 0;
  if (list[0].fccHandler == MakeFourcc("MSVC")) ++i;
  EXPECT_EQ(list[i].fccHandler, MakeFourcc("MRLE"));
  EXPECT_EQ(list[i + 1].fccHandler, MakeFourcc("DIB "));
  for (size_t a = 0; a < list.size(); ++a) {
    EXPECT_FALSE(list[a].description.empty());
    for (size_t b = a + 1; b < list.size(); ++b) EXPECT_NE(list[a].fccHandler, list[b].fccHandler);
    std::unique_ptr<mg::IVideoCompressor> c;
    EXPECT_EQ(mg::MakeVideoCompressor(list[a].fccHandler, {}, &c), mg::kAviErrOk)
        << list[a].description;
  }
  EXPECT_EQ(&mg::InstalledCompressors(), &list);
  std::unique_ptr<mg::IVideoCompressor> none;
  EXPECT_EQ(mg::MakeVideoCompressor(MakeFourcc("XXXX"), {}, &none), mg::kAviErrNoCompressor);
  EXPECT_EQ(none, nullptr);
}

// Each compressor, each depth, both row orders, an even and an odd size.
TEST(Compressors, DecodedFramesMatchTheInput) {
  const Packing packings[] = {Packing::k8, Packing::k555, Packing::k565, Packing::k24,
                              Packing::k32};
  const int sizes[][2] = {{64, 48}, {321, 241}};
  for (const Case& cs : kCases) {
    if (!mg::FindCompressor(MakeFourcc(cs.fcc))) {
      ADD_FAILURE() << cs.fcc << " is not installed";
      continue;
    }
    for (Packing packing : packings) {
      for (const auto& size : sizes) {
        for (bool topDown : {false, true}) {
          const int w = size[0], h = size[1];
          SCOPED_TRACE(std::string(cs.fcc) + " " + Name(packing) + " " + std::to_string(w) + "x" +
                       std::to_string(h) + (topDown ? " top-down" : " bottom-up"));
          CompressorSettings s;
          s.topDownInput = topDown;
          s.keyFrameEvery = 3;
          if (packing == Packing::k565) {
            s.inputRedMask = 0xF800, s.inputGreenMask = 0x07E0, s.inputBlueMask = 0x001F;
          }
          std::vector<std::vector<uint8_t>> frames;
          std::vector<Picture> expect;
          for (int i = 0; i < 4; ++i) {
            if (packing == Packing::k8) {
              const auto idx = IndexedPicture(w, h, i);
              frames.push_back(PackIndexed(idx, w, h, topDown));
              expect.push_back(FromIndices(idx, w, h, TestPalette()));
            } else {
              expect.push_back(ScreenPicture(w, h, i));
              frames.push_back(Pack(expect.back(), packing, topDown));
            }
          }
          const Encoded e = EncodeFrames(MakeFourcc(cs.fcc), s, FrameFormat(w, h, packing), frames);
          ASSERT_EQ(e.rc, mg::kAviErrOk);
          mg::BitmapInfoHeader out;
          std::memcpy(&out, e.format.data(), 40);
          EXPECT_GE(out.biWidth, w);
          EXPECT_GE(out.biHeight, h);
          std::vector<DecodedFrame> decoded;
          std::string error;
          ASSERT_TRUE(DecodeStream(e.format, e.packets, &decoded, &error)) << error;
          // 16-bit uncompressed frames are stored as 5-5-5, so 565 input keeps 5 bits of green.
          Packing precision = packing == Packing::k8 ? Packing::k32 : packing;
          if (packing == Packing::k565 && std::string(cs.fcc) == "DIB ") precision = Packing::k555;
          for (size_t i = 0; i < decoded.size(); ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            EXPECT_EQ(decoded[i].width, out.biWidth);
            EXPECT_EQ(decoded[i].height, out.biHeight);
            if (cs.lossless) {
              EXPECT_EQ(MaxError(decoded[i], expect[i], precision), 0);
            } else {
              // 8-bit pictures hold a patch of noise, which lossy coding smears most.
              // 16-bit input has already lost up to 7 of 255 in each channel.
              double limit = packing == Packing::k8 ? 2.5 * cs.meanLimit : cs.meanLimit;
              if (packing == Packing::k555 || packing == Packing::k565) limit += 4;
              EXPECT_LT(MeanError(decoded[i], expect[i]), limit);
              // The corners stay where they are: top-left red, bottom-right green.
              EXPECT_GT(decoded[i].Pixel(3, 3) >> 16 & 0xFF, 180u);
              EXPECT_GT(decoded[i].Pixel(w - 4, h - 4) >> 8 & 0xFF, 180u);
            }
          }
        }
      }
    }
  }
}

// Ut Video at small odd sizes and odd-by-odd ones: whole frames that decode to what was coded.
TEST(UtVideo, OddAndEvenSizesDecodeToTheInput) {
  const int sizes[][2] = {{1, 1},   {3, 3}, {5, 7}, {7, 5},     {15, 15},
                          {33, 17}, {2, 3}, {3, 2}, {161, 121}, {639, 479}};
  for (const auto& size : sizes) {
    const int w = size[0], h = size[1];
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    CompressorSettings s;
    s.topDownInput = true;
    std::vector<std::vector<uint8_t>> frames;
    std::vector<Picture> expect;
    for (int i = 0; i < 2; ++i) {
      expect.push_back(ScreenPicture(w, h, i));
      frames.push_back(Pack(expect.back(), Packing::k32, true));
    }
    const Encoded e = EncodeFrames(MakeFourcc("ULRG"), s, FrameFormat(w, h, Packing::k32), frames);
    ASSERT_EQ(e.rc, mg::kAviErrOk);
    std::vector<DecodedFrame> decoded;
    std::string error;
    ASSERT_TRUE(DecodeStream(e.format, e.packets, &decoded, &error)) << error;
    ASSERT_EQ(decoded.size(), 2u);
    for (size_t i = 0; i < decoded.size(); ++i) EXPECT_EQ(MaxError(decoded[i], expect[i]), 0);
  }
}

// Padding for block-based encoders repeats the last column and row instead of showing garbage.
TEST(Compressors, MsvcPadsOddSizesWithTheEdgePixels) {
  const int w = 321, h = 241;
  const Picture pic = ScreenPicture(w, h, 0);
  const Encoded e = EncodeFrames(MakeFourcc("MSVC"), {}, FrameFormat(w, h, Packing::k32),
                                 {Pack(pic, Packing::k32, false)});
  ASSERT_EQ(e.rc, mg::kAviErrOk);
  mg::BitmapInfoHeader out;
  std::memcpy(&out, e.format.data(), 40);
  EXPECT_EQ(out.biWidth, 324);
  EXPECT_EQ(out.biHeight, 244);
  EXPECT_EQ(out.biCompression, MakeFourcc("MSVC"));
  std::vector<DecodedFrame> decoded;
  std::string error;
  ASSERT_TRUE(DecodeStream(e.format, e.packets, &decoded, &error)) << error;
  // The bottom-right corner mark is green; its copies fill the padding.
  EXPECT_GT(decoded[0].Pixel(323, 243) >> 8 & 0xFF, 200u);
  EXPECT_LT(decoded[0].Pixel(323, 243) >> 16 & 0xFF, 60u);
}

// 565 pixels from a 16-bit X display must keep their colours: pure red, green and blue.
TEST(Compressors, Rgb565InputKeepsItsColours) {
  const int w = 16, h = 8;
  Picture pic;
  pic.width = w;
  pic.height = h;
  pic.rgb.resize(w * h);
  // Solid 4x4 blocks, so that block coders can keep every colour.
  auto colourIndex = [w](int i) { return (i % w / 4 + i / w / 4) % 3; };
  for (int i = 0; i < w * h; ++i) {
    pic.rgb[i] = colourIndex(i) == 0 ? 0xF80000 : colourIndex(i) == 1 ? 0x00FC00 : 0x0000F8;
  }
  CompressorSettings s;
  s.topDownInput = true;
  s.inputRedMask = 0xF800, s.inputGreenMask = 0x07E0, s.inputBlueMask = 0x001F;
  for (const char* fcc : {"DIB ", "ZMBV", "FFV1", "MSVC"}) {
    SCOPED_TRACE(fcc);
    const Encoded e = EncodeFrames(MakeFourcc(fcc), s, FrameFormat(w, h, Packing::k565),
                                   {Pack(pic, Packing::k565, true)});
    ASSERT_EQ(e.rc, mg::kAviErrOk);
    std::vector<DecodedFrame> d;
    std::string error;
    ASSERT_TRUE(DecodeStream(e.format, e.packets, &d, &error)) << error;
    for (int i = 0; i < w * h; ++i) {
      const uint32_t px = d[0].Pixel(i % w, i / w);
      const int r = px >> 16 & 0xFF, g = px >> 8 & 0xFF, b = px & 0xFF;
      if (colourIndex(i) == 0) {
        EXPECT_TRUE(r > 240 && g < 16 && b < 16) << std::hex << px;
      }
      if (colourIndex(i) == 1) {
        EXPECT_TRUE(g > 240 && r < 16 && b < 16) << std::hex << px;
      }
      if (colourIndex(i) == 2) {
        EXPECT_TRUE(b > 240 && r < 16 && g < 16) << std::hex << px;
      }
    }
  }
}

// Readers take the fourth byte of a 32-bit uncompressed pixel for alpha: whatever the X server
// left in it, the movie must say "opaque" there, in both row orders and both byte orders.
TEST(Compressors, UncompressedThirtyTwoBitFramesAreOpaque) {
  const int w = 5, h = 3;
  for (bool redFirst : {false, true}) {
    for (bool topDown : {false, true}) {
      SCOPED_TRACE(std::string(redFirst ? "red first" : "blue first") +
                   (topDown ? " top-down" : " bottom-up"));
      CompressorSettings s;
      s.topDownInput = topDown;
      if (redFirst) s.inputRedMask = 0xFF, s.inputGreenMask = 0xFF00, s.inputBlueMask = 0xFF0000;
      std::vector<uint8_t> frame(static_cast<size_t>(w) * h * 4);
      for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = i % 4 == 3 ? (i % 8 == 3 ? 0 : 0x5A) : static_cast<uint8_t>(i * 7);
      const Encoded e =
          EncodeFrames(MakeFourcc("DIB "), s, FrameFormat(w, h, Packing::k32), {frame});
      ASSERT_EQ(e.rc, mg::kAviErrOk);
      ASSERT_EQ(e.packets.size(), 1u);
      const std::vector<uint8_t>& out = e.packets[0].data;
      ASSERT_EQ(out.size(), frame.size());
      for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x) {
          // Output rows run bottom-up; the input's run as its order says.
          const int inRow = topDown ? h - 1 - row : row;
          const uint8_t* in = &frame[(static_cast<size_t>(inRow) * w + x) * 4];
          const uint8_t* px = &out[(static_cast<size_t>(row) * w + x) * 4];
          EXPECT_EQ(px[3], 0xFF) << "pixel " << x << "," << row;
          EXPECT_EQ(px[0], redFirst ? in[2] : in[0]);
          EXPECT_EQ(px[1], in[1]);
          EXPECT_EQ(px[2], redFirst ? in[0] : in[2]);
        }
    }
  }
}

TEST(Compressors, KeyFramesComeAtTheChosenInterval) {
  const int w = 64, h = 48;
  std::vector<std::vector<uint8_t>> frames, indexed;
  for (int i = 0; i < 12; ++i) {
    frames.push_back(Pack(ScreenPicture(w, h, i), Packing::k32, false));
    indexed.push_back(PackIndexed(IndexedPicture(w, h, i), w, h, false));
  }
  for (const char* fcc : {"MSVC", "MRLE", "ZMBV", "H264"}) {
    for (uint32_t every : {0u, 1u, 5u}) {
      SCOPED_TRACE(std::string(fcc) + " every " + std::to_string(every));
      CompressorSettings s;
      s.keyFrameEvery = every;
      const bool rle = std::string(fcc) == "MRLE";
      const Encoded e =
          EncodeFrames(MakeFourcc(fcc), s, FrameFormat(w, h, rle ? Packing::k8 : Packing::k32),
                       rle ? indexed : frames);
      ASSERT_EQ(e.rc, mg::kAviErrOk);
      for (size_t i = 0; i < e.keys.size(); ++i) {
        const bool want = i == 0 || (every != 0 && i % every == 0);
        EXPECT_EQ(e.keys[i], want) << "frame " << i;
      }
    }
  }
  for (const char* fcc : {"DIB ", "FFV1", "ULRG", "MJPG"}) {
    CompressorSettings s;
    s.keyFrameEvery = 5;
    const Encoded e = EncodeFrames(MakeFourcc(fcc), s, FrameFormat(w, h, Packing::k32), frames);
    ASSERT_EQ(e.rc, mg::kAviErrOk);
    for (bool key : e.keys) EXPECT_TRUE(key) << fcc;
  }
}

TEST(Compressors, QualityChangesLossyOutput) {
  const int w = 160, h = 120;
  const auto frame = Pack(ScreenPicture(w, h, 0), Packing::k32, false);
  for (const char* fcc : {"MJPG", "H264"}) {
    CompressorSettings low, high;
    low.quality = 1000;
    high.quality = 9500;
    const Encoded a = EncodeFrames(MakeFourcc(fcc), low, FrameFormat(w, h, Packing::k32), {frame});
    const Encoded b = EncodeFrames(MakeFourcc(fcc), high, FrameFormat(w, h, Packing::k32), {frame});
    ASSERT_EQ(a.rc, 0);
    ASSERT_EQ(b.rc, 0);
    EXPECT_LT(a.packets[0].data.size(), b.packets[0].data.size()) << fcc;
  }
}

TEST(Compressors, FormatsACompressorCannotTakeFailAtSetFormat) {
  // MRLE takes 8-bit frames only.
  for (Packing p : {Packing::k555, Packing::k24, Packing::k32}) {
    const Encoded e = EncodeFrames(MakeFourcc("MRLE"), {}, FrameFormat(32, 8, p), {});
    EXPECT_EQ(e.rc, mg::kAviErrBadFormat) << Name(p);
  }
  // 4-bit frames: only "DIB " stores them.
  std::vector<uint8_t> fmt4 = FrameFormat(32, 8, Packing::k8);
  mg::BitmapInfoHeader h;
  std::memcpy(&h, fmt4.data(), 40);
  h.biBitCount = 4;
  h.biClrUsed = 16;
  std::memcpy(fmt4.data(), &h, 40);
  fmt4.resize(40 + 64);
  for (const auto& info : mg::InstalledCompressors()) {
    const Encoded e = EncodeFrames(info.fccHandler, {}, fmt4, {std::vector<uint8_t>(16 * 8)});
    if (info.fccHandler == MakeFourcc("DIB ")) {
      EXPECT_EQ(e.rc, mg::kAviErrOk);
    } else {
      EXPECT_EQ(e.rc, mg::kAviErrBadFormat) << info.description;
    }
  }
  // Unknown colour masks, a compressed input, a colour table that is cut short, a short frame.
  CompressorSettings odd;
  odd.inputRedMask = 0x1F, odd.inputGreenMask = 0x3E0, odd.inputBlueMask = 0x7C00;
  EXPECT_EQ(EncodeFrames(MakeFourcc("MSVC"), odd, FrameFormat(32, 8, Packing::k555), {}).rc,
            mg::kAviErrBadFormat);
  std::vector<uint8_t> rle = FrameFormat(32, 8, Packing::k8);
  rle[16] = 1;  // biCompression = BI_RLE8
  EXPECT_EQ(EncodeFrames(MakeFourcc("DIB "), {}, rle, {}).rc, mg::kAviErrBadFormat);
  std::vector<uint8_t> cut = FrameFormat(32, 8, Packing::k8);
  cut.resize(40 + 100);
  EXPECT_EQ(EncodeFrames(MakeFourcc("MRLE"), {}, cut, {}).rc, mg::kAviErrBadFormat);
  for (const char* fcc : {"DIB ", "MRLE", "MSVC"}) {
    const Encoded e = EncodeFrames(MakeFourcc(fcc), {}, FrameFormat(32, 8, Packing::k8),
                                   {std::vector<uint8_t>(32 * 8 - 1)});
    EXPECT_EQ(e.rc, mg::kAviErrBadSize) << fcc;
  }
}

}  // namespace
}  // namespace mgtest
