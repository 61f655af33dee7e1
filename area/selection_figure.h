// The figures of the area selection overlay, as rectangles of screen pixels: the cross of the
// cross-hair pass, the rubber band and where its size label goes, and the window highlight.
// Points are pixel positions (inclusive); rectangles have exclusive right and bottom edges.
#pragma once

#include <string>
#include <vector>

#include "platform/screen.h"
#include "platform/windows_records.h"

namespace mg {

// The size label's text for a band between two corners: "%dx%d" of the pixels it covers.
std::string SizeLabelText(ScreenPoint anchor, ScreenPoint current);

// Where the size label of `textWidth` x `textHeight` goes for a band between the corners: in
// the band's middle when the band is more than 24 pixels wider or higher than the text,
// otherwise outside its top-left corner (or past its right or bottom edge when that would leave
// the screen); then kept on a `screenWidth` x `screenHeight` screen.
WinRect PlaceSizeLabel(ScreenPoint anchor, ScreenPoint current, int textWidth, int textHeight,
                       int screenWidth, int screenHeight);

// A line through the whole screen at `point`'s row and one at its column; the pixel where they
// cross is left out, as two inverting lines leave it.
std::vector<WinRect> CrossFigure(ScreenPoint point, int screenWidth, int screenHeight);

// The one-pixel outline of the band between the corners, both corners' pixels included.
std::vector<WinRect> BandFigure(ScreenPoint anchor, ScreenPoint current);

// The frame 5 pixels thick centred on the outline through the corners of `rect`.
std::vector<WinRect> HighlightFigure(const WinRect& rect);

// Corners ordered to top-left and bottom-right, the bottom-right one past the last pixel.
void OrderCorners(ScreenPoint* anchor, ScreenPoint* current);

}  // namespace mg
