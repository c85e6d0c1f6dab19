// What the console keeps of its window: the handle, the focus and wait
// flags, the size it was made with and the title.
#pragma once

#include "platform/platform.h"

namespace console {

struct Size {
  int width = 0;
  int height = 0;
};

struct WindowState {
  platform::HWND WindowHandle = nullptr;
  bool WindowCreated = false;
  bool HasFocus = false;
  bool WaitingForKey = false;
  bool BreakKeyEnabled = true;
  platform::POINT WindowOrigin{platform::CW_USEDEFAULT, platform::CW_USEDEFAULT};
  Size WindowSize;
  platform::DWORD WindowStyle = platform::WS_OVERLAPPEDWINDOW;
  char WindowTitle[80] = {};
  platform::HINSTANCE Instance = nullptr;
};

inline constexpr const char* WindowClassName = "KzWinCrt";
inline constexpr const char* FinishedTitle = "Programa terminado";

WindowState& Window();

}  // namespace console
