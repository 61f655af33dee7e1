#include "avi/avi_riff_header.h"

#include <algorithm>
#include <cstring>

#include "avi/avi_riff_sink.h"

namespace mg {

namespace {

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>* out) : out_(out) { out_->clear(); }
  size_t size() const { return out_->size(); }
  void U16(uint16_t v) {
    uint8_t b[2];
    PutLe16(b, v);
    Bytes(b, 2);
  }
  void U32(uint32_t v) {
    uint8_t b[4];
    PutLe32(b, v);
    Bytes(b, 4);
  }
  void U64(uint64_t v) {
    uint8_t b[8];
    PutLe64(b, v);
    Bytes(b, 8);
  }
  void Fourcc(const char* code) { U32(MakeFourcc(code)); }
  void Bytes(const void* p, size_t n) {
    if (n == 0) return;
    const size_t at = out_->size();
    out_->resize(at + n);
    std::memcpy(out_->data() + at, p, n);
  }
  void Zeros(size_t n) { out_->insert(out_->end(), n, 0); }
  // Starts a chunk (or list, with its type) and returns where its size goes.
  size_t Begin(const char* id, const char* listType = nullptr) {
    Fourcc(id);
    const size_t at = size();
    U32(0);
    if (listType) Fourcc(listType);
    return at;
  }
  // Ends the chunk begun at `at`: writes its size and pads it to an even length.
  void End(size_t at) {
    const uint32_t n = static_cast<uint32_t>(size() - at - 4);
    PutLe32(out_->data() + at, n);
    if (n & 1) Zeros(1);
  }
  void PatchU32(size_t at, uint32_t v) { PutLe32(out_->data() + at, v); }

 private:
  std::vector<uint8_t>* out_;
};

int16_t Clamp16(int32_t v) {
  return static_cast<int16_t>(std::clamp<int32_t>(v, -32768, 32767));
}

void StreamList(ByteWriter& w, const RiffStreamHeader& s, const RiffMainHeader& main,
                RiffCountOffsets* counts) {
  const size_t strl = w.Begin("LIST", "strl");
  const AviStreamInfo& i = s.info;
  const size_t strh = w.Begin("strh");
  w.U32(i.fccType);
  w.U32(i.fccHandler);
  w.U32(i.dwFlags);
  w.U16(i.wPriority);
  w.U16(i.wLanguage);
  w.U32(i.dwInitialFrames);
  w.U32(i.dwScale);
  w.U32(i.dwRate);
  w.U32(i.dwStart);
  if (counts) counts->streamLength.push_back(static_cast<uint32_t>(w.size()));
  w.U32(i.dwLength);
  w.U32(i.dwSuggestedBufferSize);
  w.U32(i.dwQuality);
  w.U32(i.dwSampleSize);
  w.U16(static_cast<uint16_t>(Clamp16(i.rcFrame.left)));
  w.U16(static_cast<uint16_t>(Clamp16(i.rcFrame.top)));
  w.U16(static_cast<uint16_t>(Clamp16(i.rcFrame.right)));
  w.U16(static_cast<uint16_t>(Clamp16(i.rcFrame.bottom)));
  w.End(strh);

  const size_t strf = w.Begin("strf");
  if (s.format && !s.format->empty()) w.Bytes(s.format->data(), s.format->size());
  w.End(strf);

  const size_t nameLength = strnlen(i.szName, sizeof(i.szName));
  if (nameLength) {
    const size_t strn = w.Begin("strn");
    w.Bytes(i.szName, nameLength);
    w.Zeros(1);
    w.End(strn);
  }

  // The super index, or a JUNK chunk of the same size that keeps its place.
  const uint32_t used = s.superIndex ? static_cast<uint32_t>(s.superIndex->size()) : 0;
  if (main.openDml && used) {
    const size_t indx = w.Begin("indx");
    w.U16(4);    // longs per entry
    w.Zeros(1);  // sub type
    w.Zeros(1);  // AVI_INDEX_OF_INDEXES
    w.U32(used);
    w.U32(s.chunkId);
    w.Zeros(12);
    for (const RiffSuperIndexEntry& e : *s.superIndex) {
      w.U64(e.offset);
      w.U32(e.size);
      w.U32(e.duration);
    }
    w.Zeros(16 *
            static_cast<size_t>(main.superIndexReserve - std::min(used, main.superIndexReserve)));
    w.End(indx);
  } else {
    const size_t junk = w.Begin("JUNK");
    w.Zeros(24 + 16 * static_cast<size_t>(main.superIndexReserve));
    w.End(junk);
  }
  w.End(strl);
}

}  // namespace

uint32_t BuildRiffHeader(const RiffMainHeader& main, const std::vector<RiffStreamHeader>& streams,
                         uint32_t moviListOffset, std::vector<uint8_t>* out,
                         RiffCountOffsets* counts) {
  ByteWriter w(out);
  if (counts) *counts = RiffCountOffsets{};
  w.Fourcc("RIFF");
  w.U32(main.riffSize);
  w.Fourcc("AVI ");
  const size_t hdrl = w.Begin("LIST", "hdrl");
  const size_t avih = w.Begin("avih");
  w.U32(main.microSecPerFrame);
  w.U32(main.maxBytesPerSec);
  w.U32(0);  // padding granularity
  w.U32(main.flags);
  if (counts) counts->totalFrames = static_cast<uint32_t>(w.size());
  w.U32(main.totalFrames);
  w.U32(0);  // initial frames
  w.U32(static_cast<uint32_t>(streams.size()));
  w.U32(main.suggestedBufferSize);
  w.U32(main.width);
  w.U32(main.height);
  w.Zeros(16);
  w.End(avih);
  for (const RiffStreamHeader& s : streams) StreamList(w, s, main, counts);

  // 'LIST odml' with the extended header, or JUNK of the same size.
  constexpr size_t kDmlhBytes = 248;
  if (main.openDml) {
    const size_t odml = w.Begin("LIST", "odml");
    const size_t dmlh = w.Begin("dmlh");
    if (counts) counts->odmlTotalFrames = static_cast<uint32_t>(w.size());
    w.U32(main.odmlTotalFrames);
    w.Zeros(kDmlhBytes - 4);
    w.End(dmlh);
    w.End(odml);
  } else {
    const size_t junk = w.Begin("JUNK");
    w.Zeros(4 + 8 + kDmlhBytes);
    w.End(junk);
  }
  w.End(hdrl);

  const uint32_t natural = static_cast<uint32_t>(w.size());
  if (moviListOffset) {
    if (natural > moviListOffset) return natural;
    const uint32_t gap = moviListOffset - natural;
    if (gap > 0 && gap < 8) return natural + 8;  // a JUNK chunk needs room for its header
    if (gap) {
      const size_t junk = w.Begin("JUNK");
      w.Zeros(gap - 8);
      w.End(junk);
    }
  }
  w.Fourcc("LIST");
  w.U32(main.moviSize);
  w.Fourcc("movi");
  return natural;
}

}  // namespace mg
