#include "codecs/msvc_encoder.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace mg {
namespace {

constexpr uint32_t kSkipCode = 0x8400;     // + the number of blocks skipped
constexpr uint32_t kFillFlag = 0x8000;     // set on the colour of a one-colour block
constexpr uint32_t kEightFlag = 0x8000;    // set on the first colour of an eight-colour block
constexpr uint16_t kRedOne = 0x0400;       // fills whose red is 1 collide with the skip codes
constexpr uint32_t kLastPixel = 1u << 15;  // its mask bit must be clear in coloured blocks

// The pixels of each 2x2 quarter of a block, in the order the eight colours are stored.
constexpr int kQuarterPixels[4][4] = {{0, 1, 4, 5}, {2, 3, 6, 7}, {8, 9, 12, 13}, {10, 11, 14, 15}};

uint8_t* Put16(uint8_t* out, uint32_t v) {
  out[0] = static_cast<uint8_t>(v);
  out[1] = static_cast<uint8_t>(v >> 8);
  return out + 2;
}

uint8_t* PutSkips(uint8_t* out, uint32_t count) {
  while (count > 0) {
    const uint32_t n = std::min(count, MsvcEncoder::kMaxSkipRun);
    out = Put16(out, kSkipCode + n);
    count -= n;
  }
  return out;
}

constexpr uint16_t Pack(int r, int g, int b) {
  return static_cast<uint16_t>(r << 10 | g << 5 | b);
}

// Sum of squared channel differences between two blocks.
int BlockDistance(const uint16_t* a, const uint16_t* b) {
  int sum = 0;
  for (int i = 0; i < 16; ++i) {
    const int dr = (a[i] >> 10 & 31) - (b[i] >> 10 & 31);
    const int dg = (a[i] >> 5 & 31) - (b[i] >> 5 & 31);
    const int db = (a[i] & 31) - (b[i] & 31);
    sum += dr * dr + dg * dg + db * db;
  }
  return sum;
}

// Two colours for N pixels given as channel arrays: split by brightness around the mean (by
// the channel that varies most when all are equally bright), each colour the mean of its half.
struct Pair {
  uint32_t mask = 0;  // bit j set: pixel j takes colour a
  uint16_t a = 0;
  uint16_t b = 0;
  int error = 0;  // sum of squared channel differences
};

int RoundedMean(int sum, int count) {
  return count == 0 ? 0 : (sum + count / 2) / count;
}

// The two colours of the halves `mask` chooses, and their error. Channel sums are over all N.
template <int N>
Pair MeansOf(uint32_t mask, const int* r, const int* g, const int* b, int sr, int sg, int sb,
             int (&cr)[2], int (&cg)[2], int (&cb)[2]) {
  int ar = 0, ag = 0, ab = 0, na = 0;
  for (int j = 0; j < N; ++j) {
    const int in = static_cast<int>(mask >> j & 1);
    ar += in * r[j];
    ag += in * g[j];
    ab += in * b[j];
    na += in;
  }
  const int nb = N - na;
  cr[0] = RoundedMean(sr - ar, nb), cr[1] = na == 0 ? cr[0] : RoundedMean(ar, na);
  cg[0] = RoundedMean(sg - ag, nb), cg[1] = na == 0 ? cg[0] : RoundedMean(ag, na);
  cb[0] = RoundedMean(sb - ab, nb), cb[1] = na == 0 ? cb[0] : RoundedMean(ab, na);
  Pair p;
  p.mask = mask;
  p.a = Pack(cr[1], cg[1], cb[1]);
  p.b = Pack(cr[0], cg[0], cb[0]);
  for (int j = 0; j < N; ++j) {
    const int in = static_cast<int>(mask >> j & 1);
    const int dr = r[j] - cr[in], dg = g[j] - cg[in], db = b[j] - cb[in];
    p.error += dr * dr + dg * dg + db * db;
  }
  return p;
}

template <int N>
Pair SplitPair(const int* r, const int* g, const int* b) {
  int sr = 0, sg = 0, sb = 0, sl = 0;
  int light[N];
  for (int j = 0; j < N; ++j) {
    light[j] = 5 * r[j] + 9 * g[j] + 2 * b[j];
    sr += r[j];
    sg += g[j];
    sb += b[j];
    sl += light[j];
  }
  uint32_t mask = 0;
  for (int j = 0; j < N; ++j) mask |= static_cast<uint32_t>(N * light[j] > sl) << j;
  if (mask == 0) {
    const auto range = [](const int* c) {
      const auto [lo, hi] = std::minmax_element(c, c + N);
      return *hi - *lo;
    };
    const int rr = range(r), rg = range(g), rb = range(b);
    const int* c = rr >= rg && rr >= rb ? r : rg >= rb ? g : b;
    const int sc = c == r ? sr : c == g ? sg : sb;
    for (int j = 0; j < N; ++j) mask |= static_cast<uint32_t>(N * c[j] > sc) << j;
  }
  int cr[2], cg[2], cb[2];
  return MeansOf<N>(mask, r, g, b, sr, sg, sb, cr, cg, cb);
}

// Two colours improved once: every pixel moved to the nearer of them, the means taken again.
Pair Refine(const Pair& first, const int* r, const int* g, const int* b) {
  if (first.error == 0) return first;
  const int ar = first.a >> 10, ag = first.a >> 5 & 31, ab = first.a & 31;
  const int br = first.b >> 10, bg = first.b >> 5 & 31, bb = first.b & 31;
  uint32_t nearer = 0;
  int sr = 0, sg = 0, sb = 0;
  for (int j = 0; j < 16; ++j) {
    const int dar = r[j] - ar, dag = g[j] - ag, dab = b[j] - ab;
    const int dbr = r[j] - br, dbg = g[j] - bg, dbb = b[j] - bb;
    const int toA = dar * dar + dag * dag + dab * dab, toB = dbr * dbr + dbg * dbg + dbb * dbb;
    nearer |= static_cast<uint32_t>(toA < toB) << j;
    sr += r[j];
    sg += g[j];
    sb += b[j];
  }
  if (nearer == first.mask || nearer == 0) return first;
  int cr[2], cg[2], cb[2];
  const Pair second = MeansOf<16>(nearer, r, g, b, sr, sg, sb, cr, cg, cb);
  return second.error < first.error ? second : first;
}

uint8_t* PutFill(uint16_t colour, uint16_t* recon, uint8_t* out) {
  if ((colour & 0x7C00) == kRedOne) {
    // Would read as a skip code: the same colour twice instead.
    out = Put16(out, 0);
    out = Put16(out, colour);
    out = Put16(out, colour);
  } else {
    out = Put16(out, kFillFlag | colour);
  }
  std::fill(recon, recon + 16, colour);
  return out;
}

uint8_t* PutTwo(Pair p, uint16_t* recon, uint8_t* out) {
  if (p.mask & kLastPixel) {
    p.mask ^= 0xFFFF;
    std::swap(p.a, p.b);
  }
  out = Put16(out, p.mask);
  out = Put16(out, p.a);
  out = Put16(out, p.b);
  for (int i = 0; i < 16; ++i) recon[i] = (p.mask >> i & 1) ? p.a : p.b;
  return out;
}

uint8_t* PutEight(const Pair* quarters, uint16_t* recon, uint8_t* out) {
  uint32_t mask = 0;
  uint16_t colours[8];
  for (int q = 0; q < 4; ++q) {
    colours[2 * q] = quarters[q].a;
    colours[2 * q + 1] = quarters[q].b;
    for (int j = 0; j < 4; ++j) mask |= (quarters[q].mask >> j & 1) << kQuarterPixels[q][j];
  }
  if (mask & kLastPixel) {
    mask ^= 0xCC00;  // the last quarter's pixels
    std::swap(colours[6], colours[7]);
  }
  out = Put16(out, mask);
  out = Put16(out, kEightFlag | colours[0]);
  for (int k = 1; k < 8; ++k) out = Put16(out, colours[k]);
  for (int q = 0; q < 4; ++q) {
    for (int j = 0; j < 4; ++j) {
      const int i = kQuarterPixels[q][j];
      recon[i] = colours[2 * q + ((mask >> i & 1) ? 0 : 1)];
    }
  }
  return out;
}

}  // namespace

