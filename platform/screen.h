// The screen as the user-interface thread sees it: the display's pixel format, the desktop size,
// the system palette of palette (8-bit) displays and the pointer position.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace mg {

struct DisplayFormat {
  int bitsPerPixel = 0;  // bits of one pixel in a grabbed image (32 on a depth-24 display)
  int depth = 0;         // the visual's depth
  int desktopWidth = 0;
  int desktopHeight = 0;
  int numColors = 0;             // static colours of a palette display (NUMCOLORS); 0 otherwise
  bool paletteNoStatic = false;  // the palette has no static colours beyond black and white
  uint32_t redMask = 0, greenMask = 0, blueMask = 0;  // direct-colour visuals
};

struct PaletteEntry {  // PALETTEENTRY
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t flags = 0;
};

struct ScreenPoint {
  int x = 0;
  int y = 0;
};

class IScreen {
 public:
  virtual ~IScreen() = default;
  virtual DisplayFormat Format() = 0;
  // Reads system palette entries 0..count-1; returns how many were read (0 on direct colour).
  virtual int ReadPalette(PaletteEntry* entries, int count) = 0;
  virtual ScreenPoint CursorPos() = 0;
  // Calls `changed` on the user-interface thread whenever the system palette changes; an empty
  // function stops watching.
  virtual void WatchPalette(std::function<void()> changed) = 0;
};

}  // namespace mg
