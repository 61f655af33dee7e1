// The compressing stream over the real AVI writer (through the AVI library), read back by
// libavformat/libavcodec as players read it; and its results when the stream under it fails.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "avi/avi_library.h"
#include "codecs/compressing_stream.h"
#include "codecs/compressor_registry.h"
#include "platform/avi_file.h"
#include "tests/codecs/codec_fixtures.h"

namespace mgtest {
namespace {

using mg::MakeFourcc;

mg::AviCompressOptions Options(const char* fcc, uint32_t keyEvery, bool topDown) {
  mg::AviCompressOptions o;
  o.fccType = mg::kStreamTypeVideo;
  o.fccHandler = MakeFourcc(fcc);
  o.dwKeyFrameEvery = keyEvery;
  o.dwQuality = 7500;
  o.dwFlags = mg::kAviCompressKeyFrames | mg::kAviCompressValid;
  o.topDownInput = topDown;
  return o;
}

// Records a movie the way the recorder does: file, video stream, compressing stream, format at
// 0, frames at positions (with gaps), optional palette changes.
struct Recording {
  std::string fcc;
  int width = 0, height = 0;
  Packing packing = Packing::k32;
  bool topDown = true;
  uint32_t keyEvery = 4;
  std::vector<int32_t> positions;
  std::vector<std::vector<uint8_t>> frames;
  std::map<int32_t, std::vector<mg::RgbQuad>> paletteAt;  // position -> new colour table
  bool killed = false;  // the writer dies after the last frame: no index, no final header

  void Write(const std::string& path) {
    if (killed) {
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        killed = false;
        WriteFrames(path, false);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
      }
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
      return;
    }
    WriteFrames(path, true);
  }

  void WriteFrames(const std::string& path, bool close) {
    auto lib = mg::MakeAviLibrary();
    std::unique_ptr<mg::IAviFile> file;
    ASSERT_EQ(lib->OpenFile(path, &file), mg::kAviErrOk);
    mg::AviStreamInfo info;
    info.fccType = mg::kStreamTypeVideo;
    info.fccHandler = MakeFourcc(fcc);
    info.dwScale = 100;
    info.dwRate = 1000;
    info.rcFrame = {0, 0, width, height};
    std::strcpy(info.szName, "Movigram Video");
    mg::IAviStream* video = nullptr;
    ASSERT_EQ(file->CreateStream(info, &video), mg::kAviErrOk);
    std::unique_ptr<mg::IAviStream> compressed;
    ASSERT_EQ(
        lib->MakeCompressedStream(video, Options(fcc.c_str(), keyEvery, topDown), &compressed),
        mg::kAviErrOk);
    const auto format = FrameFormat(width, height, packing);
    ASSERT_EQ(compressed->SetFormat(0, format.data(), static_cast<int32_t>(format.size())),
              mg::kAviErrOk);
    for (size_t i = 0; i < frames.size(); ++i) {
      const auto change = paletteAt.find(positions[i]);
      if (change != paletteAt.end()) {
        const auto f = FrameFormat(width, height, packing, change->second);
        ASSERT_EQ(compressed->SetFormat(positions[i], f.data(), static_cast<int32_t>(f.size())),
                  mg::kAviErrOk);
      }
      ASSERT_EQ(compressed->Write(positions[i], 1, frames[i].data(),
                                  static_cast<int32_t>(frames[i].size()), 0),
                mg::kAviErrOk);
    }
    if (!close) _exit(0);  // no destructors: as a killed recorder leaves the file
    compressed.reset();
    ASSERT_EQ(file->Close(), mg::kAviErrOk);
  }
};

// What GStreamer's own AVI demuxer, which shares no code with libavformat, makes of a movie's
// video stream: one line per buffer it hands on, with its time stamp and duration.
struct GstVideo {
  bool ok = false;
  std::string error;
  std::vector<double> pts;  // seconds (the decoding time where a buffer has no other)
  double end = 0;           // last pts plus its duration
  std::string output;       // what gst-launch said, for a failure's message
};

GstVideo ReadWithGstreamer(const std::string& path) {
  GstVideo v;
  const std::string command = "gst-launch-1.0 -v filesrc location='" + path +
                              "' ! avidemux name=d d.video_0 ! fakesink sync=false silent=false "
                              "2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    v.error = "gst-launch-1.0 could not be run";
    return v;
  }
  auto seconds = [](const std::string& line, const char* key, double* out) {
    const size_t at = line.find(key);
    if (at == std::string::npos) return false;
    int h = 0, m = 0;
    double sec = 0;
    if (std::sscanf(line.c_str() + at + std::strlen(key), "%d:%d:%lf", &h, &m, &sec) != 3)
      return false;
    *out = h * 3600.0 + m * 60.0 + sec;
    return true;
  };
  char buffer[4096];
  std::string all;
  while (std::fgets(buffer, sizeof buffer, pipe)) {
    const std::string line = buffer;
    all += line;
    if (line.find("last-message = chain") == std::string::npos) continue;
    // Delta frames come with a decoding time only.
    double pts = 0, duration = 0;
    if (!seconds(line, "pts: ", &pts) && !seconds(line, "dts: ", &pts)) continue;
    v.pts.push_back(pts);
    if (seconds(line, "duration: ", &duration)) v.end = pts + duration;
  }
  v.output = all.substr(0, 3000);
  const int status = pclose(pipe);
  v.ok = status == 0;
  if (!v.ok) v.error = "gst-launch-1.0 failed: " + all.substr(0, 2000);
  return v;
}

