// The window bookkeeping every stand-in with one window shares: the one
// class, the one window and the messages Windows sends while it creates,
// updates, paints and destroys it, the default window procedure, and the
// invalid region.  What shows the window (an SDL window, a page's canvas)
// is the backend's, through the hooks below.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/common/stand_in.h"

namespace platform::common {

// A key message's context code (bit 29 of lParam): Alt was held.
inline constexpr LPARAM kAltHeldBit = LPARAM{1} << 29;

struct Window {
  HWND handle = nullptr;
  WNDPROC procedure = nullptr;
  HBRUSH background = nullptr;  // the class brush, for erasing
  Surface client;               // what has been drawn; the screen shows it plus the caret
  RECT update{};                // the invalid part of the client area
  bool erase = false;
  bool focused = false;
  bool destroying = false;
  POINT minimumClient, maximumClient;  // WM_GETMINMAXINFO's track sizes, frame removed
};

class OneWindowStandIn : public StandInPlatform {
 public:
  ATOM RegisterClassA(const WNDCLASSA& windowClass) override;
  // The window's frame is what the backend's GetSystemMetrics reports.
  HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                       int x, int y, int width, int height, HWND parent, HMENU menu,
                       HINSTANCE instance, void* param) override;
  bool UpdateWindow(HWND window) override;
  bool DestroyWindow(HWND window) override;
  LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR newLong) override;
  HWND GetActiveWindow() override;
  bool InvalidateRect(HWND window, const RECT* rect, bool erase) override;
  HDC BeginPaint(HWND window, PAINTSTRUCT& paint) override;
  bool EndPaint(HWND window, const PAINTSTRUCT& paint) override;

 protected:
  using StandInPlatform::StandInPlatform;

  // --- The backend's hooks
  // Shows a window of this client size and (UTF-8) title, still hidden.
  // False, with the reason, when it cannot.
  virtual bool OpenNativeWindow(const std::string& title, int width, int height,
                                std::string& whyNot) = 0;
  // CreateWindowExA could not make the window: what it answers.
  virtual HWND WindowNotOpened(const std::string& whyNot) = 0;
  // The track sizes were set on the window being created: the client size
  // it has now, given the size asked for bounded by them.
  virtual POINT TrackSizesSet(POINT bounded) { return bounded; }
  // The window has had its WM_DESTROY and is about to go.
  virtual void WindowDestroyed(HWND window) = 0;
  // BeginPaint erased `area` of the client surface with the class brush.
  virtual void Erased(const RECT&) {}

  // --- For the backend
  Window* FindWindow(HWND handle);
  // The window that input goes to: the one window, unless it is being
  // destroyed.
  Window* InputWindow();
  LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Windows gives the focus while ShowWindow runs; the window system's own
  // focus event comes later and is then no news.
  void GiveFocus(Window& window);
  // The client area at a new size.  CS_HREDRAW and CS_VREDRAW: the whole
  // of it is erased and repainted.
  virtual void ResizeClient(int width, int height);
  void PresentAll();

  Surface* ClientSurface(HWND window) override;

  std::optional<Window> window_;

 private:
  struct WindowClass {
    std::string name;
    WNDPROC procedure = nullptr;
    HBRUSH background = nullptr;
  };

  std::optional<WindowClass> class_;
  std::uintptr_t nextWindow_ = 0x1000;  // handles are not reused
};

}  // namespace platform::common
