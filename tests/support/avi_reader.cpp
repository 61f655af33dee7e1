#include "tests/support/avi_reader.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

namespace mgtest {

std::string FourccText(uint32_t code) {
  std::string text(4, ' ');
  for (int i = 0; i < 4; ++i) text[i] = static_cast<char>((code >> (8 * i)) & 0xff);
  return text;
}

namespace {

uint16_t Rl16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Rl32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint64_t Rl64(const uint8_t* p) {
  return Rl32(p) | static_cast<uint64_t>(Rl32(p + 4)) << 32;
}

bool IsDigit(uint8_t c) {
  return c >= '0' && c <= '9';
}

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};

// A plain walk over the RIFF structure; see AviHeaders for what it collects.
class RiffWalker {
 public:
  RiffWalker(FILE* file, uint64_t size, AviHeaders* out) : file_(file), size_(size), out_(out) {}

  void Run() {
    uint64_t pos = 0;
    while (pos + 12 <= size_) {
      uint8_t head[12];
      if (!Read(pos, head, 12)) break;
      if (Rl32(head) != Fourcc("RIFF")) break;
      const uint32_t riffSize = Rl32(head + 4);
      const uint32_t type = Rl32(head + 8);
      if (out_->riffSegments == 0 && type != Fourcc("AVI ")) {
        out_->error = "not a RIFF 'AVI ' file";
        return;
      }
      if (out_->riffSegments > 0 && type != Fourcc("AVIX")) break;
      ++out_->riffSegments;
      out_->riffSizes.push_back(riffSize);
      uint64_t end = pos + 8 + riffSize;
      if (end > size_) {
        out_->truncated = true;
        end = size_;
      }
      WalkList(pos + 12, end);
      pos = pos + 8 + riffSize + (riffSize & 1);
    }
    if (out_->riffSegments == 0) {
      if (out_->error.empty()) out_->error = "no RIFF header";
      return;
    }
    out_->trailingBytes = pos < size_ ? size_ - pos : 0;
    ApplyIndexes();
    for (auto& s : out_->streams) {
      s.dataChunks = static_cast<int>(s.chunks.size());
      for (size_t i = 0; i < s.chunks.size(); ++i) {
        s.dataBytes += s.chunks[i].size;
        if (s.chunks[i].size == 0) {
          ++s.emptyChunks;
          s.emptyPositions.push_back(static_cast<int64_t>(i));
        }
      }
    }
    out_->ok = sawHeader_;
    if (!sawHeader_ && out_->error.empty()) out_->error = "no hdrl/avih";
  }

 private:
  struct IndexEntry {
    int stream;
    uint64_t chunkOffset;
    bool key;
  };
  struct Idx1Entry {
    uint32_t id, flags, offset, size;
  };

  bool Read(uint64_t pos, void* buf, size_t n) {
    if (pos + n > size_) return false;
    if (fseeko(file_, static_cast<off_t>(pos), SEEK_SET) != 0) return false;
    return fread(buf, 1, n, file_) == n;
  }
  std::vector<uint8_t> ReadBytes(uint64_t pos, uint32_t n) {
    std::vector<uint8_t> bytes(n);
    if (n && !Read(pos, bytes.data(), n)) bytes.clear();
    return bytes;
  }

  AviStreamHeaders* Current() { return out_->streams.empty() ? nullptr : &out_->streams.back(); }

  void WalkList(uint64_t pos, uint64_t end) {
    while (pos + 8 <= end) {
      uint8_t head[12];
      if (!Read(pos, head, 8)) return;
      const uint32_t id = Rl32(head);
      const uint32_t size = Rl32(head + 4);
      const uint64_t body = pos + 8;
      uint64_t chunkEnd = body + size;
      if (chunkEnd > end) {
        out_->truncated = true;
        chunkEnd = end;
      }
      if (id == Fourcc("LIST") && chunkEnd >= body + 4) {
        Read(body, head + 8, 4);
        const uint32_t type = Rl32(head + 8);
        if (type == Fourcc("strl")) out_->streams.emplace_back();
        if (type == Fourcc("movi")) {
          out_->moviSizes.push_back(size);
          moviBase_ = body;  // idx1 offsets count from the 'movi' code
          WalkMovi(body + 4, chunkEnd);
        } else if (type == Fourcc("hdrl") || type == Fourcc("strl") || type == Fourcc("odml")) {
          WalkList(body + 4, chunkEnd);
        }
      } else {
        Chunk(id, body, static_cast<uint32_t>(chunkEnd - body), size);
      }
      pos = body + size + (size & 1);
    }
  }

