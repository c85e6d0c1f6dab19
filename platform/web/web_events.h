// What the page reports: one input event, as page.js queues it.
#pragma once

#include <string>

namespace platform::web {

struct PageEvent {
  enum class Kind { None, KeyDown, KeyUp, MouseMove, MouseDown, MouseUp, Focus, Blur, Close };
  Kind kind = Kind::None;
  double time = 0;   // performance.now(), milliseconds
  std::string code;  // KeyboardEvent.code
  std::string key;   // KeyboardEvent.key, UTF-8
  bool repeat = false;
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  bool numLock = false;  // the keypad's digits, or its cursor keys
  int button = 0;  // MouseEvent.button: 2 is the right button
  int x = 0;       // canvas pixels
  int y = 0;
};

}  // namespace platform::web