// Every compressor's movie, with a leading gap and one in the middle, finished or left by a killed
// recorder, read by GStreamer's avidemux: as many frames as libavformat decodes, at the same
// times, and as long.
TEST(CompressingStream, GstreamersAviDemuxerReadsEveryMovieLikeLibavformat) {
  if (std::system("gst-inspect-1.0 avidemux >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "GStreamer's avidemux is not installed (tools/setup-deps installs it)";
  for (const bool killed : {false, true})
    for (const mg::CompressorInfo& c : mg::InstalledCompressors()) {
      SCOPED_TRACE(c.description + (killed ? ", killed" : ""));
      const bool rle = c.fccHandler == MakeFourcc("MRLE");
      Recording r;
      r.fcc.assign(reinterpret_cast<const char*>(&c.fccHandler), 4);
      r.width = 64;
      r.height = 48;
      r.packing = rle ? Packing::k8 : Packing::k32;
      r.positions = {1, 2, 3, 5, 6, 7, 8, 9, 10, 11};
      r.killed = killed;
      for (size_t i = 0; i < r.positions.size(); ++i) {
        if (rle)
          r.frames.push_back(PackIndexed(IndexedPicture(r.width, r.height, static_cast<int>(i)),
                                         r.width, r.height, true));
        else
          r.frames.push_back(
              Pack(ScreenPicture(r.width, r.height, static_cast<int>(i)), Packing::k32, true));
      }
      TempFile file(".avi");
      r.Write(file.path());
      if (HasFatalFailure()) return;

      const DecodedAvi ff = DecodeAvi(file.path(), false);
      ASSERT_TRUE(ff.ok) << ff.error;
      const double tick = static_cast<double>(ff.timeBaseNum) / ff.timeBaseDen;
      const GstVideo gst = ReadWithGstreamer(file.path());
      ASSERT_TRUE(gst.ok) << gst.error;
      ASSERT_EQ(gst.pts.size(), ff.frames.size()) << gst.output;
      for (size_t i = 0; i < ff.frames.size(); ++i)
        EXPECT_NEAR(gst.pts[i], ff.frames[i].position * tick, 1e-6) << "frame " << i;
      EXPECT_NEAR(gst.end, ff.videoLength * tick, 1e-6);
    }
}

// Every compressor through the writer: handler kept, frames at their positions, gaps empty,
// pixels as the compressor promises, key frames in the index at the interval.
TEST(CompressingStream, EveryCompressorRoundTripsThroughTheWriter) {
  for (const mg::CompressorInfo& c : mg::InstalledCompressors()) {
    SCOPED_TRACE(c.description);
    const bool rle = c.fccHandler == MakeFourcc("MRLE");
    Recording r;
    r.fcc.assign(reinterpret_cast<const char*>(&c.fccHandler), 4);
    r.width = 161;  // odd: padding, odd strides
    r.height = 121;
    r.packing = rle ? Packing::k8 : Packing::k32;
    r.positions = {1, 2, 3, 5, 6, 7, 8, 9};  // a leading gap and one in the middle
    std::vector<Picture> expect;
    for (size_t i = 0; i < r.positions.size(); ++i) {
      if (rle) {
        const auto idx = IndexedPicture(r.width, r.height, static_cast<int>(i));
        r.frames.push_back(PackIndexed(idx, r.width, r.height, true));
        expect.push_back(FromIndices(idx, r.width, r.height, TestPalette()));
      } else {
        expect.push_back(ScreenPicture(r.width, r.height, static_cast<int>(i)));
        r.frames.push_back(Pack(expect.back(), Packing::k32, true));
      }
    }
    TempFile file(".avi");
    r.Write(file.path());
    if (HasFatalFailure()) return;

    const AviHeaders headers = ReadAviHeaders(file.path());
    ASSERT_TRUE(headers.ok) << headers.error;
    ASSERT_EQ(headers.streams.size(), 1u);
    const AviStreamHeaders& s = headers.streams[0];
    EXPECT_EQ(s.fccHandler, c.fccHandler);
    EXPECT_EQ(s.emptyPositions, (std::vector<int64_t>{0, 4}));
    int k = 0;
    for (size_t pos = 0; pos < s.chunks.size(); ++pos) {
      if (s.chunks[pos].size == 0) continue;
      const bool intraOnly =
          !(c.fccHandler == MakeFourcc("MSVC") || rle || c.fccHandler == MakeFourcc("ZMBV") ||
            c.fccHandler == MakeFourcc("H264"));
      EXPECT_EQ(s.chunks[pos].keyFrame, intraOnly || k % 4 == 0) << "frame " << k;
      ++k;
    }

    const DecodedAvi movie = DecodeAvi(file.path());
    ASSERT_TRUE(movie.ok) << movie.error;
    EXPECT_EQ(movie.decodeErrors, 0);
    ASSERT_EQ(movie.frames.size(), r.frames.size());
    const bool lossless =
        !(c.fccHandler == MakeFourcc("MSVC") || c.fccHandler == MakeFourcc("MJPG") ||
          c.fccHandler == MakeFourcc("H264"));
    for (size_t i = 0; i < movie.frames.size(); ++i) {
      SCOPED_TRACE("frame " + std::to_string(i));
      EXPECT_EQ(movie.frames[i].position, r.positions[i]);
      if (lossless) {
        EXPECT_EQ(MaxError(movie.frames[i], expect[i]), 0);
      } else {
        EXPECT_LT(MeanError(movie.frames[i], expect[i]), 10.0);
      }
    }
  }
}

// On an 8-bit display a palette change reaches the file as a palette-change chunk before the
// frame that follows it, for the compressors whose format holds the colour table, and the
// decoded colours follow it; the other compressors take the new colours into their pixels.
TEST(CompressingStream, PaletteChangeReachesTheMovie) {
  for (const char* fcc : {"MRLE", "DIB ", "ZMBV", "FFV1"}) {
    SCOPED_TRACE(fcc);
    Recording r;
    r.fcc = fcc;
    r.width = 37;  // not a multiple of 4: padded 8-bit rows
    r.height = 20;
    r.packing = Packing::k8;
    r.topDown = false;
    const auto idx = IndexedPicture(r.width, r.height, 0);
    r.positions = {0, 1, 2, 3};
    for (int i = 0; i < 4; ++i) r.frames.push_back(PackIndexed(idx, r.width, r.height, false));
    r.paletteAt[2] = TestPalette(50);
    TempFile file(".avi");
    r.Write(file.path());
    if (HasFatalFailure()) return;

    const AviHeaders headers = ReadAviHeaders(file.path());
    ASSERT_TRUE(headers.ok) << headers.error;
    const bool palettized = std::string(fcc) == "MRLE" || std::string(fcc) == "DIB ";
    EXPECT_EQ(headers.streams[0].paletteChanges.empty(), !palettized);
    for (const AviPaletteChange& change : headers.streams[0].paletteChanges) {
      EXPECT_EQ(change.position, 2);
    }

    const DecodedAvi movie = DecodeAvi(file.path());
    ASSERT_TRUE(movie.ok) << movie.error;
    ASSERT_EQ(movie.frames.size(), 4u);
    for (int i = 0; i < 4; ++i) {
      const Picture want = FromIndices(idx, r.width, r.height, TestPalette(i < 2 ? 0 : 50));
      EXPECT_EQ(MaxError(movie.frames[i], want), 0) << "frame " << i;
    }
  }
}

// 16-bit 5-6-5 frames stored uncompressed play with their own colours.
TEST(CompressingStream, Rgb565FramesPlayWithTheirColoursUncompressed) {
  auto lib = mg::MakeAviLibrary();
  TempFile path(".avi");
  std::unique_ptr<mg::IAviFile> file;
  ASSERT_EQ(lib->OpenFile(path.path(), &file), 0);
  mg::AviStreamInfo info;
  info.fccType = mg::kStreamTypeVideo;
  info.fccHandler = MakeFourcc("DIB ");
  info.dwScale = 100;
  info.dwRate = 1000;
  mg::IAviStream* video = nullptr;
  ASSERT_EQ(file->CreateStream(info, &video), 0);
  mg::AviCompressOptions o = Options("DIB ", 0, true);
  o.inputRedMask = 0xF800, o.inputGreenMask = 0x07E0, o.inputBlueMask = 0x001F;
  std::unique_ptr<mg::IAviStream> s;
  ASSERT_EQ(lib->MakeCompressedStream(video, o, &s), 0);
  const auto fmt = FrameFormat(30, 10, Packing::k565);
  ASSERT_EQ(s->SetFormat(0, fmt.data(), static_cast<int32_t>(fmt.size())), 0);
  const Picture pic = ScreenPicture(30, 10, 0);
  const auto px = Pack(pic, Packing::k565, true);
  ASSERT_EQ(s->Write(0, 1, px.data(), static_cast<int32_t>(px.size()), 0), 0);
  s.reset();
  ASSERT_EQ(file->Close(), 0);
  const DecodedAvi movie = DecodeAvi(path.path());
  ASSERT_TRUE(movie.ok) << movie.error;
  ASSERT_EQ(movie.frames.size(), 1u);
  EXPECT_EQ(MaxError(movie.frames[0], pic, Packing::k555), 0);
}

// A stand-in for the file's stream whose calls fail on demand.
class FailingStream : public mg::IAviStream {
 public:
  int32_t formatResult = 0;
  int32_t writeResult = 0;
  int writes = 0;
  std::vector<uint32_t> flags;
  int32_t SetFormat(int32_t, const void*, int32_t) override { return formatResult; }
  int32_t Write(int32_t, int32_t, const void*, int32_t, uint32_t f) override {
    ++writes;
    flags.push_back(f);
    return writeResult;
  }
};

TEST(CompressingStream, ResultsArePassedOnNotSwallowed) {
  const auto fmt = FrameFormat(32, 8, Packing::k8);
  const std::vector<uint8_t> frame(32 * 8, 3);
  std::unique_ptr<mg::IAviStream> s;

  EXPECT_EQ(mg::MakeCompressingStream(nullptr, Options("MRLE", 1, false), &s),
            mg::kAviErrBadHandle);
  FailingStream target;
  EXPECT_EQ(mg::MakeCompressingStream(&target, Options("NONE", 1, false), &s),
            mg::kAviErrNoCompressor);
  EXPECT_EQ(s, nullptr);

  ASSERT_EQ(mg::MakeCompressingStream(&target, Options("MRLE", 2, false), &s), 0);
  // No format yet: nothing to compress with.
  EXPECT_NE(s->Write(0, 1, frame.data(), static_cast<int32_t>(frame.size()), 0), 0);
  target.formatResult = mg::kAviErrFileWrite;
  EXPECT_EQ(s->SetFormat(0, fmt.data(), static_cast<int32_t>(fmt.size())), mg::kAviErrFileWrite);
  target.formatResult = 0;
  ASSERT_EQ(s->SetFormat(0, fmt.data(), static_cast<int32_t>(fmt.size())), 0);
  EXPECT_EQ(s->Write(0, 1, frame.data(), static_cast<int32_t>(frame.size()), 0), 0);
  EXPECT_EQ(s->Write(1, 1, frame.data(), static_cast<int32_t>(frame.size()), 0), 0);
  EXPECT_EQ(s->Write(2, 1, frame.data(), static_cast<int32_t>(frame.size()), 0), 0);
  EXPECT_EQ(target.flags, (std::vector<uint32_t>{mg::kAviIfKeyFrame, 0, mg::kAviIfKeyFrame}));
  target.writeResult = mg::kAviErrFileWrite;
  EXPECT_EQ(s->Write(3, 1, frame.data(), static_cast<int32_t>(frame.size()), 0),
            mg::kAviErrFileWrite);
  // A short frame, more than one sample, and a later format of another size are refused.
  target.writeResult = 0;
  const int writes = target.writes;
  EXPECT_EQ(s->Write(4, 1, frame.data(), 10, 0), mg::kAviErrBadSize);
  EXPECT_EQ(s->Write(4, 2, frame.data(), static_cast<int32_t>(frame.size()), 0),
            mg::kAviErrBadParam);
  EXPECT_EQ(target.writes, writes);
  const auto other = FrameFormat(16, 8, Packing::k8);
  EXPECT_EQ(s->SetFormat(5, other.data(), static_cast<int32_t>(other.size())),
            mg::kAviErrBadFormat);

  // A format the compressor cannot take fails at SetFormat.
  FailingStream t2;
  ASSERT_EQ(mg::MakeCompressingStream(&t2, Options("MRLE", 1, false), &s), 0);
  const auto f32 = FrameFormat(32, 8, Packing::k32);
  EXPECT_EQ(s->SetFormat(0, f32.data(), static_cast<int32_t>(f32.size())), mg::kAviErrBadFormat);
}

}  // namespace
}  // namespace mgtest
