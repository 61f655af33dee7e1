#include "avi/avi_riff_writer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "avi/avi_riff_header.h"
#include "avi/avi_riff_sink.h"

namespace mg {

namespace {

constexpr uint32_t kAviifKeyFrame = 0x10;  // AVIIF_KEYFRAME in idx1
constexpr uint32_t kAviifNoTime = 0x100;   // AVIIF_NO_TIME: palette changes take no time
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr uint64_t kMaxRiffBytes = 0xFFFF0000u;
constexpr int kMaxStreams = 100;  // two decimal digits in the chunk codes
constexpr uint32_t kHeaderSlack = 512;
constexpr uint32_t kHeaderAlign = 2048;

// Whether colour-table entry `i` (blue, green, red, reserved) has the same colour in both tables.
bool SameColour(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, size_t i) {
  if (i * 4 + 4 > a.size() || i * 4 + 4 > b.size()) return false;
  return memcmp(&a[i * 4], &b[i * 4], 3) == 0;
}

bool SameColours(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size() / 4; ++i)
    if (!SameColour(a, b, i)) return false;
  return true;
}

uint32_t ChunkCode(int stream, const char* type) {
  const char code[5] = {static_cast<char>('0' + stream / 10), static_cast<char>('0' + stream % 10),
                        type[0], type[1], 0};
  return MakeFourcc(code);
}

class RiffAviFile;

class RiffAviStream final : public IAviStream {
 public:
  RiffAviStream(RiffAviFile* file, int number, const AviStreamInfo& info)
      : file_(file), number_(number), info_(info), video_(info.fccType == kStreamTypeVideo) {}

  int32_t SetFormat(int32_t pos, const void* format, int32_t size) override;
  int32_t Write(int32_t pos, int32_t samples, const void* data, int32_t bytes,
                uint32_t flags) override;

  // What the header shows of this stream now.
  RiffStreamHeader Header() const {
    RiffStreamHeader h;
    h.info = info_;
    h.info.dwLength = static_cast<uint32_t>(length_);
    if (paletteChanged_) h.info.dwFlags |= kAvisfVideoPalChanges;
    if (!video_ && blockAlign_) h.info.dwSampleSize = blockAlign_;
    h.format = &format_;
    h.chunkId = dataCode_;
    h.superIndex = &superIndex_;
    return h;
  }

  int number() const { return number_; }
  bool video() const { return video_; }
  bool hasFormat() const { return !format_.empty(); }
  int64_t length() const { return length_; }
  uint32_t dataCode() const { return dataCode_; }
  uint32_t blockAlign() const { return blockAlign_; }
  uint32_t largestChunk() const { return largestChunk_; }
  const AviStreamInfo& info() const { return info_; }
  std::vector<RiffSuperIndexEntry>& superIndex() { return superIndex_; }
  // Writes a colour-table change still waiting for its frame (at close).
  int32_t FlushPendingPalette();

 private:
  int32_t SetVideoFormatChange(int32_t pos, const uint8_t* format, int32_t size);
  int32_t WriteVideo(int32_t pos, int32_t samples, const void* data, int32_t bytes, uint32_t flags);
  int32_t WriteAudio(int32_t pos, int32_t samples, const void* data, int32_t bytes);
  int32_t FillTo(int64_t pos);
  int32_t WritePaletteChange();
  int32_t Data(const void* data, uint32_t bytes, uint32_t indexFlags);

  RiffAviFile* file_;
  int number_;
  AviStreamInfo info_;
  bool video_;
  std::vector<uint8_t> format_;  // strf: the format given first
  uint32_t dataCode_ = 0;
  uint32_t blockAlign_ = 0;  // audio: bytes per sample
  int64_t length_ = 0;       // video: positions written; audio: samples written
  uint32_t largestChunk_ = 0;
  // Video colour table: as the file has it so far, and a change waiting for its frame.
  std::vector<uint8_t> table_;
  std::vector<uint8_t> pendingTable_;
  int64_t pendingPos_ = -1;
  bool paletteChanged_ = false;
  std::array<uint8_t, 4 + 4 * 256> paletteChunk_{};
  std::vector<RiffSuperIndexEntry> superIndex_;
};

class RiffAviFile final : public IAviFile {
 public:
  explicit RiffAviFile(const RiffLimits& limits) : limits_(limits) {
    limits_.maxRiffBytes = std::min(limits_.maxRiffBytes, kMaxRiffBytes);
    limits_.superIndexEntries = std::max<uint32_t>(limits_.superIndexEntries, 1);
    index_.reserve(16384);
  }
  ~RiffAviFile() override { Close(); }

