// Windows RLE8 (BI_RLE8) encoding of 8-bit frames. A key frame codes every pixel; any other
// frame codes only what changed since the previous frame and jumps over the rest with delta
// escapes, so a decoder that keeps its last picture rebuilds the frame exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mg {

class Rle8Encoder {
 public:
  // Frames of width x height pixels; forgets any previous frame.
  void Reset(int width, int height);
  // Encodes one frame. `bottomRow` points at the picture's bottom row and `rowStep` is the byte
  // distance from a row to the one above it (negative for rows stored top-down). The first frame
  // after Reset is always coded whole. `changedRows`, when given, marks with 1 the rows (bottom
  // row first) that may differ from the previous frame; a frame that is not a key frame jumps
  // over the others without comparing them.
  void Encode(const uint8_t* bottomRow, ptrdiff_t rowStep, bool keyFrame, std::vector<uint8_t>* out,
              const uint8_t* changedRows = nullptr);

 private:
  void MoveTo(int x, int y, std::vector<uint8_t>* out);
  static void EncodeSpan(const uint8_t* pixels, int count, std::vector<uint8_t>* out);

  int width_ = 0;
  int height_ = 0;
  int cursorX_ = 0;  // where a decoder stands: column, and row counted from the bottom
  int cursorY_ = 0;
  bool hasPrevious_ = false;
  std::vector<uint8_t> previous_;  // the last frame, bottom row first, width_ bytes a row
};

}  // namespace mg
