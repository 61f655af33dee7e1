// The AVI writer, read back raw (headers, chunks) and through libavformat/libavcodec.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "avi/avi_riff_writer.h"
#include "tests/avi/avi_test_files.h"
#include "tests/support/avi_reader.h"

namespace mgtest {
namespace {

using mg::IAviFile;
using mg::IAviStream;

constexpr int kW = 13;  // odd widths: rows need padding
constexpr int kH = 7;

struct Movie {
  std::unique_ptr<IAviFile> file;
  IAviStream* video = nullptr;
  IAviStream* audio = nullptr;
};

// A file with a 24-bit "DIB " video stream at 29.97 frames per second and, optionally, audio.
Movie OpenMovie(const std::string& path, bool withAudio, const mg::RiffLimits& limits = {},
                int width = kW, int height = kH) {
  Movie m;
  EXPECT_EQ(mg::OpenRiffAviFile(path, &m.file, limits), mg::kAviErrOk);
  if (!m.file) return m;
  EXPECT_EQ(m.file->CreateStream(VideoStreamInfo("DIB ", 2997, width, height, 24), &m.video),
            mg::kAviErrOk);
  const std::vector<uint8_t> format = DibFormat(width, height, 24, {});
  EXPECT_EQ(m.video->SetFormat(0, format.data(), static_cast<int32_t>(format.size())),
            mg::kAviErrOk);
  if (withAudio) {
    EXPECT_EQ(m.file->CreateStream(AudioStreamInfo(), &m.audio), mg::kAviErrOk);
    const mg::WaveFormatEx wf = AudioFormat();
    EXPECT_EQ(m.audio->SetFormat(0, &wf, sizeof(wf)), mg::kAviErrOk);
  }
  return m;
}

int32_t WriteRgbFrame(IAviStream* s, int pos, int seed, int width = kW, int height = kH) {
  const std::vector<uint8_t> f = Rgb24Frame(width, height, seed);
  return s->Write(pos, 1, f.data(), static_cast<int32_t>(f.size()), mg::kAviIfKeyFrame);
}

void ExpectRgbFrame(const DecodedAvi& d, int64_t pos, int seed, int width = kW, int height = kH) {
  const DecodedFrame* f = d.FrameAt(pos);
  ASSERT_NE(f, nullptr) << "no frame at " << pos;
  ASSERT_EQ(f->width, width);
  ASSERT_EQ(f->height, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      ASSERT_EQ(f->Pixel(x, y), Rgb24Pixel(seed, x, y))
          << "pos " << pos << " x " << x << " y " << y;
}

std::vector<uint8_t> AudioBlock(size_t n, int seed) {
  std::vector<uint8_t> b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed * 7 + i * 3 + (i >> 8));
  return b;
}

TEST(AviRiffWriter, HeadersFramesGapsAndAudioReadBack) {
  TempFolder dir;
  const std::string path = dir.File("clip.avi");
  Movie m = OpenMovie(path, true);
  ASSERT_TRUE(m.file);
  // First frame at position 3; positions 5 and 6 skipped.
  EXPECT_EQ(WriteRgbFrame(m.video, 3, 3), mg::kAviErrOk);
  std::vector<uint8_t> sound;
  const std::vector<uint8_t> a1 = AudioBlock(2048, 1), a2 = AudioBlock(2048, 2),
                             a3 = AudioBlock(999, 3);
  EXPECT_EQ(m.audio->Write(0, 2048, a1.data(), 2048, 0), mg::kAviErrOk);
  EXPECT_EQ(WriteRgbFrame(m.video, 4, 4), mg::kAviErrOk);
  EXPECT_EQ(m.audio->Write(2048, 2048, a2.data(), 2048, 0), mg::kAviErrOk);
  EXPECT_EQ(WriteRgbFrame(m.video, 7, 7), mg::kAviErrOk);
  EXPECT_EQ(m.audio->Write(4096, 999, a3.data(), 999, 0), mg::kAviErrOk);
  // Audio goes at the running position only, with bytes matching the samples.
  EXPECT_EQ(m.audio->Write(4000, 10, a3.data(), 10, 0), mg::kAviErrBadParam);
  EXPECT_EQ(m.audio->Write(5095, 10, a3.data(), 9, 0), mg::kAviErrBadSize);
  // A video position already written is refused.
  EXPECT_EQ(WriteRgbFrame(m.video, 7, 8), mg::kAviErrBadParam);
  EXPECT_EQ(m.file->Close(), mg::kAviErrOk);
  sound.insert(sound.end(), a1.begin(), a1.end());
  sound.insert(sound.end(), a2.begin(), a2.end());
  sound.insert(sound.end(), a3.begin(), a3.end());

  const AviHeaders h = ReadAviHeaders(path);
  ASSERT_TRUE(h.ok) << h.error;
  EXPECT_FALSE(h.truncated);
  EXPECT_EQ(h.riffSegments, 1);
  EXPECT_EQ(h.trailingBytes, 0u);
  EXPECT_EQ(h.avih.dwMicroSecPerFrame, 33367u);  // 1e6 * 100 / 2997
  EXPECT_EQ(h.avih.dwFlags, 0x10u);              // AVIF_HASINDEX
  EXPECT_EQ(h.avih.dwTotalFrames, 8u);
  EXPECT_EQ(h.avih.dwStreams, 2u);
  EXPECT_EQ(h.avih.dwWidth, static_cast<uint32_t>(kW));
  EXPECT_EQ(h.avih.dwHeight, static_cast<uint32_t>(kH));
  EXPECT_GE(h.avih.dwSuggestedBufferSize, static_cast<uint32_t>(mg::DibStride(kW, 24) * kH));
  EXPECT_TRUE(h.hasIdx1);
  EXPECT_FALSE(h.hasOdml);
  ASSERT_EQ(h.streams.size(), 2u);

  const AviStreamHeaders& v = h.streams[0];
  EXPECT_EQ(FourccText(v.fccType), "vids");
  EXPECT_EQ(FourccText(v.fccHandler), "DIB ");
  EXPECT_EQ(v.strhSize, 56u);
  EXPECT_EQ(v.dwFlags, 0u);
  EXPECT_EQ(v.dwScale, 100u);  // not reduced against the rate
  EXPECT_EQ(v.dwRate, 2997u);
  EXPECT_EQ(v.dwStart, 0u);
  EXPECT_EQ(v.dwLength, 8u);
  EXPECT_EQ(v.dwInitialFrames, 0u);
  EXPECT_EQ(v.dwQuality, 0u);
  EXPECT_EQ(v.dwSampleSize, 0u);
  EXPECT_EQ(v.dwSuggestedBufferSize, static_cast<uint32_t>(mg::DibStride(kW, 24) * kH));
  EXPECT_EQ(v.rcRight, kW);
  EXPECT_EQ(v.rcBottom, kH);
  EXPECT_EQ(v.name, "Movigram Video");
  EXPECT_EQ(v.format, DibFormat(kW, kH, 24, {}));
  EXPECT_FALSE(v.hasSuperIndex);
  EXPECT_EQ(v.dataChunks, 8);
  EXPECT_EQ(v.emptyPositions, (std::vector<int64_t>{0, 1, 2, 5, 6}));
  for (const AviChunk& c : v.chunks) {
    EXPECT_TRUE(c.indexed);
    EXPECT_EQ(c.keyFrame, c.size != 0);
  }

  const AviStreamHeaders& a = h.streams[1];
  EXPECT_EQ(FourccText(a.fccType), "auds");
  EXPECT_EQ(a.fccHandler, 0u);
  EXPECT_EQ(a.dwScale, 1u);
  EXPECT_EQ(a.dwRate, 11025u);
  EXPECT_EQ(a.dwInitialFrames, 2u);
  EXPECT_EQ(a.dwSuggestedBufferSize, 4096u);
  EXPECT_EQ(a.dwSampleSize, 1u);  // the block alignment of 8-bit mono PCM
  EXPECT_EQ(a.dwLength, 5095u);
  EXPECT_EQ(a.format.size(), 18u);
  EXPECT_EQ(a.dataChunks, 3);
  EXPECT_EQ(a.dataBytes, 5095u);

  const DecodedAvi d = DecodeAvi(path);
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.videoCodec, "rawvideo");
  ASSERT_EQ(d.frames.size(), 3u);
  EXPECT_EQ(d.emptyPositions, (std::vector<int64_t>{0, 1, 2, 5, 6}));
  ExpectRgbFrame(d, 3, 3);
  ExpectRgbFrame(d, 4, 4);
  ExpectRgbFrame(d, 7, 7);
  ASSERT_TRUE(d.hasAudio);
  EXPECT_EQ(d.audioCodec, "pcm_u8");
  EXPECT_EQ(d.sampleRate, 11025);
  EXPECT_EQ(d.audioFirstPts, 0);
  EXPECT_EQ(d.audio, sound);
}

TEST(AviRiffWriter, PaletteChangesLandBeforeTheirFrames) {
  TempFolder dir;
  const std::string path = dir.File("pal.avi");
  constexpr int kW8 = 16, kH8 = 16;  // every colour index appears once in a frame
  std::vector<uint32_t> grey(256), red(256), mixed(256);
  for (uint32_t i = 0; i < 256; ++i) {
    grey[i] = i << 16 | i << 8 | i;
    red[i] = (255 - i) << 16 | (i / 2) << 8 | 3;
    mixed[i] = i >= 10 && i < 20 ? 0x123456 + i : red[i];
  }
  std::unique_ptr<IAviFile> file;
  ASSERT_EQ(mg::OpenRiffAviFile(path, &file), mg::kAviErrOk);
  IAviStream* s = nullptr;
  ASSERT_EQ(file->CreateStream(VideoStreamInfo("DIB ", 1000, kW8, kH8, 8), &s), mg::kAviErrOk);
  const std::vector<uint8_t> f0 = DibFormat(kW8, kH8, 8, grey), f1 = DibFormat(kW8, kH8, 8, red),
                             f2 = DibFormat(kW8, kH8, 8, mixed);
  ASSERT_EQ(s->SetFormat(0, f0.data(), static_cast<int32_t>(f0.size())), mg::kAviErrOk);
  const std::vector<uint8_t> pixels = Pal8Frame(kW8, kH8, 0);
  const auto frame = [&](int pos) {
    return s->Write(pos, 1, pixels.data(), static_cast<int32_t>(pixels.size()), 0);
  };
  ASSERT_EQ(frame(0), mg::kAviErrOk);
  ASSERT_EQ(frame(1), mg::kAviErrOk);
  ASSERT_EQ(s->SetFormat(2, f1.data(), static_cast<int32_t>(f1.size())), mg::kAviErrOk);
  ASSERT_EQ(frame(2), mg::kAviErrOk);
  // A change whose frame position was skipped still applies from there on.
  ASSERT_EQ(s->SetFormat(4, f2.data(), static_cast<int32_t>(f2.size())), mg::kAviErrOk);
  ASSERT_EQ(frame(5), mg::kAviErrOk);
  // The same colours again change nothing.
  ASSERT_EQ(s->SetFormat(6, f2.data(), static_cast<int32_t>(f2.size())), mg::kAviErrOk);
  ASSERT_EQ(frame(6), mg::kAviErrOk);
  // Refused: anything but the colour table, and positions already written.
  std::vector<uint8_t> wider = DibFormat(kW8 + 4, kH8, 8, grey);
  EXPECT_EQ(s->SetFormat(7, wider.data(), static_cast<int32_t>(wider.size())),
            mg::kAviErrUnsupported);
  EXPECT_EQ(s->SetFormat(7, f0.data(), 40), mg::kAviErrUnsupported);
  EXPECT_EQ(s->SetFormat(3, f0.data(), static_cast<int32_t>(f0.size())), mg::kAviErrBadParam);
  ASSERT_EQ(file->Close(), mg::kAviErrOk);

  const AviHeaders h = ReadAviHeaders(path);
  ASSERT_TRUE(h.ok) << h.error;
  const AviStreamHeaders& v = h.streams[0];
  EXPECT_EQ(v.dwFlags, 0x00010000u);  // AVISF_VIDEO_PALCHANGES
  EXPECT_EQ(v.format, f0);            // the stream format keeps the first colour table
  EXPECT_EQ(v.dwLength, 7u);
  EXPECT_EQ(v.emptyPositions, (std::vector<int64_t>{3, 4}));
  // All 256 entries: two chunks of 128 (one byte counts them); then only entries 10..19.
  ASSERT_EQ(v.paletteChanges.size(), 3u);
  EXPECT_EQ(v.paletteChanges[0].position, 2);
  EXPECT_EQ(v.paletteChanges[0].firstEntry, 0);
  EXPECT_EQ(v.paletteChanges[0].numEntries, 128);
  EXPECT_EQ(v.paletteChanges[1].position, 2);
  EXPECT_EQ(v.paletteChanges[1].firstEntry, 128);
  EXPECT_EQ(v.paletteChanges[1].entries[5], red[133]);
  EXPECT_EQ(v.paletteChanges[2].position, 4);
  EXPECT_EQ(v.paletteChanges[2].firstEntry, 10);
  EXPECT_EQ(v.paletteChanges[2].numEntries, 10);
  EXPECT_EQ(v.paletteChanges[2].entries[0], mixed[10]);

  const DecodedAvi d = DecodeAvi(path);
  ASSERT_TRUE(d.ok) << d.error;
  ASSERT_EQ(d.frames.size(), 5u);
  const auto expectColours = [&](int64_t pos, const std::vector<uint32_t>& pal) {
    const DecodedFrame* f = d.FrameAt(pos);
    ASSERT_NE(f, nullptr) << pos;
    for (int y = 0; y < kH8; ++y)
      for (int x = 0; x < kW8; ++x)
        ASSERT_EQ(f->Pixel(x, y), pal[Pal8Index(0, x, y)]) << pos << " " << x << "," << y;
  };
  expectColours(0, grey);
  expectColours(1, grey);
  expectColours(2, red);
  expectColours(5, mixed);
  expectColours(6, mixed);
}

// A later table whose reserved bytes differ from the first one's (flags there, 0 here) changes
// only the entries whose colour changed, each run of them in its own chunk.
TEST(AviRiffWriter, PaletteChangeCarriesOnlyTheChangedColours) {
  TempFolder dir;
  const std::string path = dir.File("runs.avi");
  constexpr int kW8 = 16, kH8 = 16;
  std::vector<uint32_t> grey(256);
  for (uint32_t i = 0; i < 256; ++i) grey[i] = i << 16 | i << 8 | i;
  std::vector<uint8_t> f0 = DibFormat(kW8, kH8, 8, grey);
  for (int j = 1; j < 255; ++j) f0[40 + 4 * j + 3] = j == 100 ? 1 : 4;  // palette flags
  std::vector<uint32_t> changed = grey;
  changed[3] = 0xFF0000;
  changed[200] = 0x00FF00;
  changed[201] = 0x0000FF;
  const std::vector<uint8_t> f1 = DibFormat(kW8, kH8, 8, changed);

  std::unique_ptr<IAviFile> file;
  ASSERT_EQ(mg::OpenRiffAviFile(path, &file), mg::kAviErrOk);
  IAviStream* s = nullptr;
  ASSERT_EQ(file->CreateStream(VideoStreamInfo("DIB ", 1000, kW8, kH8, 8), &s), mg::kAviErrOk);
  ASSERT_EQ(s->SetFormat(0, f0.data(), static_cast<int32_t>(f0.size())), mg::kAviErrOk);
  const std::vector<uint8_t> pixels = Pal8Frame(kW8, kH8, 0);
  ASSERT_EQ(s->Write(0, 1, pixels.data(), static_cast<int32_t>(pixels.size()), 0), mg::kAviErrOk);
  // The same colours with other reserved bytes are no change at all.
  const std::vector<uint8_t> sameColours = DibFormat(kW8, kH8, 8, grey);
  ASSERT_EQ(s->SetFormat(1, sameColours.data(), static_cast<int32_t>(sameColours.size())),
            mg::kAviErrOk);
  ASSERT_EQ(s->Write(1, 1, pixels.data(), static_cast<int32_t>(pixels.size()), 0), mg::kAviErrOk);
  ASSERT_EQ(s->SetFormat(2, f1.data(), static_cast<int32_t>(f1.size())), mg::kAviErrOk);
  ASSERT_EQ(s->Write(2, 1, pixels.data(), static_cast<int32_t>(pixels.size()), 0), mg::kAviErrOk);
  ASSERT_EQ(file->Close(), mg::kAviErrOk);

  const AviHeaders h = ReadAviHeaders(path);
  ASSERT_TRUE(h.ok) << h.error;
  const AviStreamHeaders& v = h.streams[0];
  ASSERT_EQ(v.paletteChanges.size(), 2u);
  EXPECT_EQ(v.paletteChanges[0].position, 2);
  EXPECT_EQ(v.paletteChanges[0].firstEntry, 3);
  EXPECT_EQ(v.paletteChanges[0].numEntries, 1);
  EXPECT_EQ(v.paletteChanges[0].entries, (std::vector<uint32_t>{0xFF0000}));
  EXPECT_EQ(v.paletteChanges[1].firstEntry, 200);
  EXPECT_EQ(v.paletteChanges[1].numEntries, 2);
  EXPECT_EQ(v.paletteChanges[1].entries, (std::vector<uint32_t>{0x00FF00, 0x0000FF}));
  const DecodedAvi d = DecodeAvi(path);
  ASSERT_TRUE(d.ok) << d.error;
  const DecodedFrame* f = d.FrameAt(2);
  ASSERT_NE(f, nullptr);
  for (int y = 0; y < kH8; ++y)
    for (int x = 0; x < kW8; ++x)
      ASSERT_EQ(f->Pixel(x, y), changed[Pal8Index(0, x, y)]) << x << "," << y;
}

// Alongside sound as a recording interleaves it (a block of 2048 samples about every second
// frame at 10 frames per second) the palette change still reaches the decoder.
TEST(AviRiffWriter, PaletteChangeAlongsideAudio) {
  TempFolder dir;
  const std::string path = dir.File("palaudio.avi");
  std::vector<uint32_t> grey(256), red(256);
  for (uint32_t i = 0; i < 256; ++i) {
    grey[i] = i * 0x010101u;
    red[i] = 0xff0000u | i;
  }
  std::unique_ptr<IAviFile> file;
  ASSERT_EQ(mg::OpenRiffAviFile(path, &file), mg::kAviErrOk);
  IAviStream *v = nullptr, *a = nullptr;
  ASSERT_EQ(file->CreateStream(VideoStreamInfo("DIB ", 1000, 16, 16, 8), &v), mg::kAviErrOk);
  const std::vector<uint8_t> f0 = DibFormat(16, 16, 8, grey), f1 = DibFormat(16, 16, 8, red);
  ASSERT_EQ(v->SetFormat(0, f0.data(), static_cast<int32_t>(f0.size())), mg::kAviErrOk);
  ASSERT_EQ(file->CreateStream(AudioStreamInfo(), &a), mg::kAviErrOk);
  const mg::WaveFormatEx wf = AudioFormat();
  ASSERT_EQ(a->SetFormat(0, &wf, sizeof(wf)), mg::kAviErrOk);
  const std::vector<uint8_t> px = Pal8Frame(16, 16, 0), block = AudioBlock(2048, 0);
  for (int i = 0; i < 60; ++i) {
    if (i == 30) {
      ASSERT_EQ(v->SetFormat(i, f1.data(), static_cast<int32_t>(f1.size())), mg::kAviErrOk);
    }
    ASSERT_EQ(v->Write(i, 1, px.data(), static_cast<int32_t>(px.size()), 0), mg::kAviErrOk);
    if (i % 2 == 0) {
      ASSERT_EQ(a->Write(i / 2 * 2048, 2048, block.data(), 2048, 0), mg::kAviErrOk);
    }
  }
  ASSERT_EQ(file->Close(), mg::kAviErrOk);
  const DecodedAvi d = DecodeAvi(path);
  ASSERT_TRUE(d.ok) << d.error;
  ASSERT_EQ(d.frames.size(), 60u);
  EXPECT_EQ(d.FrameAt(29)->Pixel(5, 0), grey[5]);
  EXPECT_EQ(d.FrameAt(30)->Pixel(5, 0), red[5]);
  EXPECT_EQ(d.FrameAt(59)->Pixel(5, 0), red[5]);
  EXPECT_EQ(d.audioSamples(), 30 * 2048);
}

TEST(AviRiffWriter, EightBitFramesWithPaddedRowsDecodeExactly) {
  TempFolder dir;
  const std::string path = dir.File("pal8.avi");
  std::vector<uint32_t> colours(256);
  for (uint32_t i = 0; i < 256; ++i) colours[i] = (i * 7 & 0xff) << 16 | (i * 13 & 0xff) << 8 | i;
  std::unique_ptr<IAviFile> file;
  ASSERT_EQ(mg::OpenRiffAviFile(path, &file), mg::kAviErrOk);
  IAviStream* s = nullptr;
  ASSERT_EQ(file->CreateStream(VideoStreamInfo("DIB ", 1500, kW, kH, 8), &s), mg::kAviErrOk);
  const std::vector<uint8_t> format = DibFormat(kW, kH, 8, colours);
  ASSERT_EQ(s->SetFormat(0, format.data(), static_cast<int32_t>(format.size())), mg::kAviErrOk);
  for (int i = 0; i < 3; ++i) {
    const std::vector<uint8_t> px = Pal8Frame(kW, kH, i);
    ASSERT_EQ(s->Write(i, 1, px.data(), static_cast<int32_t>(px.size()), mg::kAviIfKeyFrame),
              mg::kAviErrOk);
  }
  ASSERT_EQ(file->Close(), mg::kAviErrOk);
  const DecodedAvi d = DecodeAvi(path);
  ASSERT_TRUE(d.ok) << d.error;
  ASSERT_EQ(d.frames.size(), 3u);
  for (int i = 0; i < 3; ++i)
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        ASSERT_EQ(d.frames[i].Pixel(x, y), colours[Pal8Index(i, x, y)])
            << i << " " << x << "," << y;
}

TEST(AviRiffWriter, HandlerIsKeptOverACompressedFormat) {
  TempFolder dir;
  const std::string path = dir.File("rle.avi");
  std::unique_ptr<IAviFile> file;
  ASSERT_EQ(mg::OpenRiffAviFile(path, &file), mg::kAviErrOk);
  IAviStream* s = nullptr;
  ASSERT_EQ(file->CreateStream(VideoStreamInfo("MRLE", 1000, 4, 2, 8), &s), mg::kAviErrOk);
  const std::vector<uint8_t> format = DibFormat(4, 2, 8, {0x000000, 0xff0000, 0x00ff00}, 1);
  ASSERT_EQ(s->SetFormat(0, format.data(), static_cast<int32_t>(format.size())), mg::kAviErrOk);
  // RLE8: bottom row four of colour 1, top row four of colour 2, end of line, end of bitmap.
  const uint8_t key[] = {4, 1, 0, 0, 4, 2, 0, 0, 0, 1};
  const uint8_t same[] = {0, 1};  // nothing changes
  ASSERT_EQ(s->Write(0, 1, key, sizeof(key), mg::kAviIfKeyFrame), mg::kAviErrOk);
  ASSERT_EQ(s->Write(1, 1, same, sizeof(same), 0), mg::kAviErrOk);
  ASSERT_EQ(file->Close(), mg::kAviErrOk);

  const AviHeaders h = ReadAviHeaders(path);
  ASSERT_TRUE(h.ok) << h.error;
  EXPECT_EQ(FourccText(h.streams[0].fccHandler), "MRLE");
  ASSERT_EQ(h.streams[0].chunks.size(), 2u);
  EXPECT_TRUE(h.streams[0].chunks[0].keyFrame);
  EXPECT_FALSE(h.streams[0].chunks[1].keyFrame);
  const DecodedAvi d = DecodeAvi(path);
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.videoCodec, "msrle");
  ASSERT_EQ(d.frames.size(), 2u);
  EXPECT_EQ(d.frames[1].Pixel(0, 0), 0x00ff00u);
  EXPECT_EQ(d.frames[1].Pixel(3, 1), 0xff0000u);
}

