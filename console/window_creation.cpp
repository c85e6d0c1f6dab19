// The window is made when the program first needs it: at the first write,
// clear or key poll.
#include "console/window_creation.h"

#include "console/braille.h"
#include "console/console_config.h"
#include "console/key_queue.h"
#include "console/screen_state.h"
#include "console/window_state.h"

namespace console {

using platform::Os;

void EnsureWindow() {
  WindowState& window = Window();
  if (window.WindowCreated) return;
  ReadConsoleConfig();

  platform::TEXTMETRICA metrics;
  platform::HDC screenContext = Os().GetDC(nullptr);
  platform::HFONT font = Config().ConsoleFont;
  platform::HGDIOBJ previous = font ? Os().SelectObject(screenContext, font) : nullptr;
  Os().GetTextMetricsA(screenContext, metrics);
  if (font) Os().SelectObject(screenContext, previous);
  Os().ReleaseDC(nullptr, screenContext);

  // 80 cells across whatever ScreenColumns says: the window is sized for
  // the text screen the program was written for.
  window.WindowSize.width =
      2 * Os().GetSystemMetrics(platform::SM_CXFRAME) + 80 * metrics.tmAveCharWidth;
  window.WindowSize.height = 2 * Os().GetSystemMetrics(platform::SM_CYFRAME) +
                             (metrics.tmHeight + metrics.tmExternalLeading) * ScreenRows +
                             Os().GetSystemMetrics(platform::SM_CYCAPTION);
  Screen().TextOffset = metrics.tmOverhang;

  window.WindowHandle = Os().CreateWindowExA(
      0, WindowClassName, window.WindowTitle, window.WindowStyle, window.WindowOrigin.x,
      window.WindowOrigin.y, window.WindowSize.width, window.WindowSize.height, nullptr, nullptr,
      window.Instance, nullptr);
  Os().ShowWindow(window.WindowHandle,
                  Config().StartMaximized ? platform::SW_SHOWMAXIMIZED : platform::SW_SHOW);
  Os().UpdateWindow(window.WindowHandle);
  SetBrailleMode(BrailleMode());
}

}  // namespace console
