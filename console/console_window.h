// The console window: module start, lazy creation, the window procedure and
// its handlers, focus and caret, and the ways the program ends.
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

// The console module's start-up: window class, standard streams, title,
// exit procedure.  Runs once, before any other console call.
void StartConsole();

void EnsureWindow();
platform::LRESULT ConsoleWindowProc(platform::HWND window, platform::UINT message,
                                    platform::WPARAM wParam, platform::LPARAM lParam);
[[noreturn]] void AbortProgram();
void ConsoleExit();

// The handlers, reachable for tests.
void OnCreate();
void OnDestroy();
void OnGetMinMaxInfo(platform::MINMAXINFO& info);
void OnSetFocus();
void OnKillFocus();
void OnClose();

// Every piece of console state back to its value at load (tests).
void ResetConsole();

}  // namespace console
