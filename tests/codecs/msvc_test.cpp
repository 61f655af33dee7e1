// Our Microsoft Video 1 compressor, decoded by libavcodec's msvideo1 decoder (directly and
// through the real AVI writer and libavformat): exact colours where the format can hold them,
// bounded error where it cannot, skips for what did not change, key frames that stand alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

#include "avi/avi_library.h"
#include "codecs/compressing_stream.h"
#include "codecs/video_compressor.h"
#include "platform/avi_file.h"
#include "tests/codecs/codec_fixtures.h"

namespace mgtest {
namespace {

using mg::CompressorSettings;
using mg::MakeFourcc;

uint32_t Hash(uint32_t v) {
  v ^= v >> 16;
  v *= 0x7feb352d;
  v ^= v >> 15;
  v *= 0x846ca68b;
  return v ^ (v >> 16);
}

Picture Paint(int width, int height, const std::function<uint32_t(int, int)>& colour) {
  Picture p;
  p.width = width;
  p.height = height;
  p.rgb.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) p.rgb[static_cast<size_t>(y) * width + x] = colour(x, y);
  }
  return p;
}

// Rectangles at odd places on a backdrop; several colours have a red of 1 in five bits.
Picture Rectangles(int width, int height, int shift) {
  const uint32_t colours[] = {0x0C4080, 0x08F8F8, 0x000000, 0xFFFFFF, 0x7B2D91, 0x0F0F0F};
  return Paint(width, height, [&](int x, int y) {
    for (int k = 0; k < 6; ++k) {
      const int x0 = 3 + 17 * k + shift, y0 = 5 + 9 * k;
      if (x >= x0 && x < x0 + 23 + 2 * k && y >= y0 && y < y0 + 14 + k) return colours[k];
    }
    return 0x0F1020u;
  });
}

// Dark strokes on a light ground in text lines: every block holds at most two colours.
Picture Text(int width, int height, uint32_t ink, uint32_t paper, uint32_t seed) {
  return Paint(width, height, [=](int x, int y) {
    if (y % 12 < 9 && Hash(static_cast<uint32_t>(x / 2 + y * 7919) ^ seed) % 4 == 0) return ink;
    return paper;
  });
}

// Smooth shading with fine noise, as in a photograph.
Picture Photo(int width, int height) {
  return Paint(width, height, [](int x, int y) {
    const uint32_t n = Hash(static_cast<uint32_t>(x * 31 + y * 17)) % 16;
    return (30 + x + n) << 16 | (20 + y + n / 2) << 8 | (200 - x / 2 + n);
  });
}

// The picture as RGB555 shows it: each channel's top five bits, widened again as decoders do.
Picture As555(const Picture& p) {
  Picture q = p;
  for (uint32_t& c : q.rgb) {
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      const uint32_t v = c >> shift & 0xF8;
      out |= (v | v >> 5) << shift;
    }
    c = out;
  }
  return q;
}

struct Movie {
  std::vector<uint8_t> format;
  std::vector<StreamPacket> packets;
  std::vector<bool> keys;
  std::vector<DecodedFrame> decoded;
};

void EncodeAndDecode(const std::vector<Picture>& pictures, Packing packing,
                     const CompressorSettings& settings, Movie* movie) {
  std::unique_ptr<mg::IVideoCompressor> c;
  ASSERT_EQ(mg::MakeVideoCompressor(MakeFourcc("MSVC"), settings, &c), mg::kAviErrOk);
  const auto format = FrameFormat(pictures[0].width, pictures[0].height, packing);
  mg::InputFrameFormat input;
  ASSERT_EQ(
      mg::ParseFrameFormat(format.data(), static_cast<int32_t>(format.size()), settings, &input),
      mg::kAviErrOk);
  ASSERT_EQ(c->SetInputFormat(input), mg::kAviErrOk);
  movie->format = c->OutputFormat();
  for (const Picture& p : pictures) {
    const auto pixels = Pack(p, packing, settings.topDownInput);
    mg::CompressedFrame out;
    ASSERT_EQ(c->Compress(pixels.data(), pixels.size(), &out), mg::kAviErrOk);
    movie->packets.push_back({std::vector<uint8_t>(out.data, out.data + out.size), {}});
    movie->keys.push_back(out.keyFrame);
  }
  std::string error;
  ASSERT_TRUE(DecodeStream(movie->format, movie->packets, &movie->decoded, &error)) << error;
}

