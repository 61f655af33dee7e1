// The one place that builds the real platform of this desktop: the X11 screen, grabber and hot
// keys, the tick thread, the beep (the sound server's tone, else the X bell), the AVI writer with
// its compressors and the sound server's input. A service that cannot be made becomes its null
// backend where one exists; the program, the benchmarks and the tests all start here.
#pragma once

#include <memory>

#include "platform/platform_services.h"
#include "platform/qt/qt_registry.h"

namespace mg {

class PlatformLoader {
 public:
  // What to make: the hot keys need the running QGuiApplication's X connection, so programs
  // without one (benchmarks, engine tests) leave them out and get the null hot keys.
  struct Options {
    bool hotKeys = true;  // and the area selection overlay's display, which needs it too
    bool sound = true;    // false: the null sound input, whatever the desktop has
    // Grab only what changed on the screen since a slot was last filled. MOVIGRAM_DAMAGE=off in
    // the environment turns it off as well, so that whole grabs can be compared with it.
    bool damage = true;
  };

  PlatformLoader() : PlatformLoader(Options{}) {}
  explicit PlatformLoader(const Options& options);
  ~PlatformLoader();
  PlatformLoader(const PlatformLoader&) = delete;
  PlatformLoader& operator=(const PlatformLoader&) = delete;

  // The services, null backends in place of the optional ones that could not be made; the
  // pointers live as long as the loader.
  PlatformServices Services() const;

 private:
  std::unique_ptr<IAviLibrary> avi_;
  std::unique_ptr<IScreen> screen_;
  std::unique_ptr<ICaptureDisplay> display_;
  std::unique_ptr<IPeriodicTimer> timer_;
  std::unique_ptr<IBeeper> beeper_;
  std::unique_ptr<IGlobalHotKeys> hotKeys_;
  std::unique_ptr<ISelectionDisplay> selection_;
  bool sound_ = true;
};

}  // namespace mg