// What a killed recording leaves behind: no index, no final header.
TEST(AviRiffWriter, FileOfAKilledWriterStillDecodes) {
  TempFolder dir;
  const std::string path = dir.File("killed.avi");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Movie m = OpenMovie(path, true);
    int bad = 0;
    for (int i = 0; i < 20; ++i) {
      bad += WriteRgbFrame(m.video, i + (i >= 10 ? 2 : 0), i) != mg::kAviErrOk;
      if (i % 5 == 0) {
        const std::vector<uint8_t> a = AudioBlock(1000, i);
        bad += m.audio->Write(i / 5 * 1000, 1000, a.data(), 1000, 0) != mg::kAviErrOk;
      }
    }
    _exit(bad);  // no Close, no destructors
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);

  const AviHeaders h = ReadAviHeaders(path);
  ASSERT_TRUE(h.ok) << h.error;
  EXPECT_FALSE(h.hasIdx1);
  EXPECT_FALSE(h.truncated);
  EXPECT_EQ(h.streams[0].dataChunks, 22);
  // The header counts what the movie list holds, as current as the sizes that readers follow.
  EXPECT_EQ(h.avih.dwTotalFrames, 22u);
  EXPECT_EQ(h.streams[0].dwLength, 22u);
  EXPECT_EQ(h.streams[1].dwLength, 4000u);
  const DecodedAvi d = DecodeAvi(path);
  ASSERT_TRUE(d.ok) << d.error;
  ASSERT_EQ(d.frames.size(), 20u);
  EXPECT_EQ(d.emptyPositions, (std::vector<int64_t>{10, 11}));
  for (int i = 0; i < 20; ++i) ExpectRgbFrame(d, i + (i >= 10 ? 2 : 0), i);
  EXPECT_EQ(d.audioSamples(), 4000);

  // A copy taken while the writer still runs reads as well.
  Movie m = OpenMovie(dir.File("running.avi"), false);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(WriteRgbFrame(m.video, i, i), mg::kAviErrOk);
  std::filesystem::copy_file(dir.File("running.avi"), dir.File("copy.avi"));
  ASSERT_EQ(m.file->Close(), mg::kAviErrOk);
  EXPECT_EQ(ReadAviHeaders(dir.File("copy.avi")).avih.dwTotalFrames, 5u);
  const DecodedAvi c = DecodeAvi(dir.File("copy.avi"));
  ASSERT_TRUE(c.ok) << c.error;
  EXPECT_EQ(c.frames.size(), 5u);
}

