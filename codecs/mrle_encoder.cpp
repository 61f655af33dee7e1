#include "codecs/mrle_encoder.h"

#include <algorithm>
#include <cstring>

#include "platform/windows_records.h"

namespace mg {
namespace {

// Unchanged pixels inside a changed stretch are coded along unless there are at least this many
// in a row: a delta escape costs 4 bytes.
constexpr int kMinSkip = 5;

void Put(std::vector<uint8_t>* out, uint8_t a, uint8_t b) {
  out->push_back(a);
  out->push_back(b);
}

}  // namespace

void Rle8Encoder::Reset(int width, int height) {
  width_ = width;
  height_ = height;
  hasPrevious_ = false;
  previous_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
}

void Rle8Encoder::MoveTo(int x, int y, std::vector<uint8_t>* out) {
  if (x < cursorX_) {  // only ever on a later row: end the line, then jump from its start
    Put(out, 0, 0);
    cursorX_ = 0;
    ++cursorY_;
  }
  while (x > cursorX_ || y > cursorY_) {
    const int dx = std::min(x - cursorX_, 255);
    const int dy = std::min(y - cursorY_, 255);
    Put(out, 0, 2);
    Put(out, static_cast<uint8_t>(dx), static_cast<uint8_t>(dy));
    cursorX_ += dx;
    cursorY_ += dy;
  }
}

void Rle8Encoder::EncodeSpan(const uint8_t* p, int n, std::vector<uint8_t>* out) {
  int i = 0;
  while (i < n) {
    int run = 1;
    while (i + run < n && run < 255 && p[i + run] == p[i]) ++run;
    if (run >= 2) {
      Put(out, static_cast<uint8_t>(run), p[i]);
      i += run;
      continue;
    }
    // A literal stretch ends where a run of three starts.
    int j = i + 1;
    while (j < n && j - i < 255 && !(j + 2 < n && p[j] == p[j + 1] && p[j + 1] == p[j + 2])) {
      ++j;
    }
    const int len = j - i;
    if (len >= 3) {
      Put(out, 0, static_cast<uint8_t>(len));
      out->insert(out->end(), p + i, p + j);
      if (len & 1) out->push_back(0);  // literal stretches are padded to whole words
    } else {
      for (int k = i; k < j; ++k) Put(out, 1, p[k]);
    }
    i = j;
  }
}

void Rle8Encoder::Encode(const uint8_t* bottomRow, ptrdiff_t rowStep, bool keyFrame,
                         std::vector<uint8_t>* out, const uint8_t* changedRows) {
  out->clear();
  const bool delta = !keyFrame && hasPrevious_;
  cursorX_ = 0;
  cursorY_ = 0;
  for (int y = 0; y < height_; ++y) {
    if (delta && changedRows && !changedRows[y]) continue;  // the same as `previous_` holds
    const uint8_t* row = bottomRow + y * rowStep;
    uint8_t* prev = previous_.data() + static_cast<size_t>(y) * width_;
    int x = 0;
    while (x < width_) {
      int start = x;
      int end = width_;
      if (delta) {
        while (start < width_ && row[start] == prev[start]) ++start;
        if (start == width_) break;
        end = start + 1;
        for (int i = start + 1, same = 0; i < width_; ++i) {
          if (row[i] != prev[i]) {
            same = 0;
            end = i + 1;
          } else if (++same >= kMinSkip) {
            break;
          }
        }
      }
      MoveTo(start, y, out);
      EncodeSpan(row + start, end - start, out);
      cursorX_ = end;
      x = end;
    }
    std::memcpy(prev, row, static_cast<size_t>(width_));
  }
  Put(out, 0, 1);  // end of bitmap
  // libavcodec's decoder takes a frame of exactly the uncompressed size for raw pixels; one more
  // end-of-bitmap code keeps an RLE frame from ever having that size.
  const size_t rawSize = static_cast<size_t>(DibStride(width_, 8)) * static_cast<size_t>(height_);
  if (out->size() == rawSize) Put(out, 0, 1);
  hasPrevious_ = true;
}

}  // namespace mg