void MsvcEncoder::Reset(int blocksWide, int blocksHigh, uint32_t quality) {
  blocksWide_ = std::max(blocksWide, 0);
  blocksHigh_ = std::max(blocksHigh, 0);
  const size_t blocks = static_cast<size_t>(blocksWide_) * static_cast<size_t>(blocksHigh_);
  recon_.assign(blocks * 16, 0);
  previous_.assign(blocks * 16, 0);
  row_.assign(static_cast<size_t>(blocksWide_) * 16, 0);
  // Worst case: every block with eight colours, then the end code.
  out_.resize(blocks * kEightColourBytes + 2);
  // The tolerance grows with the square of the quality lost: at 10000 nothing, at 7500 a squared
  // error of 8 in a block, at 5000 of 32, at 0 of 128 (every pixel a channel off by 3 of 31).
  const uint64_t slack = 10000 - std::min<uint32_t>(quality, 10000);
  limit_ = static_cast<int>((128 * slack * slack + 50000000) / 100000000);
  eightLimit_ = 2 * limit_;
  hasPrevious_ = false;
}

size_t MsvcEncoder::Encode(Rgb555BlockRows& rows, bool keyFrame, const uint8_t* changed) {
  keyFrame = keyFrame || !hasPrevious_;
  if (keyFrame) changed = nullptr;
  uint8_t* out = out_.data();
  uint32_t skipped = 0;  // blocks skipped since the last coded one
  for (int row = 0; row < blocksHigh_; ++row) {
    // The blocks of this row that may have changed (block rows of `changed` run top-down).
    const uint8_t* mask =
        changed ? changed + static_cast<ptrdiff_t>(blocksHigh_ - 1 - row) * blocksWide_ : nullptr;
    if (!mask) {
      rows.ReadBlocks(row, 0, blocksWide_, row_.data());
    } else {
      // Only the runs of marked blocks are read; a row without any costs nothing.
      bool any = false;
      for (int bx = 0; bx < blocksWide_;) {
        if (!mask[bx]) {
          ++bx;
          continue;
        }
        int end = bx + 1;
        while (end < blocksWide_ && mask[end]) ++end;
        rows.ReadBlocks(row, bx, end - bx, row_.data());
        any = true;
        bx = end;
      }
      if (!any) {
        skipped += static_cast<uint32_t>(blocksWide_);
        continue;
      }
    }
    const size_t first = static_cast<size_t>(row) * static_cast<size_t>(blocksWide_) * 16;
    uint16_t* recon = recon_.data() + first;
    uint16_t* previous = previous_.data() + first;
    const uint16_t* pixels = row_.data();
    for (int bx = 0; bx < blocksWide_; ++bx, pixels += 16, recon += 16, previous += 16) {
      if (!keyFrame) {
        // Outside the changed blocks the input is what `previous` holds.
        if (mask && !mask[bx]) {
          ++skipped;
          continue;
        }
        // Unchanged input: the decoder already shows what coding it again would give, or
        // something within the tolerance of it.
        if (std::memcmp(pixels, previous, 32) == 0) {
          ++skipped;
          continue;
        }
        if (BlockDistance(pixels, recon) <= limit_) {
          std::memcpy(previous, pixels, 32);
          ++skipped;
          continue;
        }
      }
      out = PutSkips(out, skipped);
      skipped = 0;
      std::memcpy(previous, pixels, 32);
      out = CodeBlock(pixels, recon, out);
    }
  }
  out = PutSkips(out, skipped);
  out = Put16(out, 0);  // end of frame
  hasPrevious_ = true;
  return static_cast<size_t>(out - out_.data());
}