// libpulse sets the process's umask to 077 for a moment while it looks for a server, from threads
// of its own: a movie created in that moment must still get the permissions of the user's umask.
// Existing files keep theirs.
TEST(AviRiffWriter, NewMoviesGetTheUsersPermissions) {
  TempFolder dir;
  const mode_t user = umask(077);  // as libpulse leaves it for a moment
  const std::string path = dir.File("shared.avi");
  std::unique_ptr<IAviFile> file;
  const int32_t rc = mg::OpenRiffAviFile(path, &file);
  umask(user);
  ASSERT_EQ(rc, mg::kAviErrOk);
  ASSERT_EQ(file->Close(), mg::kAviErrOk);
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~user);

  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  ASSERT_EQ(mg::OpenRiffAviFile(path, &file), mg::kAviErrOk);
  ASSERT_EQ(file->Close(), mg::kAviErrOk);
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "an existing file keeps its permissions";
}

TEST(AviRiffWriter, LongFileContinuesInOpenDmlSegments) {
  TempFolder dir;
  const std::string path = dir.File("long.avi");
  constexpr int kW2 = 64, kH2 = 48;  // 9216 bytes a frame
  mg::RiffLimits limits;
  limits.maxRiffBytes = 1 << 20;
  Movie m = OpenMovie(path, true, limits, kW2, kH2);
  ASSERT_TRUE(m.file);
  constexpr int kFrames = 400;
  int64_t samples = 0;
  std::vector<uint8_t> sound;
  for (int i = 0; i < kFrames; ++i) {
    if (i == 123) continue;  // one skipped frame
    ASSERT_EQ(WriteRgbFrame(m.video, i, i, kW2, kH2), mg::kAviErrOk) << i;
    if (i % 10 == 0) {
      const std::vector<uint8_t> a = AudioBlock(2048, i);
      ASSERT_EQ(m.audio->Write(static_cast<int32_t>(samples), 2048, a.data(), 2048, 0),
                mg::kAviErrOk);
      samples += 2048;
      sound.insert(sound.end(), a.begin(), a.end());
    }
  }
  ASSERT_EQ(m.file->Close(), mg::kAviErrOk);

  const AviHeaders h = ReadAviHeaders(path);
  ASSERT_TRUE(h.ok) << h.error;
  EXPECT_GE(h.riffSegments, 4);
  for (uint32_t size : h.riffSizes) EXPECT_LE(size + 8u, limits.maxRiffBytes);
  EXPECT_TRUE(h.hasIdx1);  // for players without OpenDML: the first segment
  EXPECT_TRUE(h.hasOdml);
  EXPECT_EQ(h.odmlTotalFrames, static_cast<uint32_t>(kFrames));
  EXPECT_LT(h.avih.dwTotalFrames, static_cast<uint32_t>(kFrames));  // first segment only
  EXPECT_EQ(h.streams[0].dwLength, static_cast<uint32_t>(kFrames));
  EXPECT_EQ(h.streams[1].dwLength, static_cast<uint32_t>(samples));
  for (const AviStreamHeaders& s : h.streams) {
    EXPECT_TRUE(s.hasSuperIndex);
    EXPECT_EQ(s.superIndexEntries, static_cast<uint32_t>(h.riffSegments));
    EXPECT_EQ(s.standardIndexChunks, h.riffSegments);
    for (const AviChunk& c : s.chunks) EXPECT_TRUE(c.indexed);
  }
  EXPECT_EQ(h.streams[0].emptyPositions, (std::vector<int64_t>{123}));

  const DecodedAvi d = DecodeAvi(path);
  ASSERT_TRUE(d.ok) << d.error;
  ASSERT_EQ(d.frames.size(), static_cast<size_t>(kFrames - 1));
  EXPECT_EQ(d.emptyPositions, (std::vector<int64_t>{123}));
  for (int i : {0, 1, 122, 124, 200, 399}) ExpectRgbFrame(d, i, i, kW2, kH2);
  EXPECT_EQ(d.audio, sound);
}