  bool Open(const std::string& name) {
    closed_ = !sink_.Open(name);
    return !closed_;
  }

  int32_t CreateStream(const AviStreamInfo& info, IAviStream** out) override;
  int32_t Close() override;

  // Services for the streams.
  int32_t error() const { return error_; }
  bool closed() const { return closed_; }
  // Checks that the header still fits in front of the movie data after a change.
  bool HeaderFits();
  // Appends one chunk (header, the caller's bytes, padding) with its index entry.
  int32_t AppendChunk(int stream, uint32_t code, const void* data, uint32_t bytes,
                      uint32_t indexFlags);
  // Appends `count` empty chunks.
  int32_t AppendEmptyChunks(int stream, uint32_t code, int64_t count);
  // After a write call: keeps the sizes on disk current and refreshes the header now and then.
  int32_t Commit();

 private:
  struct IndexEntry {
    uint32_t code;
    uint32_t flags;
    uint64_t offset;  // of the chunk header
    uint32_t size;
    uint16_t stream;
  };
  struct Segment {
    uint64_t riffOffset;
    uint64_t moviListOffset;
    size_t firstEntry;
    uint32_t riffSize;
    uint32_t moviSize;
  };

  int32_t Fail() {
    if (!error_) error_ = kAviErrFileWrite;
    return error_;
  }
  RiffMainHeader MainHeader() const;
  void CollectStreamHeaders();
  int32_t Start();
  int32_t MakeRoom(uint64_t bytes, uint64_t chunks);
  int32_t KeepIndexRoom(uint64_t bytes, uint64_t chunks);
  int32_t FinishSegment(bool more);
  int32_t WriteStandardIndex(RiffAviStream* stream, const Segment& seg);
  int32_t WriteIdx1(const Segment& seg);
  int32_t StartSegment();
  int32_t PatchSizes();
  int32_t PatchCounts();
  int32_t WriteHeader();
  uint32_t TotalFrames() const;