CompressorSettings Quality(uint32_t quality, uint32_t keyEvery = 0) {
  CompressorSettings s;
  s.quality = quality;
  s.keyFrameEvery = keyEvery;
  return s;
}

// The pixel (x, y) of a picture padded to whole 4x4 blocks with its last column and row.
uint32_t Padded(const Picture& p, int x, int y) {
  return p.At(std::min(x, p.width - 1), std::min(y, p.height - 1));
}

bool BlockIsOneColour(const Picture& p, int bx, int by) {
  const uint32_t first = Padded(p, 4 * bx, 4 * by) & 0xF8F8F8;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      if ((Padded(p, 4 * bx + x, 4 * by + y) & 0xF8F8F8) != first) return false;
    }
  }
  return true;
}

// Pixels of the padded picture that differ in their top five bits of a channel from `frame`,
// counting only blocks for which `which` holds.
int WrongPixels(const DecodedFrame& frame, const Picture& p,
                const std::function<bool(int, int)>& which) {
  int wrong = 0;
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      if (!which(x / 4, y / 4)) continue;
      wrong += (frame.Pixel(x, y) & 0xF8F8F8) != (Padded(p, x, y) & 0xF8F8F8);
    }
  }
  return wrong;
}

const auto kEveryBlock = [](int, int) { return true; };

// One-colour blocks come out exact at every quality and depth, also the colours whose fill code
// would read as a skip, and also in the padding of an odd size.
TEST(MsvcCompressor, OneColourBlocksAreExactAtEveryQualityAndDepth) {
  const Picture pic = Rectangles(161, 83, 0);
  for (Packing packing : {Packing::k32, Packing::k24, Packing::k555, Packing::k565}) {
    for (uint32_t quality : {0u, 7500u, 10000u}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(packing)) + " quality " +
                   std::to_string(quality));
      CompressorSettings s = Quality(quality);
      if (packing == Packing::k565) {
        s.inputRedMask = 0xF800, s.inputGreenMask = 0x07E0, s.inputBlueMask = 0x001F;
      }
      Movie m;
      ASSERT_NO_FATAL_FAILURE(EncodeAndDecode({pic}, packing, s, &m));
      ASSERT_EQ(m.decoded[0].width, 164);
      ASSERT_EQ(m.decoded[0].height, 84);
      EXPECT_EQ(WrongPixels(m.decoded[0], pic,
                            [&](int bx, int by) { return BlockIsOneColour(pic, bx, by); }),
                0);
    }
  }
  // 8-bit frames through their colour table (index 216 is a grey with five-bit channels of 1).
  std::vector<uint8_t> idx(96 * 40);
  for (size_t i = 0; i < idx.size(); ++i) idx[i] = static_cast<uint8_t>(i % 96 / 8 * 19 + 216);
  const Picture want = FromIndices(idx, 96, 40, TestPalette());
  for (bool topDown : {false, true}) {
    std::unique_ptr<mg::IVideoCompressor> c;
    ASSERT_EQ(mg::MakeVideoCompressor(MakeFourcc("MSVC"), {}, &c), mg::kAviErrOk);
    CompressorSettings s;
    s.topDownInput = topDown;
    const auto format = FrameFormat(96, 40, Packing::k8);
    mg::InputFrameFormat input;
    ASSERT_EQ(mg::ParseFrameFormat(format.data(), static_cast<int32_t>(format.size()), s, &input),
              0);
    ASSERT_EQ(c->SetInputFormat(input), 0);
    const auto pixels = PackIndexed(idx, 96, 40, topDown);
    mg::CompressedFrame out;
    ASSERT_EQ(c->Compress(pixels.data(), pixels.size(), &out), 0);
    std::vector<DecodedFrame> d;
    std::string error;
    ASSERT_TRUE(
        DecodeStream(c->OutputFormat(), {{{out.data, out.data + out.size}, {}}}, &d, &error))
        << error;
    EXPECT_EQ(MaxError(d[0], want, Packing::k555), 0) << (topDown ? "top-down" : "bottom-up");
  }
}