TEST(AviRiffWriter, WriteFailuresAreReported) {
  // Every write to /dev/full fails as on a full disk.
  {
    Movie m = OpenMovie("/dev/full", true);
    ASSERT_TRUE(m.file);
    EXPECT_EQ(WriteRgbFrame(m.video, 0, 0), mg::kAviErrFileWrite);
    EXPECT_EQ(WriteRgbFrame(m.video, 1, 1), mg::kAviErrFileWrite);
    const uint8_t a[4] = {};
    EXPECT_EQ(m.audio->Write(0, 4, a, 4, 0), mg::kAviErrFileWrite);
    EXPECT_EQ(m.file->Close(), mg::kAviErrFileWrite);
    EXPECT_EQ(m.file->Close(), mg::kAviErrFileWrite);
  }
  // The disk fills in the middle of a recording (a file size limit stands in for it): the
  // failure is reported and what was written before stays readable.
  TempFolder dir;
  const std::string path = dir.File("full.avi");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{60000, 60000};
    setrlimit(RLIMIT_FSIZE, &limit);
    Movie m = OpenMovie(path, false, {}, 64, 48);
    int written = 0;
    while (written < 100 && WriteRgbFrame(m.video, written, written, 64, 48) == mg::kAviErrOk)
      ++written;
    const bool later = WriteRgbFrame(m.video, written + 1, 0, 64, 48) == mg::kAviErrFileWrite;
    const bool close = m.file->Close() == mg::kAviErrFileWrite;
    _exit(later && close && written < 100 ? written : 255);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  const int written = WEXITSTATUS(status);
  ASSERT_GT(written, 0);
  ASSERT_LT(written, 100);
  const DecodedAvi d = DecodeAvi(path);
  ASSERT_TRUE(d.ok) << d.error;
  ASSERT_EQ(d.frames.size(), static_cast<size_t>(written));
  ExpectRgbFrame(d, written - 1, written - 1, 64, 48);
}

