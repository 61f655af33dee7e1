// Counts the video frames of an AVI movie as stored: chunks with data are frames written, empty
// chunks are frames skipped. Prints one line of name=value pairs for tools/bench:
//   handler=H264 chunks=300 written=298 skipped=2 bytes=123456
// Exit status 1 when the file cannot be read as an AVI movie with a video stream.
#include <cstdio>
#include <string>

#include "tests/support/avi_reader.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_avi_frames FILE.avi\n");
    return 2;
  }
  const mgtest::AviHeaders avi = mgtest::ReadAviHeaders(argv[1]);
  if (!avi.ok) {
    std::fprintf(stderr, "bench_avi_frames: %s: %s\n", argv[1], avi.error.c_str());
    return 1;
  }
  for (const mgtest::AviStreamHeaders& s : avi.streams) {
    if (s.fccType != mgtest::Fourcc("vids")) continue;
    std::string handler = mgtest::FourccText(s.fccHandler);
    for (char& c : handler)
      if (c == ' ' || c < 32 || c > 126) c = '_';
    std::printf("handler=%s chunks=%d written=%d skipped=%d bytes=%llu\n", handler.c_str(),
                s.dataChunks, s.dataChunks - s.emptyChunks, s.emptyChunks,
                static_cast<unsigned long long>(s.dataBytes));
    return 0;
  }
  std::fprintf(stderr, "bench_avi_frames: %s: no video stream\n", argv[1]);
  return 1;
}