  RiffLimits limits_;
  RiffSink sink_;
  std::vector<std::unique_ptr<RiffAviStream>> streams_;
  std::vector<RiffStreamHeader> headers_;
  std::vector<uint8_t> headerBytes_;
  RiffCountOffsets countOffsets_;       // of the header last written
  std::vector<uint32_t> countsOnDisk_;  // total frames, each stream's length, dmlh total
  std::vector<uint8_t> scratch_;
  std::vector<IndexEntry> index_;
  std::vector<Segment> segments_;
  uint32_t moviListOffset_ = 0;  // 0 until the header is on disk
  uint64_t end_ = 0;             // where the next chunk goes
  uint64_t dataBytes_ = 0;       // payload of all chunks
  uint64_t reserved_ = 0;        // disk space set aside up to here
  uint32_t firstSegmentFrames_ = 0;
  bool finalHeader_ = false;
  bool closed_ = false;
  int32_t error_ = kAviErrOk;
  int32_t closeResult_ = kAviErrOk;
  std::chrono::steady_clock::time_point lastHeaderWrite_;
};

// ---- stream ----

int32_t RiffAviStream::SetFormat(int32_t pos, const void* format, int32_t size) {
  if (file_->closed()) return kAviErrBadHandle;
  if (!format || size <= 0 || pos < 0) return kAviErrBadParam;
  const uint8_t* bytes = static_cast<const uint8_t*>(format);
  if (video_ && size < static_cast<int32_t>(sizeof(BitmapInfoHeader))) return kAviErrBadFormat;
  if (!video_ && size < 16) return kAviErrBadFormat;  // WAVEFORMAT at least

  const bool nothingWritten = length_ == 0 && pendingPos_ < 0;
  if (format_.empty() || (nothingWritten && pos == 0)) {
    std::vector<uint8_t> previous;
    previous.swap(format_);
    format_.assign(bytes, bytes + size);
    if (!file_->HeaderFits()) {
      format_.swap(previous);
      return kAviErrUnsupported;
    }
    if (video_) {
      BitmapInfoHeader bih;
      memcpy(&bih, bytes, sizeof(bih));
      const bool raw = bih.biCompression == kBiRgb || bih.biCompression == kBiBitfields;
      dataCode_ = ChunkCode(number_, raw ? "db" : "dc");
      table_.assign(bytes + sizeof(bih), bytes + size);
    } else {
      uint16_t align;
      memcpy(&align, bytes + 12, 2);
      blockAlign_ = align ? align : 1;
      dataCode_ = ChunkCode(number_, "wb");
    }
    return kAviErrOk;
  }
  if (!video_) {
    const bool same =
        static_cast<size_t>(size) == format_.size() && memcmp(bytes, format_.data(), size) == 0;
    return same ? kAviErrOk : kAviErrUnsupported;
  }
  return SetVideoFormatChange(pos, bytes, size);
}

// A later format on a video stream: only its colour table may differ.
int32_t RiffAviStream::SetVideoFormatChange(int32_t pos, const uint8_t* format, int32_t size) {
  if (static_cast<size_t>(size) != format_.size() ||
      memcmp(format, format_.data(), sizeof(BitmapInfoHeader)) != 0)
    return kAviErrUnsupported;
  const std::vector<uint8_t>& current = pendingPos_ >= 0 ? pendingTable_ : table_;
  const std::vector<uint8_t> table(format + sizeof(BitmapInfoHeader), format + size);
  if (SameColours(current, table)) return kAviErrOk;  // the colours the stream has already
  if (pos < length_) return kAviErrBadParam;          // that frame is already written
  if (pendingPos_ >= 0 && pos != pendingPos_) {
    const int32_t rc = FillTo(pendingPos_);  // an earlier change keeps its own position
    if (rc != kAviErrOk) return rc;
    const int32_t rc2 = WritePaletteChange();
    if (rc2 != kAviErrOk) return rc2;
    const int32_t rc3 = file_->Commit();
    if (rc3 != kAviErrOk) return rc3;
  }
  pendingTable_ = table;
  pendingPos_ = pos;
  if (SameColours(pendingTable_, table_)) pendingPos_ = -1;  // back to the colours the file has
  return kAviErrOk;
}

int32_t RiffAviStream::Write(int32_t pos, int32_t samples, const void* data, int32_t bytes,
                             uint32_t flags) {
  if (file_->closed()) return kAviErrBadHandle;
  if (file_->error()) return file_->error();
  if (pos < 0 || samples < 0 || bytes < 0 || (bytes > 0 && !data)) return kAviErrBadParam;
  if (format_.empty()) return kAviErrBadFormat;
  const int32_t rc =
      video_ ? WriteVideo(pos, samples, data, bytes, flags) : WriteAudio(pos, samples, data, bytes);
  const int32_t commit = file_->Commit();
  return rc != kAviErrOk ? rc : commit;
}

int32_t RiffAviStream::WriteVideo(int32_t pos, int32_t samples, const void* data, int32_t bytes,
                                  uint32_t flags) {
  if (samples != 1 || pos < length_) return kAviErrBadParam;
  if (pendingPos_ >= 0 && pendingPos_ <= pos) {
    int32_t rc = FillTo(pendingPos_);
    if (rc == kAviErrOk) rc = WritePaletteChange();
    if (rc != kAviErrOk) return rc;
  }
  int32_t rc = FillTo(pos);
  if (rc != kAviErrOk) return rc;
  rc = Data(data, static_cast<uint32_t>(bytes), (flags & kAviIfKeyFrame) ? kAviifKeyFrame : 0);
  if (rc == kAviErrOk) ++length_;
  return rc;
}

int32_t RiffAviStream::WriteAudio(int32_t pos, int32_t samples, const void* data, int32_t bytes) {
  if (pos != length_) return kAviErrBadParam;  // audio is appended at the running position
  if (static_cast<int64_t>(samples) * blockAlign_ != bytes) return kAviErrBadSize;
  if (samples == 0) return kAviErrOk;
  const int32_t rc = Data(data, static_cast<uint32_t>(bytes), kAviifKeyFrame);
  if (rc == kAviErrOk) length_ += samples;
  return rc;
}

int32_t RiffAviStream::Data(const void* data, uint32_t bytes, uint32_t indexFlags) {
  const int32_t rc = file_->AppendChunk(number_, dataCode_, data, bytes, indexFlags);
  if (rc == kAviErrOk) largestChunk_ = std::max(largestChunk_, bytes);
  return rc;
}

// Empty chunks for the positions left out before `pos`: they keep the later frames in time.
int32_t RiffAviStream::FillTo(int64_t pos) {
  if (pos <= length_) return kAviErrOk;
  const int32_t rc = file_->AppendEmptyChunks(number_, dataCode_, pos - length_);
  if (rc == kAviErrOk) length_ = pos;
  return rc;
}

// Writes the colour entries whose colour differs from the file's table as AVIPALCHANGE chunks, one
// chunk for each run of changed entries; an entry whose reserved byte alone differs is no change.
// A byte counts the entries, so a run of all 256 goes out as two chunks of 128.
int32_t RiffAviStream::WritePaletteChange() {
  const size_t entries = std::min<size_t>(pendingTable_.size() / 4, 256);
  pendingPos_ = -1;
  const auto changed = [this](size_t i) { return !SameColour(pendingTable_, table_, i); };
  const uint32_t code = ChunkCode(number_, "pc");
  bool any = false;
  for (size_t start = 0; start < entries;) {
    if (!changed(start)) {
      ++start;
      continue;
    }
    size_t count = 1;
    while (count < 128 && start + count < entries && changed(start + count)) ++count;
    paletteChunk_[0] = static_cast<uint8_t>(start);
    paletteChunk_[1] = static_cast<uint8_t>(count);
    paletteChunk_[2] = paletteChunk_[3] = 0;  // wFlags
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* quad = &pendingTable_[(start + i) * 4];  // blue, green, red, reserved
      uint8_t* entry = &paletteChunk_[4 + 4 * i];             // red, green, blue, flags
      entry[0] = quad[2];
      entry[1] = quad[1];
      entry[2] = quad[0];
      entry[3] = quad[3];
    }
    const int32_t rc = file_->AppendChunk(number_, code, paletteChunk_.data(),
                                          static_cast<uint32_t>(4 + 4 * count), kAviifNoTime);
    if (rc != kAviErrOk) return rc;
    any = true;
    start += count;
  }
  table_ = pendingTable_;
  if (any) paletteChanged_ = true;
  return kAviErrOk;
}