// A real disk that fills up (a small tmpfs; it needs the right to mount, otherwise skipped): the
// chunk that no longer fits is refused, and the index of every chunk before it is in the file.
TEST(AviRiffWriter, AFullDiskStillTakesTheIndex) {
  TempFolder dir;
  const std::string disk = dir.File("disk");
  std::filesystem::create_directory(disk);
  if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0)
    GTEST_SKIP() << "no right to mount a small disk: " << std::strerror(errno);
  struct Unmount {
    std::string at;
    ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
  } unmount{disk};
  const std::string path = disk + "/full.avi";
  Movie m = OpenMovie(path, true, {}, 64, 48);
  ASSERT_TRUE(m.file);
  int written = 0;
  int32_t rc = mg::kAviErrOk;
  const uint8_t sound[441] = {};
  while (written < 1000) {
    rc = WriteRgbFrame(m.video, written, written, 64, 48);
    if (rc != mg::kAviErrOk) break;
    rc = m.audio->Write(written * 441, 441, sound, 441, mg::kAviIfKeyFrame);
    if (rc != mg::kAviErrOk) break;
    ++written;
  }
  EXPECT_EQ(rc, mg::kAviErrFileWrite) << "the disk filled up";
  ASSERT_GT(written, 5);
  EXPECT_EQ(m.file->Close(), mg::kAviErrFileWrite) << "the failure stays reported";
  const AviHeaders h = ReadAviHeaders(path);
  ASSERT_TRUE(h.ok) << h.error;
  EXPECT_TRUE(h.hasIdx1) << "the index is inside the file";
  EXPECT_GE(h.idx1Entries, static_cast<uint32_t>(2 * written));
  EXPECT_FALSE(h.truncated);
  const DecodedAvi d = DecodeAvi(path);
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_GE(d.frames.size(), static_cast<size_t>(written));
  ExpectRgbFrame(d, written - 1, written - 1, 64, 48);
}