  void Chunk(uint32_t id, uint64_t body, uint32_t avail, uint32_t size) {
    std::vector<uint8_t> d;
    if (id == Fourcc("avih")) {
      d = ReadBytes(body, std::min<uint32_t>(avail, 40));
      if (d.size() < 40) return;
      AviMainHeader& h = out_->avih;
      uint32_t* fields[] = {&h.dwMicroSecPerFrame,
                            &h.dwMaxBytesPerSec,
                            &h.dwPaddingGranularity,
                            &h.dwFlags,
                            &h.dwTotalFrames,
                            &h.dwInitialFrames,
                            &h.dwStreams,
                            &h.dwSuggestedBufferSize,
                            &h.dwWidth,
                            &h.dwHeight};
      for (int i = 0; i < 10; ++i) *fields[i] = Rl32(&d[4 * i]);
      sawHeader_ = true;
    } else if (id == Fourcc("strh") && Current()) {
      d = ReadBytes(body, std::min<uint32_t>(avail, 56));
      AviStreamHeaders& s = *Current();
      s.strhSize = size;
      if (d.size() < 48) return;
      s.fccType = Rl32(&d[0]);
      s.fccHandler = Rl32(&d[4]);
      s.dwFlags = Rl32(&d[8]);
      s.wPriority = Rl16(&d[12]);
      s.wLanguage = Rl16(&d[14]);
      s.dwInitialFrames = Rl32(&d[16]);
      s.dwScale = Rl32(&d[20]);
      s.dwRate = Rl32(&d[24]);
      s.dwStart = Rl32(&d[28]);
      s.dwLength = Rl32(&d[32]);
      s.dwSuggestedBufferSize = Rl32(&d[36]);
      s.dwQuality = Rl32(&d[40]);
      s.dwSampleSize = Rl32(&d[44]);
      if (d.size() >= 56) {
        s.rcLeft = static_cast<int16_t>(Rl16(&d[48]));
        s.rcTop = static_cast<int16_t>(Rl16(&d[50]));
        s.rcRight = static_cast<int16_t>(Rl16(&d[52]));
        s.rcBottom = static_cast<int16_t>(Rl16(&d[54]));
      }
    } else if (id == Fourcc("strf") && Current()) {
      Current()->format = ReadBytes(body, avail);
    } else if (id == Fourcc("strn") && Current()) {
      d = ReadBytes(body, avail);
      Current()->name.assign(d.begin(), d.end());
      Current()->name = Current()->name.c_str();
    } else if (id == Fourcc("indx") && Current()) {
      d = ReadBytes(body, std::min<uint32_t>(avail, 24));
      Current()->hasSuperIndex = true;
      if (d.size() >= 8) Current()->superIndexEntries = Rl32(&d[4]);
    } else if (id == Fourcc("dmlh")) {
      d = ReadBytes(body, std::min<uint32_t>(avail, 4));
      out_->hasOdml = true;
      if (d.size() == 4) out_->odmlTotalFrames = Rl32(&d[0]);
    } else if (id == Fourcc("idx1")) {
      out_->hasIdx1 = true;
      d = ReadBytes(body, avail - avail % 16);
      out_->idx1Entries = static_cast<uint32_t>(d.size() / 16);
      for (size_t i = 0; i + 16 <= d.size(); i += 16)
        idx1_.push_back({Rl32(&d[i]), Rl32(&d[i + 4]), Rl32(&d[i + 8]), Rl32(&d[i + 12])});
      idx1MoviBase_ = moviBase_;
    }
  }

  void WalkMovi(uint64_t pos, uint64_t end) {
    while (pos + 8 <= end) {
      uint8_t head[12];
      if (!Read(pos, head, 8)) return;
      const uint32_t id = Rl32(head);
      const uint32_t size = Rl32(head + 4);
      const uint64_t body = pos + 8;
      if (body + size > end) {
        out_->truncated = true;
        return;
      }
      if (id == Fourcc("LIST")) {
        WalkMovi(body + 4, body + size);  // 'rec ' lists
      } else if (head[0] == 'i' && head[1] == 'x' && IsDigit(head[2]) && IsDigit(head[3])) {
        ++out_->standardIndexChunks;
        const int stream = (head[2] - '0') * 10 + (head[3] - '0');
        if (stream < static_cast<int>(out_->streams.size()))
          ++out_->streams[stream].standardIndexChunks;
        ReadStandardIndex(body, size);
      } else if (IsDigit(head[0]) && IsDigit(head[1])) {
        const int stream = (head[0] - '0') * 10 + (head[1] - '0');
        if (stream < static_cast<int>(out_->streams.size())) {
          AviStreamHeaders& s = out_->streams[stream];
          if (head[2] == 'p' && head[3] == 'c') {
            ReadPaletteChange(body, size, &s);
          } else {
            chunkAt_[pos] = {stream, s.chunks.size()};
            s.chunks.push_back({pos, size, false, false});
          }
        }
      }
      pos = body + size + (size & 1);
    }
  }

