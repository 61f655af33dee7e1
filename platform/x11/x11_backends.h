// The X11 backends as the platform loader makes them.
#pragma once

#include <memory>

#include "platform/beep.h"
#include "platform/capture_display.h"
#include "platform/hotkeys.h"
#include "platform/screen.h"
#include "platform/selection_display.h"

namespace mg {

// The screen of the display named by $DISPLAY, on its own X connection.
std::unique_ptr<IScreen> MakeX11Screen();
// The display named by $DISPLAY on a connection of its own; nullptr when it cannot be opened.
// `trackChanges`: grab only what was drawn on since the slot was last filled (X DAMAGE), where
// the server can tell.
std::unique_ptr<ICaptureDisplay> MakeX11CaptureDisplay(bool trackChanges);
// Hot keys on the X server of the running QGuiApplication.
std::unique_ptr<IGlobalHotKeys> MakeX11HotKeys();
// The area selection overlay's display, on the running QGuiApplication's X connection; nullptr
// when there is none.
std::unique_ptr<ISelectionDisplay> MakeX11SelectionDisplay();
// The X bell, rung on a worker thread.
std::unique_ptr<IBeeper> MakeX11Beeper();

}  // namespace mg
