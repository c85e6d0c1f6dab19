#include "console/console_window.h"

#include <algorithm>
#include <cstddef>

#include "console/caret.h"
#include "console/console_config.h"
#include "console/key_queue.h"
#include "console/keyboard.h"
#include "console/magnifier.h"
#include "console/screen_buffer.h"
#include "console/text_device.h"
#include "console/window_creation.h"
#include "console/window_state.h"
#include "runtime/module_state.h"
#include "runtime/program_end.h"

namespace console {

using platform::LPARAM;
using platform::LRESULT;
using platform::Os;
using platform::UINT;
using platform::WPARAM;

namespace {

WindowState& window = Window();

struct ConsoleWindowState {
  // The exit procedure that was installed before ConsoleExit.
  runtime::ExitProcedure savedExitProc = nullptr;
};
runtime::ModuleState<ConsoleWindowState> state;

constexpr std::size_t TitleSize = sizeof(WindowState::WindowTitle);
static_assert(TitleSize == 80);

std::uint8_t LowByte(WPARAM value) { return static_cast<std::uint8_t>(value & 0xFF); }

LRESULT DefaultProcessing(platform::HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  return Os().DefWindowProcA(handle, message, wParam, lParam);
}

LRESULT KeyDown(platform::HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  return OnKeyDown(LowByte(wParam)) ? 0 : DefaultProcessing(handle, message, wParam, lParam);
}

void HandWindowToSystem() {
  Os().SetWindowLongA(window.WindowHandle, platform::GWL_WNDPROC,
                      reinterpret_cast<platform::LONG_PTR>(&platform::DefaultWindowProc));
}

}  // namespace

void StartConsole() {
  window.WindowHandle = nullptr;
  BrailleMode() = 0;
  Magnifier().MagnifierActive = false;
  Magnifier().ZoomFactor = 2;

  window.Instance = Os().GetModuleHandleA(nullptr);
  platform::WNDCLASSA windowClass;
  windowClass.style = platform::CS_VREDRAW | platform::CS_HREDRAW;
  windowClass.lpfnWndProc = &ConsoleWindowProc;
  windowClass.hInstance = window.Instance;
  windowClass.hIcon = Os().LoadIconA(nullptr, platform::IDI_APPLICATION);
  windowClass.hCursor = Os().LoadCursorA(nullptr, platform::IDC_ARROW);
  windowClass.hbrBackground = Os().GetStockObject(platform::BLACK_BRUSH);
  windowClass.lpszClassName = WindowClassName;
  Os().RegisterClassA(windowClass);

  window.WindowStyle = platform::WS_OVERLAPPEDWINDOW;
  BindStandardStreams();

  // The path as the system gives it, already in the ANSI code page: an OEM
  // conversion here would garble accented folder names.  Older systems do
  // not terminate a path that fills the buffer, so the cut is made here.
  Os().GetModuleFileNameA(window.Instance, window.WindowTitle, TitleSize);
  window.WindowTitle[TitleSize - 1] = '\0';

  state.savedExitProc = runtime::ProgramEnd().ExitProc;
  runtime::ProgramEnd().ExitProc = &ConsoleExit;

  auto& table = Screen().ColourTable;
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i);
}

LRESULT ConsoleWindowProc(platform::HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  // Messages arrive while CreateWindowExA is still running, before it has
  // returned the handle.
  window.WindowHandle = handle;
  switch (message) {
    case platform::WM_CREATE:
      OnCreate();
      return 0;
    case platform::WM_DESTROY:
      OnDestroy();
      return 0;
    case platform::WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case platform::WM_KILLFOCUS:
      OnKillFocus();
      return 0;
    case platform::WM_PAINT:
      OnPaint();
      return 0;
    case platform::WM_CLOSE:
      OnClose();
      return 0;
    case platform::WM_GETMINMAXINFO:
      OnGetMinMaxInfo(*reinterpret_cast<platform::MINMAXINFO*>(lParam));
      return 0;
    case platform::WM_KEYDOWN:
      return KeyDown(handle, message, wParam, lParam);
    case platform::WM_KEYUP:
      return OnKeyUp(LowByte(wParam)) ? 0 : DefaultProcessing(handle, message, wParam, lParam);
    case platform::WM_CHAR:
      OnChar(LowByte(wParam));
      return 0;
    case platform::WM_SYSKEYDOWN: {
      // Alt+F4, Alt+Space and F10 must keep working; only Alt+Left and
      // Alt+Right mean something to the program.
      const std::uint8_t key = LowByte(wParam);
      if (window.BreakKeyEnabled && (key == platform::VK_LEFT || key == platform::VK_RIGHT)) {
        return KeyDown(handle, message, wParam, lParam);
      }
      return DefaultProcessing(handle, message, wParam, lParam);
    }
    case platform::WM_MOUSEMOVE:
      OnMouseMove(lParam);
      return 0;
    case platform::WM_RBUTTONDOWN:
      OnRightButtonDown(lParam);
      return 0;
    case platform::WM_RBUTTONUP:
      OnRightButtonUp();
      return 0;
    default:
      return DefaultProcessing(handle, message, wParam, lParam);
  }
}

