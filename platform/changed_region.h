// The part of a picture that may differ from an earlier one: a few rectangles in picture
// coordinates (x to the right, y down from the top row; right and bottom exclusive), or
// "everything" when nothing is known. The capture engine tells the grabber which part of a ring
// slot to fetch again and tells the compressor which part of a frame differs from the previous
// frame written; outside the region the pixels are the same, so they need not even be compared.
//
// Kept small on purpose: beyond kMaxRects the nearest rectangles are merged, so the region may
// grow (never shrink) and every use stays cheap.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/windows_records.h"

namespace mg {

class ChangedRegion {
 public:
  static constexpr size_t kMaxRects = 16;

  static ChangedRegion Everything() {
    ChangedRegion r;
    r.all_ = true;
    return r;
  }

  bool all() const { return all_; }
  bool empty() const { return !all_ && rects_.empty(); }
  // The rectangles; meaningless when all().
  const std::vector<WinRect>& rects() const { return rects_; }

  // Room for the most rectangles a region holds, so that later changes allocate nothing.
  void Reserve() { rects_.reserve(kMaxRects + 1); }
  void Clear() {
    all_ = false;
    rects_.clear();
  }
  void AddAll() {
    all_ = true;
    rects_.clear();
  }
  void Add(const WinRect& r) {
    if (all_ || r.right <= r.left || r.bottom <= r.top) return;
    for (const WinRect& have : rects_)
      if (Contains(have, r)) return;
    rects_.erase(std::remove_if(rects_.begin(), rects_.end(),
                                [&](const WinRect& have) { return Contains(r, have); }),
                 rects_.end());
    rects_.push_back(r);
    if (rects_.size() > kMaxRects) MergeClosest();
  }
  void Add(const ChangedRegion& other) {
    if (other.all_) {
      AddAll();
      return;
    }
    for (const WinRect& r : other.rects_) Add(r);
  }

  // Moves every rectangle by (dx, dy) (screen to picture coordinates, say).
  void Offset(int dx, int dy) {
    for (WinRect& r : rects_) {
      r.left = Sat(int64_t{r.left} + dx);
      r.right = Sat(int64_t{r.right} + dx);
      r.top = Sat(int64_t{r.top} + dy);
      r.bottom = Sat(int64_t{r.bottom} + dy);
    }
  }

  // Cuts the region to a width x height picture; "everything" becomes the whole picture's
  // rectangle, so a clipped region always lists what to touch.
  void ClipTo(int width, int height) {
    if (all_) {
      all_ = false;
      rects_.assign(1, WinRect{0, 0, width, height});
      if (width <= 0 || height <= 0) rects_.clear();
      return;
    }
    size_t kept = 0;  // in place: a tick clips every time and allocates nothing
    for (WinRect r : rects_) {
      r.left = std::max(r.left, 0);
      r.top = std::max(r.top, 0);
      r.right = std::min(r.right, width);
      r.bottom = std::min(r.bottom, height);
      if (r.left < r.right && r.top < r.bottom) rects_[kept++] = r;
    }
    rects_.resize(kept);
  }

  // Marks in `mask` (cols x rows, row by row) every blockWidth x blockHeight block that the
  // region touches with 1 and leaves the others 0. Everything marks every block.
  void BlockMask(int blockWidth, int blockHeight, int cols, int rows,
                 std::vector<uint8_t>* mask) const {
    mask->assign(static_cast<size_t>(cols) * static_cast<size_t>(rows), all_ ? 1 : 0);
    if (all_ || blockWidth <= 0 || blockHeight <= 0) return;
    for (const WinRect& r : rects_) {
      const int c0 = std::max(0, r.left / blockWidth);
      const int r0 = std::max(0, r.top / blockHeight);
      const int c1 = std::min(cols, (std::max(r.right, 0) + blockWidth - 1) / blockWidth);
      const int r1 = std::min(rows, (std::max(r.bottom, 0) + blockHeight - 1) / blockHeight);
      for (int br = r0; br < r1; ++br)
        std::fill_n(mask->begin() + static_cast<ptrdiff_t>(br) * cols + c0, std::max(0, c1 - c0),
                    uint8_t{1});
    }
  }

  // The rows [top, bottom) that the region touches, as sorted, disjoint spans, within a picture
  // `height` rows high.
  std::vector<std::pair<int, int>> RowSpans(int height) const {
    std::vector<std::pair<int, int>> spans;
    if (all_) {
      if (height > 0) spans.emplace_back(0, height);
      return spans;
    }
    for (const WinRect& r : rects_) {
      const int top = std::max(r.top, 0), bottom = std::min(r.bottom, height);
      if (top < bottom) spans.emplace_back(top, bottom);
    }
    std::sort(spans.begin(), spans.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& s : spans) {
      if (!merged.empty() && s.first <= merged.back().second)
        merged.back().second = std::max(merged.back().second, s.second);
      else
        merged.push_back(s);
    }
    return merged;
  }

  // Pixels covered, counting overlaps twice; everything counts as width x height.
  int64_t Area(int width, int height) const {
    if (all_) return int64_t{width} * height;
    int64_t area = 0;
    for (const WinRect& r : rects_) area += int64_t{r.right - r.left} * (r.bottom - r.top);
    return area;
  }

 private:
  static bool Contains(const WinRect& outer, const WinRect& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
  }
  static int Sat(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2));
  }
  static WinRect Union(const WinRect& a, const WinRect& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
  }
  static int64_t AreaOf(const WinRect& r) { return int64_t{r.right - r.left} * (r.bottom - r.top); }

  // Replaces the two rectangles whose union adds the least area by that union.
  void MergeClosest() {
    size_t bestA = 0, bestB = 1;
    int64_t bestCost = INT64_MAX;
    for (size_t a = 0; a < rects_.size(); ++a)
      for (size_t b = a + 1; b < rects_.size(); ++b) {
        const int64_t cost =
            AreaOf(Union(rects_[a], rects_[b])) - AreaOf(rects_[a]) - AreaOf(rects_[b]);
        if (cost < bestCost) {
          bestCost = cost;
          bestA = a;
          bestB = b;
        }
      }
    const WinRect merged = Union(rects_[bestA], rects_[bestB]);
    rects_.erase(rects_.begin() + static_cast<ptrdiff_t>(bestB));
    rects_.erase(rects_.begin() + static_cast<ptrdiff_t>(bestA));
    Add(merged);
  }

  bool all_ = false;
  std::vector<WinRect> rects_;
};

}  // namespace mg