int32_t RiffAviStream::FlushPendingPalette() {
  if (pendingPos_ < 0) return kAviErrOk;
  const int32_t rc = FillTo(pendingPos_);
  return rc != kAviErrOk ? rc : WritePaletteChange();
}

// ---- file ----

int32_t RiffAviFile::CreateStream(const AviStreamInfo& info, IAviStream** out) {
  if (!out) return kAviErrBadParam;
  *out = nullptr;
  if (closed_) return kAviErrBadHandle;
  if (info.fccType != kStreamTypeVideo && info.fccType != kStreamTypeAudio)
    return kAviErrUnsupported;
  if (static_cast<int>(streams_.size()) >= kMaxStreams) return kAviErrUnsupported;
  streams_.push_back(
      std::make_unique<RiffAviStream>(this, static_cast<int>(streams_.size()), info));
  if (!HeaderFits()) {
    streams_.pop_back();
    return kAviErrUnsupported;
  }
  *out = streams_.back().get();
  return kAviErrOk;
}

void RiffAviFile::CollectStreamHeaders() {
  headers_.clear();
  for (const auto& s : streams_) headers_.push_back(s->Header());
}

bool RiffAviFile::HeaderFits() {
  if (!moviListOffset_) return true;
  CollectStreamHeaders();
  return BuildRiffHeader(MainHeader(), headers_, moviListOffset_, &headerBytes_) <= moviListOffset_;
}

