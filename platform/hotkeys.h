// System-wide hot keys: a key combination pressed while any application has the focus reaches
// the handler on the user-interface thread with the identifier it was registered under.
// Keys are Windows virtual-key codes and modifiers are RegisterHotKey flags (kModAlt,
// kModControl, kModShift), so stored settings mean the same on every platform.
#pragma once

#include <functional>
#include <memory>

namespace mg {

class IGlobalHotKeys {
 public:
  virtual ~IGlobalHotKeys() = default;
  // False when another application holds the combination, the key exists on no key of this
  // keyboard, or the system keeps the combination for itself (Ctrl+Alt+F1..F12 switch consoles);
  // nothing of the combination stays registered then.
  virtual bool Register(int id, int modifiers, int virtualKey) = 0;
  // Unregistering an identifier that is not registered does nothing.
  virtual void Unregister(int id) = 0;
  virtual void SetHandler(std::function<void(int id)> pressed) = 0;
};

}  // namespace mg