  void ReadPaletteChange(uint64_t body, uint32_t size, AviStreamHeaders* s) {
    const std::vector<uint8_t> d = ReadBytes(body, size);
    AviPaletteChange pc;
    pc.position = static_cast<int64_t>(s->chunks.size());
    if (d.size() >= 4) {
      pc.firstEntry = d[0];
      pc.numEntries = d[1];
      pc.flags = Rl16(&d[2]);
      const size_t n = pc.numEntries ? pc.numEntries : 256;
      for (size_t i = 0; i < n && 4 + 4 * i + 4 <= d.size(); ++i) {
        const uint8_t* e = &d[4 + 4 * i];
        pc.entries.push_back(static_cast<uint32_t>(e[0]) << 16 | e[1] << 8 | e[2]);
        pc.entryFlags.push_back(e[3]);
      }
    }
    s->paletteChanges.push_back(std::move(pc));
  }

  void ReadStandardIndex(uint64_t body, uint32_t size) {
    const std::vector<uint8_t> d = ReadBytes(body, size);
    if (d.size() < 24) return;
    const uint16_t longsPerEntry = Rl16(&d[0]);
    const uint8_t indexType = d[3];
    const uint32_t entries = Rl32(&d[4]);
    const uint32_t chunkId = Rl32(&d[8]);
    const uint64_t base = Rl64(&d[12]);
    if (longsPerEntry != 2 || indexType != 1 /* AVI_INDEX_OF_CHUNKS */) return;
    const uint8_t c0 = chunkId & 0xff, c1 = (chunkId >> 8) & 0xff;
    if (!IsDigit(c0) || !IsDigit(c1)) return;
    const int stream = (c0 - '0') * 10 + (c1 - '0');
    for (uint32_t i = 0; i < entries && 24 + 8 * i + 8 <= d.size(); ++i) {
      const uint32_t offset = Rl32(&d[24 + 8 * i]);
      const uint32_t sizeField = Rl32(&d[28 + 8 * i]);
      pending_.push_back({stream, base + offset - 8, (sizeField & 0x80000000u) == 0});
    }
  }

  void ApplyIndexes() {
    // idx1 offsets are relative to the 'movi' code, or (in some writers) absolute.
    if (!idx1_.empty()) {
      uint64_t base = idx1MoviBase_;
      const Idx1Entry& first = idx1_.front();
      if (!chunkAt_.count(base + first.offset) && chunkAt_.count(first.offset)) base = 0;
      for (const Idx1Entry& e : idx1_) {
        const uint8_t c0 = e.id & 0xff, c1 = (e.id >> 8) & 0xff;
        if (!IsDigit(c0) || !IsDigit(c1)) continue;
        pending_.push_back({(c0 - '0') * 10 + (c1 - '0'), base + e.offset, (e.flags & 0x10) != 0});
      }
    }
    for (const IndexEntry& e : pending_) {
      auto it = chunkAt_.find(e.chunkOffset);
      if (it == chunkAt_.end() || it->second.first != e.stream) continue;
      AviChunk& c = out_->streams[e.stream].chunks[it->second.second];
      c.indexed = true;
      c.keyFrame = e.key;
    }
  }

  FILE* file_;
  uint64_t size_;
  AviHeaders* out_;
  bool sawHeader_ = false;
  uint64_t moviBase_ = 0;
  uint64_t idx1MoviBase_ = 0;
  std::vector<Idx1Entry> idx1_;
  std::vector<IndexEntry> pending_;
  std::map<uint64_t, std::pair<int, size_t>> chunkAt_;  // chunk header offset -> stream, ordinal
};

}  // namespace

AviHeaders ReadAviHeaders(const std::string& path) {
  AviHeaders out;
  std::unique_ptr<FILE, FileCloser> file(fopen(path.c_str(), "rb"));
  if (!file) {
    out.error = "cannot open " + path;
    return out;
  }
  fseeko(file.get(), 0, SEEK_END);
  out.fileSize = static_cast<uint64_t>(ftello(file.get()));
  RiffWalker(file.get(), out.fileSize, &out).Run();
  return out;
}

}  // namespace mgtest