RiffMainHeader RiffAviFile::MainHeader() const {
  RiffMainHeader h;
  const RiffAviStream* video = nullptr;
  const uint64_t dataBytes = dataBytes_;
  for (const auto& s : streams_) {
    if (!video && s->video()) video = s.get();
    h.suggestedBufferSize =
        std::max({h.suggestedBufferSize, s->info().dwSuggestedBufferSize, s->largestChunk()});
  }
  const RiffAviStream* first = video ? video : (streams_.empty() ? nullptr : streams_[0].get());
  if (video) {
    const AviStreamInfo& i = video->info();
    if (i.dwRate)
      h.microSecPerFrame =
          static_cast<uint32_t>((uint64_t{1000000} * i.dwScale + i.dwRate / 2) / i.dwRate);
    RiffStreamHeader vh = video->Header();
    if (vh.format->size() >= sizeof(BitmapInfoHeader)) {
      BitmapInfoHeader bih;
      memcpy(&bih, vh.format->data(), sizeof(bih));
      h.width = static_cast<uint32_t>(bih.biWidth);
      h.height = static_cast<uint32_t>(bih.biHeight < 0 ? -bih.biHeight : bih.biHeight);
    } else {
      h.width = static_cast<uint32_t>(i.rcFrame.right - i.rcFrame.left);
      h.height = static_cast<uint32_t>(i.rcFrame.bottom - i.rcFrame.top);
    }
    const double seconds =
        i.dwRate ? static_cast<double>(video->length()) * i.dwScale / i.dwRate : 0.0;
    if (seconds > 0)
      h.maxBytesPerSec = static_cast<uint32_t>(std::min(dataBytes / seconds, 4294967295.0));
  }
  h.openDml = segments_.size() > 1;
  h.totalFrames = TotalFrames();
  h.odmlTotalFrames = first ? static_cast<uint32_t>(first->length()) : 0;
  h.superIndexReserve = limits_.superIndexEntries;
  h.flags = finalHeader_ ? kAvifHasIndex : 0;
  if (!segments_.empty()) {
    h.riffSize = segments_[0].riffSize;
    h.moviSize = segments_[0].moviSize;
  } else {
    h.riffSize = moviListOffset_ + 4;
    h.moviSize = 4;
  }
  return h;
}

// avih's frame count: the first (video) stream's length, within the first RIFF segment once
// there are more.
uint32_t RiffAviFile::TotalFrames() const {
  const RiffAviStream* first = nullptr;
  for (const auto& s : streams_)
    if (!first && s->video()) first = s.get();
  if (!first && !streams_.empty()) first = streams_[0].get();
  if (segments_.size() > 1) return firstSegmentFrames_;
  return first ? static_cast<uint32_t>(first->length()) : 0;
}

// Puts the header on disk and opens the movie list: on the first chunk (or at close).
int32_t RiffAviFile::Start() {
  CollectStreamHeaders();
  const uint32_t natural = BuildRiffHeader(MainHeader(), headers_, 0, &headerBytes_);
  moviListOffset_ = (natural + kHeaderSlack + kHeaderAlign - 1) / kHeaderAlign * kHeaderAlign;
  end_ = moviListOffset_ + 12;
  segments_.push_back({0, moviListOffset_, 0, static_cast<uint32_t>(end_ - 8), 4});
  return WriteHeader();
}

int32_t RiffAviFile::WriteHeader() {
  CollectStreamHeaders();
  if (BuildRiffHeader(MainHeader(), headers_, moviListOffset_, &headerBytes_, &countOffsets_) >
      moviListOffset_)
    return Fail();
  if (!sink_.WriteAt(0, headerBytes_.data(), headerBytes_.size())) return Fail();
  lastHeaderWrite_ = std::chrono::steady_clock::now();
  countsOnDisk_.clear();
  return kAviErrOk;
}