// Sharp text keeps both its ink and its paper exactly, on the key frame and as it is typed on.
TEST(MsvcCompressor, TwoColourTextKeepsBothColours) {
  for (uint32_t quality : {0u, 7500u, 10000u}) {
    for (const auto& [ink, paper] : {std::pair{0x000000u, 0xFFFFFFu}, {0x1040A0u, 0xFFFFE0u}}) {
      SCOPED_TRACE("quality " + std::to_string(quality) + " ink " + std::to_string(ink));
      std::vector<Picture> pics;
      for (uint32_t seed : {1u, 1u, 2u, 3u}) pics.push_back(Text(101, 37, ink, paper, seed));
      Movie m;
      ASSERT_NO_FATAL_FAILURE(EncodeAndDecode(pics, Packing::k32, Quality(quality), &m));
      for (size_t i = 0; i < pics.size(); ++i) {
        EXPECT_EQ(WrongPixels(m.decoded[i], pics[i], kEveryBlock), 0) << "frame " << i;
      }
    }
  }
}

// Shaded, noisy pictures lose little; lower quality costs fewer bytes and more error; at full
// quality blocks of four flat quarters (eight colours) come out exact.
TEST(MsvcCompressor, PhotoErrorIsBoundedAndFollowsTheQuality) {
  const Picture photo = Photo(160, 120);
  std::map<uint32_t, double> error;
  std::map<uint32_t, size_t> bytes;
  for (uint32_t quality : {0u, 7500u, 10000u}) {
    Movie m;
    ASSERT_NO_FATAL_FAILURE(EncodeAndDecode({photo}, Packing::k32, Quality(quality), &m));
    error[quality] = MeanError(m.decoded[0], As555(photo));
    bytes[quality] = m.packets[0].data.size();
  }
  // Mean error per channel against the picture as RGB555 shows it (measured: 3.4, 1.4, 0.7).
  EXPECT_LT(error[7500], 2.0);
  EXPECT_LT(error[10000], 1.0);
  EXPECT_LE(error[10000], error[7500]);
  EXPECT_LE(error[7500], error[0]);
  EXPECT_GE(bytes[10000], bytes[7500]);
  EXPECT_GE(bytes[7500], bytes[0]);

  const Picture quarters = Paint(64, 32, [](int x, int y) {
    return Hash(static_cast<uint32_t>(x / 2 + 97 * (y / 2))) & 0xF8F8F8;
  });
  Movie m;
  ASSERT_NO_FATAL_FAILURE(EncodeAndDecode({quarters}, Packing::k32, Quality(10000), &m));
  EXPECT_EQ(WrongPixels(m.decoded[0], quarters, kEveryBlock), 0);
  EXPECT_EQ(m.packets[0].data.size(), 18u * 16 * 8 + 2);  // every block with eight colours
}

