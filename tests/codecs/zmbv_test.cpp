// Our ZMBV coder for 32-bit frames, decoded by libavcodec: lossless through key frames and
// changed frames (odd sizes, blocks cut by the edges, either row order), unchanged frames cost
// almost nothing, key frames exactly at the interval, and other depths through libavcodec's coder.
#include <gtest/gtest.h>

#include <memory>

#include "codecs/compressor_backends.h"
#include "codecs/video_compressor.h"
#include "tests/codecs/codec_fixtures.h"

namespace {

using mgtest::Packing;

struct Coded {
  std::vector<uint8_t> format;
  std::vector<mgtest::StreamPacket> packets;
  std::vector<bool> keys;
  std::vector<size_t> sizes;
};

// Codes `pictures` as ZMBV from `packing` frames and returns the packets.
Coded Code(const std::vector<mgtest::Picture>& pictures, Packing packing, bool topDown,
           uint32_t keyEvery) {
  Coded c;
  mg::CompressorSettings s;
  s.topDownInput = topDown;
  s.keyFrameEvery = keyEvery;
  if (packing == Packing::k565)
    s.inputRedMask = 0xF800, s.inputGreenMask = 0x07E0, s.inputBlueMask = 0x001F;
  std::unique_ptr<mg::IVideoCompressor> zmbv;
  EXPECT_EQ(mg::MakeVideoCompressor(mg::MakeFourcc("ZMBV"), s, &zmbv), mg::kAviErrOk);
  const std::vector<uint8_t> format =
      mgtest::FrameFormat(pictures[0].width, pictures[0].height, packing);
  mg::InputFrameFormat in;
  EXPECT_EQ(mg::ParseFrameFormat(format.data(), static_cast<int32_t>(format.size()), s, &in),
            mg::kAviErrOk);
  EXPECT_EQ(zmbv->SetInputFormat(in), mg::kAviErrOk);
  c.format = zmbv->OutputFormat();
  for (const mgtest::Picture& p : pictures) {
    const std::vector<uint8_t> pixels = mgtest::Pack(p, packing, topDown);
    mg::CompressedFrame out;
    EXPECT_EQ(zmbv->Compress(pixels.data(), pixels.size(), &out), mg::kAviErrOk);
    c.packets.push_back({std::vector<uint8_t>(out.data, out.data + out.size), {}});
    c.keys.push_back(out.keyFrame);
    c.sizes.push_back(out.size);
  }
  return c;
}

void ExpectDecodesTo(const Coded& c, const std::vector<mgtest::Picture>& pictures,
                     Packing precision) {
  std::vector<mgtest::DecodedFrame> frames;
  std::string error;
  ASSERT_TRUE(mgtest::DecodeStream(c.format, c.packets, &frames, &error)) << error;
  ASSERT_EQ(frames.size(), pictures.size());
  for (size_t i = 0; i < frames.size(); ++i)
    EXPECT_EQ(mgtest::MaxError(frames[i], pictures[i], precision), 0) << "frame " << i;
}

TEST(ZmbvCoder, LosslessThroughKeyAndChangedFramesAtOddSizes) {
  for (const auto& [w, h] : {std::pair{97, 61}, std::pair{160, 48}, std::pair{1, 1}}) {
    for (bool topDown : {true, false}) {
      std::vector<mgtest::Picture> pictures;
      for (int i = 0; i < 7; ++i) pictures.push_back(mgtest::ScreenPicture(w, h, i));
      pictures.push_back(pictures[2]);  // back to an older picture
      const Coded c = Code(pictures, Packing::k32, topDown, 4);
      EXPECT_EQ(c.format.size(), 40u);
      ExpectDecodesTo(c, pictures, Packing::k32);
    }
  }
}

TEST(ZmbvCoder, UnchangedFramesAreSmallAndKeyFramesKeepTheirInterval) {
  std::vector<mgtest::Picture> pictures(10, mgtest::ScreenPicture(320, 200, 0));
  for (size_t i = 6; i < pictures.size(); ++i) pictures[i] = mgtest::ScreenPicture(320, 200, 3);
  const Coded c = Code(pictures, Packing::k32, true, 5);
  for (size_t i = 0; i < c.keys.size(); ++i) EXPECT_EQ(c.keys[i], i % 5 == 0) << i;
  // 20 x 13 blocks: two bytes each before zlib; an unchanged frame is a few dozen bytes.
  EXPECT_LT(c.sizes[1], 64u);
  EXPECT_LT(c.sizes[2], 64u);
  EXPECT_GT(c.sizes[6], c.sizes[7]);  // the change costs; the frame after it does not
  EXPECT_LT(c.sizes[7], 64u);
  ExpectDecodesTo(c, pictures, Packing::k32);

  const Coded once = Code(pictures, Packing::k32, true, 0);  // 0: only the first is a key frame
  for (size_t i = 0; i < once.keys.size(); ++i) EXPECT_EQ(once.keys[i], i == 0) << i;
  ExpectDecodesTo(once, pictures, Packing::k32);
}

TEST(ZmbvCoder, OtherDepthsGoThroughLibavcodec) {
  std::vector<mgtest::Picture> pictures;
  for (int i = 0; i < 3; ++i) pictures.push_back(mgtest::ScreenPicture(64, 48, i));
  const Coded c = Code(pictures, Packing::k565, true, 20);
  ExpectDecodesTo(c, pictures, Packing::k565);
}

}  // namespace