// The counts in the header as they are now, each written only when it changed.
int32_t RiffAviFile::PatchCounts() {
  const size_t n = streams_.size();
  if (countOffsets_.streamLength.size() != n) return WriteHeader();  // a stream came later
  std::vector<uint32_t>& disk = countsOnDisk_;
  if (disk.size() != n + 2) {
    disk.assign(n + 2, 0);
    // As the header last written has them.
    auto at = [this](uint32_t offset) {
      uint32_t v = 0;
      if (offset + 4 <= headerBytes_.size()) memcpy(&v, headerBytes_.data() + offset, 4);
      return v;
    };
    disk[0] = at(countOffsets_.totalFrames);
    for (size_t i = 0; i < n; ++i) disk[i + 1] = at(countOffsets_.streamLength[i]);
    disk[n + 1] = countOffsets_.odmlTotalFrames ? at(countOffsets_.odmlTotalFrames) : 0;
  }
  auto put = [this](uint32_t offset, uint32_t value, uint32_t* onDisk) {
    if (*onDisk == value) return true;
    if (!sink_.PutU32(offset, value)) return false;
    *onDisk = value;
    return true;
  };
  bool ok = put(countOffsets_.totalFrames, TotalFrames(), &disk[0]);
  for (size_t i = 0; i < n && ok; ++i)
    ok = put(countOffsets_.streamLength[i], static_cast<uint32_t>(streams_[i]->length()),
             &disk[i + 1]);
  if (ok && countOffsets_.odmlTotalFrames) {
    const RiffAviStream* first = nullptr;
    for (const auto& s : streams_)
      if (!first && s->video()) first = s.get();
    if (!first) first = streams_[0].get();
    ok = put(countOffsets_.odmlTotalFrames, static_cast<uint32_t>(first->length()), &disk[n + 1]);
  }
  return ok ? kAviErrOk : Fail();
}

// Closes the current RIFF segment and opens an 'AVIX' one when the next `bytes` would carry the
// segment, with the indexes still to come, past the limit.
int32_t RiffAviFile::MakeRoom(uint64_t bytes, uint64_t chunks) {
  const Segment& seg = segments_.back();
  if (index_.size() == seg.firstEntry) return kAviErrOk;  // a segment holds at least one chunk
  const uint64_t entries = index_.size() - seg.firstEntry + chunks;
  uint64_t indexes = 8 * entries + 32 * streams_.size();
  if (segments_.size() == 1) indexes += 16 * entries + 8;  // idx1
  if (end_ + bytes + indexes - seg.riffOffset <= limits_.maxRiffBytes) return kAviErrOk;
  if (segments_.size() >= limits_.superIndexEntries) return kAviErrUnsupported;  // file too long
  int32_t rc = FinishSegment(true);
  if (rc == kAviErrOk) rc = StartSegment();
  return rc;
}

// The indexes are written at the end, when the disk may be full: the space for them (and for
// the chunk about to be written) is set aside ahead, and a chunk for which the disk has no room
// left is refused, so the index of the chunks written before it always fits.
int32_t RiffAviFile::KeepIndexRoom(uint64_t bytes, uint64_t chunks) {
  constexpr uint64_t kStep = uint64_t{1} << 20;
  const uint64_t entries = index_.size() + chunks;
  const uint64_t need =
      end_ + bytes + 24 * entries + 64 * streams_.size() * (segments_.size() + 1) + 64;
  if (need <= reserved_) return kAviErrOk;
  const uint64_t from = std::max(reserved_, end_);
  if (sink_.Reserve(from, need + kStep - from)) {
    reserved_ = need + kStep;
  } else if (sink_.Reserve(from, need - from)) {
    reserved_ = need;
  } else {
    return Fail();
  }
  return kAviErrOk;
}

int32_t RiffAviFile::AppendChunk(int stream, uint32_t code, const void* data, uint32_t bytes,
                                 uint32_t indexFlags) {
  if (error_) return error_;
  if (!moviListOffset_) {
    const int32_t rc = Start();
    if (rc != kAviErrOk) return rc;
  }
  const uint32_t padded = bytes + (bytes & 1);
  const int32_t room = MakeRoom(8 + uint64_t{padded}, 1);
  if (room != kAviErrOk) return room;
  const int32_t kept = KeepIndexRoom(8 + uint64_t{padded}, 1);
  if (kept != kAviErrOk) return kept;
  uint8_t head[8];
  PutLe32(head, code);
  PutLe32(head + 4, bytes);
  static const uint8_t kPad = 0;
  const iovec parts[3] = {
      {head, 8}, {const_cast<void*>(data), bytes}, {const_cast<uint8_t*>(&kPad), bytes & 1u}};
  if (!sink_.WriteAt(end_, parts, 3)) return Fail();
  index_.push_back({code, indexFlags, end_, bytes, static_cast<uint16_t>(stream)});
  end_ += 8 + padded;
  dataBytes_ += bytes;
  return kAviErrOk;
}