// A frame like the one before is all skips and decodes to the same picture, even where the
// picture is lossy; a change is coded where it is and nowhere else.
TEST(MsvcCompressor, OnlyWhatChangedIsCoded) {
  const int w = 321, h = 241;
  const int blocks = 81 * 61;
  const size_t allSkips = 2 * ((blocks + 1022) / 1023) + 2;
  Picture changed = Photo(w, h);
  const int cx = 150, cy = 101, cw = 37, ch = 23;  // not on block edges
  for (int y = cy; y < cy + ch; ++y) {
    for (int x = cx; x < cx + cw; ++x) changed.rgb[static_cast<size_t>(y) * w + x] = 0x804020;
  }
  for (uint32_t quality : {0u, 7500u, 10000u}) {
    SCOPED_TRACE("quality " + std::to_string(quality));
    Movie m;
    ASSERT_NO_FATAL_FAILURE(EncodeAndDecode({Photo(w, h), Photo(w, h), changed, changed},
                                            Packing::k32, Quality(quality), &m));
    EXPECT_EQ(m.keys, (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(m.packets[1].data.size(), allSkips);
    EXPECT_EQ(m.packets[3].data.size(), allSkips);
    EXPECT_EQ(m.decoded[1].rgb, m.decoded[0].rgb);
    EXPECT_EQ(m.decoded[3].rgb, m.decoded[2].rgb);
    // The change touches blocks 37..46 across and 25..30 down.
    const auto inChange = [](int bx, int by) {
      return bx >= 37 && bx <= 46 && by >= 25 && by <= 30;
    };
    EXPECT_LE(m.packets[2].data.size(), 10u * 6 * 18 + 200);
    size_t outside = 0;
    for (int y = 0; y < m.decoded[2].height; ++y) {
      for (int x = 0; x < m.decoded[2].width; ++x) {
        if (!inChange(x / 4, y / 4))
          outside += m.decoded[2].Pixel(x, y) != m.decoded[0].Pixel(x, y);
      }
    }
    EXPECT_EQ(outside, 0u);
    const auto insideFlat = [&](int bx, int by) {
      return inChange(bx, by) && BlockIsOneColour(changed, bx, by);
    };
    EXPECT_EQ(WrongPixels(m.decoded[2], changed, insideFlat), 0);
  }
}

// Skips are judged against what the decoder shows, not against the previous input: a picture
// that brightens a little every frame is coded again before its error grows past the tolerance.
TEST(MsvcCompressor, SmallChangesDoNotAddUpIntoLargeErrors) {
  std::vector<Picture> pics;
  for (int k = 0; k < 12; ++k) {
    pics.push_back(Paint(32, 16, [k](int, int) { return uint32_t(0x304050 + 0x080808 * k); }));
  }
  Movie m;
  ASSERT_NO_FATAL_FAILURE(EncodeAndDecode(pics, Packing::k32, Quality(0), &m));
  for (size_t i = 0; i < pics.size(); ++i) {
    // Quality 0 lets a flat block be off by two steps of 8 in a channel, never more.
    EXPECT_LE(MaxError(m.decoded[i], pics[i], Packing::k555), 16) << "frame " << i;
  }
  // At full quality nothing is let through.
  Movie exact;
  ASSERT_NO_FATAL_FAILURE(EncodeAndDecode(pics, Packing::k32, Quality(10000), &exact));
  for (size_t i = 0; i < pics.size(); ++i) {
    EXPECT_EQ(MaxError(exact.decoded[i], pics[i], Packing::k555), 0) << "frame " << i;
  }
}

// Key frames come at the interval and decode on their own to the same picture as in sequence;
// a frame between them does not.
TEST(MsvcCompressor, KeyFramesDecodeOnTheirOwn) {
  std::vector<Picture> pics;
  for (int i = 0; i < 11; ++i) pics.push_back(ScreenPicture(96, 64, i));
  Movie m;
  ASSERT_NO_FATAL_FAILURE(EncodeAndDecode(pics, Packing::k32, Quality(7500, 5), &m));
  for (size_t i = 0; i < pics.size(); ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    EXPECT_EQ(m.keys[i], i % 5 == 0);
    std::vector<DecodedFrame> alone;
    std::string error;
    ASSERT_TRUE(DecodeStream(m.format, {m.packets[i]}, &alone, &error)) << error;
    if (m.keys[i]) {
      EXPECT_EQ(alone[0].rgb, m.decoded[i].rgb);
    }
    EXPECT_LT(MeanError(m.decoded[i], As555(pics[i])), 1.0);
  }
}

// 5-6-5 pixels keep the top five bits of every channel, in both row orders; the padding of an
// odd size repeats the last column and row.
TEST(MsvcCompressor, Rgb565AndOddSizesKeepTheirColours) {
  const Picture levels = Paint(321, 241, [](int x, int y) {
    const uint32_t v = static_cast<uint32_t>(x / 4 % 32) * 8;
    switch (y / 4 % 3) {
      case 0:
        return v << 16 | (255 - v) << 8;
      case 1:
        return v << 8 | (y & 4 ? 4u : 0u) << 8 | 0x30;
      default:
        return v | 0x100000;
    }
  });
  for (bool topDown : {false, true}) {
    CompressorSettings s = Quality(7500);
    s.topDownInput = topDown;
    s.inputRedMask = 0xF800, s.inputGreenMask = 0x07E0, s.inputBlueMask = 0x001F;
    Movie m;
    ASSERT_NO_FATAL_FAILURE(EncodeAndDecode({levels}, Packing::k565, s, &m));
    ASSERT_EQ(m.decoded[0].width, 324);
    ASSERT_EQ(m.decoded[0].height, 244);
    EXPECT_EQ(WrongPixels(m.decoded[0], levels, kEveryBlock), 0)
        << (topDown ? "top-down" : "bottom-up");
  }
}

// Frames smaller than one block are padded to a whole block.
TEST(MsvcCompressor, TinyFramesFillOneBlock) {
  for (const auto& [w, h] : {std::pair{1, 1}, {3, 5}, {5, 3}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const Picture pic = Paint(w, h, [](int x, int y) { return x + y < 2 ? 0x0C4080u : 0xF0F0F0u; });
    Movie m;
    ASSERT_NO_FATAL_FAILURE(EncodeAndDecode({pic, pic}, Packing::k24, Quality(10000), &m));
    EXPECT_EQ(m.decoded[0].width, (w + 3) / 4 * 4);
    EXPECT_EQ(m.decoded[0].height, (h + 3) / 4 * 4);
    EXPECT_EQ(WrongPixels(m.decoded[1], pic, kEveryBlock), 0);
  }
}

// A new colour table for 8-bit frames recolours pixels whose indices did not change.
TEST(MsvcCompressor, ColourTableChangeRecolours) {
  std::unique_ptr<mg::IVideoCompressor> c;
  ASSERT_EQ(mg::MakeVideoCompressor(MakeFourcc("MSVC"), {}, &c), 0);
  const auto format = FrameFormat(40, 20, Packing::k8);
  mg::InputFrameFormat input;
  ASSERT_EQ(mg::ParseFrameFormat(format.data(), static_cast<int32_t>(format.size()), {}, &input),
            0);
  ASSERT_EQ(c->SetInputFormat(input), 0);
  EXPECT_EQ(c->SetInputFormat(input), mg::kAviErrBadParam);  // opened once only
  std::vector<uint8_t> idx(40 * 20);
  for (size_t i = 0; i < idx.size(); ++i) idx[i] = static_cast<uint8_t>(i % 40 / 4 * 7);
  const auto pixels = PackIndexed(idx, 40, 20, false);
  std::vector<StreamPacket> packets;
  for (int shift : {0, 0, 60}) {
    if (shift) {
      ASSERT_EQ(c->SetColourTable(TestPalette(shift)), 0);
    }
    mg::CompressedFrame out;
    ASSERT_EQ(c->Compress(pixels.data(), pixels.size(), &out), 0);
    packets.push_back({{out.data, out.data + out.size}, {}});
  }
  std::vector<DecodedFrame> d;
  std::string error;
  ASSERT_TRUE(DecodeStream(c->OutputFormat(), packets, &d, &error)) << error;
  EXPECT_EQ(MaxError(d[1], FromIndices(idx, 40, 20, TestPalette(0)), Packing::k555), 0);
  EXPECT_EQ(MaxError(d[2], FromIndices(idx, 40, 20, TestPalette(60)), Packing::k555), 0);

  std::unique_ptr<mg::IVideoCompressor> unopened;
  ASSERT_EQ(mg::MakeVideoCompressor(MakeFourcc("MSVC"), {}, &unopened), 0);
  mg::CompressedFrame out;
  EXPECT_EQ(unopened->Compress(pixels.data(), pixels.size(), &out), mg::kAviErrBadFormat);
}

// Through the compressing stream and the AVI writer, read back by libavformat: the movie is
// padded to whole blocks, static stretches stay tiny and key frames sit at the interval.
TEST(MsvcCompressor, RecordingPlaysBackThroughTheWriter) {
  const int w = 321, h = 241;
  auto lib = mg::MakeAviLibrary();
  TempFile path(".avi");
  std::unique_ptr<mg::IAviFile> file;
  ASSERT_EQ(lib->OpenFile(path.path(), &file), 0);
  mg::AviStreamInfo info;
  info.fccType = mg::kStreamTypeVideo;
  info.fccHandler = MakeFourcc("MSVC");
  info.dwScale = 100;
  info.dwRate = 1000;
  info.rcFrame = {0, 0, w, h};
  mg::IAviStream* video = nullptr;
  ASSERT_EQ(file->CreateStream(info, &video), 0);
  mg::AviCompressOptions o;
  o.fccType = mg::kStreamTypeVideo;
  o.fccHandler = MakeFourcc("MSVC");
  o.dwKeyFrameEvery = 4;
  o.dwQuality = 7500;
  o.dwFlags = mg::kAviCompressKeyFrames | mg::kAviCompressValid;
  o.topDownInput = true;
  std::unique_ptr<mg::IAviStream> s;
  ASSERT_EQ(lib->MakeCompressedStream(video, o, &s), 0);
  const auto fmt = FrameFormat(w, h, Packing::k32);
  ASSERT_EQ(s->SetFormat(0, fmt.data(), static_cast<int32_t>(fmt.size())), 0);
  std::vector<Picture> pics;
  for (int i = 0; i < 9; ++i) pics.push_back(ScreenPicture(w, h, i < 3 ? 0 : i));
  for (int i = 0; i < 9; ++i) {
    const auto px = Pack(pics[i], Packing::k32, true);
    ASSERT_EQ(s->Write(i, 1, px.data(), static_cast<int32_t>(px.size()), 0), 0);
  }
  s.reset();
  ASSERT_EQ(file->Close(), 0);

  const AviHeaders headers = ReadAviHeaders(path.path());
  ASSERT_TRUE(headers.ok) << headers.error;
  const AviStreamHeaders& stream = headers.streams[0];
  ASSERT_EQ(stream.chunks.size(), 9u);
  for (size_t i = 0; i < 9; ++i) EXPECT_EQ(stream.chunks[i].keyFrame, i % 4 == 0) << i;
  EXPECT_LT(stream.chunks[1].size, 100u);  // the screen did not change
  EXPECT_LT(stream.chunks[2].size, 100u);

  const DecodedAvi movie = DecodeAvi(path.path());
  ASSERT_TRUE(movie.ok) << movie.error;
  EXPECT_EQ(movie.videoCodec, "msvideo1");
  EXPECT_EQ(movie.decodeErrors, 0);
  EXPECT_EQ(movie.width, 324);
  EXPECT_EQ(movie.height, 244);
  ASSERT_EQ(movie.frames.size(), 9u);
  for (size_t i = 0; i < 9; ++i) {
    EXPECT_LT(MeanError(movie.frames[i], As555(pics[i])), 1.0) << "frame " << i;
    EXPECT_EQ(movie.frames[i].Pixel(323, 243), movie.frames[i].Pixel(320, 240)) << "frame " << i;
  }
  EXPECT_EQ(movie.frames[2].rgb, movie.frames[0].rgb);
}

}  // namespace
}  // namespace mgtest