uint8_t* MsvcEncoder::CodeBlock(const uint16_t* pixels, uint16_t* recon, uint8_t* out) const {
  uint32_t differ = 0;
  for (int i = 1; i < 16; ++i) differ |= pixels[i] ^ pixels[0];
  if (differ == 0) return PutFill(pixels[0], recon, out);

  int r[16], g[16], b[16];
  int sr = 0, sg = 0, sb = 0, squares = 0;
  for (int i = 0; i < 16; ++i) {
    r[i] = pixels[i] >> 10 & 31;
    g[i] = pixels[i] >> 5 & 31;
    b[i] = pixels[i] & 31;
    sr += r[i];
    sg += g[i];
    sb += b[i];
    squares += r[i] * r[i] + g[i] * g[i] + b[i] * b[i];
  }
  if (limit_ > 0) {
    // One colour, the mean: its squared error is sum(x^2) - 2 m sum(x) + 16 m^2 per channel.
    const int mr = RoundedMean(sr, 16), mg = RoundedMean(sg, 16), mb = RoundedMean(sb, 16);
    const int error =
        squares - 2 * (mr * sr + mg * sg + mb * sb) + 16 * (mr * mr + mg * mg + mb * mb);
    if (error <= limit_) return PutFill(Pack(mr, mg, mb), recon, out);
  }

  // With a tolerance, two colours improved first may be close enough to make eight needless. At
  // full quality eight are tried whenever two are not exact, and two seldom beat them after
  // improving: improve them only when they are kept.
  Pair two = SplitPair<16>(r, g, b);
  if (eightLimit_ > 0) two = Refine(two, r, g, b);
  if (two.error > eightLimit_) {
    Pair quarters[4];
    int error = 0;
    for (int q = 0; q < 4; ++q) {
      int qr[4], qg[4], qb[4];
      for (int j = 0; j < 4; ++j) {
        const int i = kQuarterPixels[q][j];
        qr[j] = r[i];
        qg[j] = g[i];
        qb[j] = b[i];
      }
      quarters[q] = SplitPair<4>(qr, qg, qb);
      error += quarters[q].error;
    }
    if (error < two.error) return PutEight(quarters, recon, out);
  }
  if (eightLimit_ == 0) two = Refine(two, r, g, b);
  return PutTwo(two, recon, out);
}

}  // namespace mg