int32_t RiffAviFile::AppendEmptyChunks(int stream, uint32_t code, int64_t count) {
  if (error_) return error_;
  if (!moviListOffset_) {
    const int32_t rc = Start();
    if (rc != kAviErrOk) return rc;
  }
  constexpr int kBatch = 64;
  uint8_t heads[kBatch * 8];
  for (int i = 0; i < kBatch; ++i) {
    PutLe32(heads + 8 * i, code);
    PutLe32(heads + 8 * i + 4, 0);
  }
  while (count > 0) {
    const int n = static_cast<int>(std::min<int64_t>(count, kBatch));
    const int32_t room = MakeRoom(8 * static_cast<uint64_t>(n), static_cast<uint64_t>(n));
    if (room != kAviErrOk) return room;
    const int32_t kept = KeepIndexRoom(8 * static_cast<uint64_t>(n), static_cast<uint64_t>(n));
    if (kept != kAviErrOk) return kept;
    if (!sink_.WriteAt(end_, heads, 8 * static_cast<size_t>(n))) return Fail();
    for (int i = 0; i < n; ++i)
      index_.push_back(
          {code, 0, end_ + 8 * static_cast<uint64_t>(i), 0, static_cast<uint16_t>(stream)});
    end_ += 8 * static_cast<uint64_t>(n);
    count -= n;
  }
  return kAviErrOk;
}

int32_t RiffAviFile::PatchSizes() {
  Segment& seg = segments_.back();
  seg.moviSize = static_cast<uint32_t>(end_ - seg.moviListOffset - 8);
  seg.riffSize = static_cast<uint32_t>(end_ - seg.riffOffset - 8);
  if (!sink_.PutU32(seg.moviListOffset + 4, seg.moviSize) ||
      !sink_.PutU32(seg.riffOffset + 4, seg.riffSize))
    return Fail();
  return kAviErrOk;
}

int32_t RiffAviFile::Commit() {
  if (error_) return error_;
  if (!moviListOffset_) return kAviErrOk;
  const int32_t rc = PatchSizes();
  if (rc != kAviErrOk) return rc;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastHeaderWrite_ >= std::chrono::milliseconds(limits_.headerRefreshMs))
    return WriteHeader();
  return PatchCounts();
}

int32_t RiffAviFile::WriteStandardIndex(RiffAviStream* stream, const Segment& seg) {
  scratch_.assign(32, 0);
  uint32_t n = 0;
  uint64_t duration = 0;
  for (size_t i = seg.firstEntry; i < index_.size(); ++i) {
    const IndexEntry& e = index_[i];
    if (e.stream != stream->number() || e.code != stream->dataCode()) continue;
    uint8_t entry[8];
    PutLe32(entry, static_cast<uint32_t>(e.offset + 8 - seg.riffOffset));
    PutLe32(entry + 4, e.size | ((e.flags & kAviifKeyFrame) ? 0 : 0x80000000u));
    scratch_.insert(scratch_.end(), entry, entry + 8);
    duration += stream->video() ? 1 : e.size / std::max<uint32_t>(stream->blockAlign(), 1);
    ++n;
  }
  if (!n) return kAviErrOk;
  const char ix[5] = {'i', 'x', static_cast<char>('0' + stream->number() / 10),
                      static_cast<char>('0' + stream->number() % 10), 0};
  uint8_t* h = scratch_.data();
  PutLe32(h, MakeFourcc(ix));
  PutLe32(h + 4, static_cast<uint32_t>(scratch_.size() - 8));
  PutLe16(h + 8, 2);  // longs per entry
  h[10] = 0;          // sub type
  h[11] = 1;          // AVI_INDEX_OF_CHUNKS
  PutLe32(h + 12, n);
  PutLe32(h + 16, stream->dataCode());
  PutLe64(h + 20, seg.riffOffset);
  if (!sink_.WriteAt(end_, scratch_.data(), scratch_.size())) return Fail();
  stream->superIndex().push_back(
      {end_, static_cast<uint32_t>(scratch_.size()), static_cast<uint32_t>(duration)});
  end_ += scratch_.size();
  return kAviErrOk;
}