TEST(AviRiffWriter, RefusesWhatItCannotWrite) {
  std::unique_ptr<IAviFile> file;
  EXPECT_EQ(mg::OpenRiffAviFile("/nonexistent-folder/x.avi", &file), mg::kAviErrFileOpen);
  EXPECT_FALSE(file);
  TempFolder dir;
  EXPECT_EQ(mg::OpenRiffAviFile(dir.File(""), &file), mg::kAviErrFileOpen);  // a folder
  EXPECT_EQ(mg::OpenRiffAviFile("", &file), mg::kAviErrFileOpen);
  EXPECT_EQ(mg::OpenRiffAviFile(dir.File("x.avi"), nullptr), mg::kAviErrBadParam);

  ASSERT_EQ(mg::OpenRiffAviFile(dir.File("x.avi"), &file), mg::kAviErrOk);
  IAviStream* s = nullptr;
  mg::AviStreamInfo text;
  text.fccType = mg::MakeFourcc("txts");
  EXPECT_EQ(file->CreateStream(text, &s), mg::kAviErrUnsupported);
  ASSERT_EQ(file->CreateStream(VideoStreamInfo("DIB ", 1000, 8, 8, 24), &s), mg::kAviErrOk);
  const uint8_t px[8 * 8 * 3] = {};
  EXPECT_EQ(s->Write(0, 1, px, sizeof(px), 0), mg::kAviErrBadFormat);  // no format yet
  const std::vector<uint8_t> f = DibFormat(8, 8, 24, {});
  EXPECT_EQ(s->SetFormat(0, f.data(), 20), mg::kAviErrBadFormat);
  ASSERT_EQ(s->SetFormat(0, f.data(), static_cast<int32_t>(f.size())), mg::kAviErrOk);
  EXPECT_EQ(s->Write(0, 2, px, sizeof(px), 0), mg::kAviErrBadParam);  // one frame a call
  EXPECT_EQ(s->Write(-1, 1, px, sizeof(px), 0), mg::kAviErrBadParam);
  EXPECT_EQ(s->Write(0, 1, nullptr, 10, 0), mg::kAviErrBadParam);
  EXPECT_EQ(file->Close(), mg::kAviErrOk);
  // Nothing written: still a well-formed, empty movie.
  const AviHeaders h = ReadAviHeaders(dir.File("x.avi"));
  ASSERT_TRUE(h.ok) << h.error;
  EXPECT_EQ(h.streams[0].dwLength, 0u);
  EXPECT_TRUE(h.hasIdx1);
}

}  // namespace
}  // namespace mgtest
