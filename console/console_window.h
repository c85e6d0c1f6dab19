// The console window: module start, the window procedure and its
// handlers, focus and caret, and the console's part in the program's end.
// The window's state is window_state.h; its creation on first use,
// window_creation.h.
#pragma once

#include "console/window_creation.h"
#include "console/window_state.h"
#include "platform/platform.h"

namespace console {

// The console module's start-up: window class, standard streams, title,
// exit procedure.  Runs once, before any other console call.
void StartConsole();

platform::LRESULT ConsoleWindowProc(platform::HWND window, platform::UINT message,
                                    platform::WPARAM wParam, platform::LPARAM lParam);
void ConsoleExit();

// The handlers, reachable for tests.
void OnCreate();
void OnDestroy();
void OnGetMinMaxInfo(platform::MINMAXINFO& info);
void OnSetFocus();
void OnKillFocus();
void OnClose();

}  // namespace console