int32_t RiffAviFile::WriteIdx1(const Segment& seg) {
  const size_t count = index_.size() - seg.firstEntry;
  scratch_.resize(8 + 16 * count);
  uint8_t* p = scratch_.data();
  PutLe32(p, MakeFourcc("idx1"));
  PutLe32(p + 4, static_cast<uint32_t>(16 * count));
  p += 8;
  for (size_t i = seg.firstEntry; i < index_.size(); ++i, p += 16) {
    const IndexEntry& e = index_[i];
    PutLe32(p, e.code);
    PutLe32(p + 4, e.flags);
    PutLe32(p + 8, static_cast<uint32_t>(e.offset - (seg.moviListOffset + 8)));
    PutLe32(p + 12, e.size);
  }
  if (!sink_.WriteAt(end_, scratch_.data(), scratch_.size())) return Fail();
  end_ += scratch_.size();
  return kAviErrOk;
}

// Ends the current segment: its standard indexes (OpenDML files), the movie list, idx1 (first
// segment only) and its RIFF size.
int32_t RiffAviFile::FinishSegment(bool more) {
  const Segment seg = segments_.back();
  if (more || segments_.size() > 1)
    for (auto& s : streams_) {
      const int32_t rc = WriteStandardIndex(s.get(), seg);
      if (rc != kAviErrOk) return rc;
    }
  Segment& current = segments_.back();
  current.moviSize = static_cast<uint32_t>(end_ - seg.moviListOffset - 8);
  if (!sink_.PutU32(seg.moviListOffset + 4, current.moviSize)) return Fail();
  if (segments_.size() == 1) {
    for (const auto& s : streams_)
      if (s->video()) {
        firstSegmentFrames_ = static_cast<uint32_t>(s->length());
        break;
      }
    const int32_t rc = WriteIdx1(seg);
    if (rc != kAviErrOk) return rc;
  }
  current.riffSize = static_cast<uint32_t>(end_ - seg.riffOffset - 8);
  if (!sink_.PutU32(seg.riffOffset + 4, current.riffSize)) return Fail();
  return kAviErrOk;
}

int32_t RiffAviFile::StartSegment() {
  uint8_t head[24];
  PutLe32(head, MakeFourcc("RIFF"));
  PutLe32(head + 4, 16);
  PutLe32(head + 8, MakeFourcc("AVIX"));
  PutLe32(head + 12, MakeFourcc("LIST"));
  PutLe32(head + 16, 4);
  PutLe32(head + 20, MakeFourcc("movi"));
  if (!sink_.WriteAt(end_, head, sizeof(head))) return Fail();
  segments_.push_back({end_, end_ + 12, index_.size(), 16, 4});
  end_ += sizeof(head);
  return WriteHeader();  // the finished segment's super-index entries
}

int32_t RiffAviFile::Close() {
  if (closed_) return closeResult_;
  // After a failed write the chunks written before it still get their index (best effort: the
  // disk may have room again for the much smaller index), so the file stays readable.
  const int32_t earlier = error_;
  error_ = kAviErrOk;
  int32_t rc = kAviErrOk;
  if (!earlier)
    for (auto& s : streams_)
      if (rc == kAviErrOk) rc = s->FlushPendingPalette();
  if (rc == kAviErrOk && !moviListOffset_) rc = Start();
  if (rc == kAviErrOk) rc = FinishSegment(false);
  if (rc == kAviErrOk) {
    finalHeader_ = true;
    rc = WriteHeader();
  }
  if (rc == kAviErrOk) sink_.Truncate(end_);  // drops a chunk that was cut short
  if (!sink_.Close() && rc == kAviErrOk) rc = kAviErrFileWrite;
  if (earlier) rc = earlier;
  closed_ = true;
  closeResult_ = rc;
  return rc;
}

}  // namespace

int32_t OpenRiffAviFile(const std::string& fileName, std::unique_ptr<IAviFile>* out,
                        const RiffLimits& limits) {
  if (!out) return kAviErrBadParam;
  out->reset();
  auto file = std::make_unique<RiffAviFile>(limits);
  if (fileName.empty() || !file->Open(fileName)) {
    const int error = fileName.empty() ? ENOENT : errno;
    file.reset();
    errno = error;
    return kAviErrFileOpen;
  }
  *out = std::move(file);
  return kAviErrOk;
}

}  // namespace mg