void OnCreate() {
  window.WindowCreated = true;
  ScreenState& screen = Screen();
  constexpr auto cells = static_cast<std::size_t>(ScreenColumns * ScreenRows);
  screen.CharPlane.assign(cells, ' ');
  screen.AttributePlane.assign(cells, screen.CurrentAttribute);
  screen.ActiveArea = CellArea{0, 0, ScreenColumns - 1, ScreenRows - 1};
}

void OnDestroy() {
  ScreenState& screen = Screen();
  std::vector<std::uint8_t>().swap(screen.CharPlane);
  std::vector<std::uint8_t>().swap(screen.AttributePlane);
  screen.TextCursor = CellCursor{0, 0};
  Os().PostQuitMessage(0);
  window.WindowCreated = false;
}

void OnGetMinMaxInfo(platform::MINMAXINFO& info) {
  ScreenState& screen = Screen();
  BeginDraw();
  platform::TEXTMETRICA metrics;
  Os().GetTextMetricsA(screen.DrawContext, metrics);
  screen.CharWidth = metrics.tmAveCharWidth;
  screen.LineHeight = metrics.tmHeight + metrics.tmExternalLeading;
  screen.CaretBaseline = metrics.tmAscent;

  const int frameWidth = Os().GetSystemMetrics(platform::SM_CXFRAME);
  const int frameHeight = Os().GetSystemMetrics(platform::SM_CYFRAME);
  const int caption = Os().GetSystemMetrics(platform::SM_CYCAPTION);
  // Never larger than the text screen, nor than the display.
  const int maxWidth =
      std::min(ScreenColumns * screen.CharWidth, Os().GetSystemMetrics(platform::SM_CXSCREEN)) +
      2 * frameWidth;
  const int maxHeight = std::min(caption + ScreenRows * screen.LineHeight,
                                 Os().GetSystemMetrics(platform::SM_CYSCREEN)) +
                        2 * frameHeight;
  info.ptMaxSize = platform::POINT{maxWidth, maxHeight};
  info.ptMinTrackSize = platform::POINT{2 * frameWidth + 16 * screen.CharWidth,
                                        2 * frameHeight + 4 * screen.LineHeight + caption};
  info.ptMaxTrackSize = platform::POINT{maxWidth, maxHeight};
  EndDraw();
}

// The caret exists exactly while the window has the focus and a ReadKey
// waits.
void OnSetFocus() {
  window.HasFocus = true;
  if (window.WaitingForKey) CaretOn();
}

void OnKillFocus() {
  if (window.WaitingForKey) CaretOff();
  window.HasFocus = false;
}

void OnClose() {
  if (window.WindowCreated) {
    // Typed-ahead keys are dropped; pending messages are served meanwhile.
    while (KeyPressed()) ReadKey();
    // The font is not selected in any device context between drawings
    // (EndDraw puts the previous font back), so it can go at once.
    ConsoleConfig& config = Config();
    if (config.ConsoleFont != nullptr) {
      Os().DeleteObject(config.ConsoleFont);
      config.ConsoleFont = nullptr;
    }
    // From here the system serves the window, so its WM_DESTROY does not
    // post the quit message that would end the program with 255.
    HandWindowToSystem();
    Os().DestroyWindow(window.WindowHandle);
    window.WindowCreated = false;
  }
  runtime::Halt();
}

void ConsoleExit() {
  runtime::ProgramEnd().ExitProc = state.savedExitProc;
  if (!window.WindowCreated || runtime::ProgramEnd().ErrorAddressSet) return;
  Os().SetWindowTextA(window.WindowHandle, FinishedTitle);
  Os().EnableMenuItem(Os().GetSystemMenu(window.WindowHandle, false), platform::SC_CLOSE,
                      platform::MF_BYCOMMAND | platform::MF_ENABLED);
  window.BreakKeyEnabled = false;
  HandWindowToSystem();
}

}  // namespace console
