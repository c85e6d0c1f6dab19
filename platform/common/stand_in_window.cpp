#include "platform/common/stand_in_window.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

#include "platform/common/cp1252.h"

namespace platform::common {

namespace {

// Window class names are matched without regard to ASCII case, as Windows
// matches them.
bool SameName(const std::string& name, const char* other) {
  if (other == nullptr) return false;
  std::string_view asked = other;
  return std::equal(name.begin(), name.end(), asked.begin(), asked.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
}

// std::clamp without its precondition: a screen narrower than the
// smallest track size still gives a size.
int Bound(int value, int lowest, int highest) { return std::max(lowest, std::min(value, highest)); }

}  // namespace

ATOM OneWindowStandIn::RegisterClassA(const WNDCLASSA& windowClass) {
  if (class_ || windowClass.lpszClassName == nullptr || windowClass.lpszClassName[0] == '\0') {
    return 0;
  }
  class_ = WindowClass{windowClass.lpszClassName, windowClass.lpfnWndProc,
                       windowClass.hbrBackground};
  return 0xC001;
}

// Where the window goes is the window system's, as the program's
// CW_USEDEFAULT asks.
HWND OneWindowStandIn::CreateWindowExA(DWORD, const char* className, const char* windowName,
                                       DWORD, int, int, int width, int height, HWND, HMENU,
                                       HINSTANCE, void*) {
  if (window_ || !class_ || !SameName(class_->name, className)) return nullptr;
  // The system's track sizes, before the window procedure has its say.
  const int frame = GetSystemMetrics(SM_CXFRAME);
  const int caption = GetSystemMetrics(SM_CYCAPTION);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  MINMAXINFO info{};
  info.ptMaxSize = POINT{screenWidth + 2 * frame, screenHeight + 2 * frame};
  info.ptMaxPosition = POINT{-frame, -frame};
  info.ptMinTrackSize = POINT{2 * frame + 112, 2 * frame + caption};
  info.ptMaxTrackSize = POINT{screenWidth + 2 * frame, screenHeight + 2 * frame + caption};
  auto client = [frame, caption](POINT outer) {
    return POINT{std::max(1, int{outer.x} - 2 * frame),
                 std::max(1, int{outer.y} - 2 * frame - caption)};
  };
  // Windows bounds the size asked for by the largest track size already
  // while it creates the window; a font of hundreds of pixels asks for a
  // window of tens of thousands, which no window system makes (and whose
  // client surface would take gigabytes).
  POINT size = client(POINT{Bound(width, info.ptMinTrackSize.x, info.ptMaxTrackSize.x),
                            Bound(height, info.ptMinTrackSize.y, info.ptMaxTrackSize.y)});
  std::optional<Surface> surface =
      CreateSurface(size.x, size.y, BrushColour(class_->background, 0xFFFFFF));
  std::string whyNot = "no memory for its pixels";
  if (!surface ||
      !OpenNativeWindow(Utf8FromCp1252(windowName != nullptr ? windowName : ""), size.x, size.y,
                        whyNot)) {
    return WindowNotOpened(whyNot);
  }
  HWND handle = reinterpret_cast<HWND>(nextWindow_++);
  window_.emplace();
  window_->handle = handle;
  window_->procedure = class_->procedure;
  window_->background = class_->background;
  window_->client = std::move(*surface);

  Send(handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  if (Window* created = FindWindow(handle)) {
    POINT& lowest = created->minimumClient;
    POINT& highest = created->maximumClient;
    lowest = client(info.ptMinTrackSize);
    highest = client(info.ptMaxTrackSize);
    highest = POINT{std::max(highest.x, lowest.x), std::max(highest.y, lowest.y)};
    // As in Windows, the track sizes bound the size being created.
    POINT now = TrackSizesSet(POINT{Bound(size.x, lowest.x, highest.x),
                                    Bound(size.y, lowest.y, highest.y)});
    ResizeClient(now.x, now.y);
  }
  Send(handle, WM_CREATE, 0, 0);
  if (Window* created = FindWindow(handle)) {
    created->update = created->client.Bounds();
    created->erase = true;
  }
  return handle;
}

bool OneWindowStandIn::UpdateWindow(HWND handle) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  if (!IsEmpty(window->update)) Send(handle, WM_PAINT, 0, 0);
  return true;
}

bool OneWindowStandIn::DestroyWindow(HWND handle) {
  Window* window = FindWindow(handle);
  if (window == nullptr || window->destroying) return false;
  window->destroying = true;
  DestroyCaret();  // the only window has any caret there is
  Send(handle, WM_DESTROY, 0, 0);
  WindowDestroyed(handle);
  window_.reset();
  return true;
}

LRESULT OneWindowStandIn::DefWindowProcA(HWND handle, UINT message, WPARAM wParam,
                                         LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(handle);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == static_cast<WPARAM>(VK_F4) &&
          ((lParam & kAltHeldBit) != 0 || GetKeyState(VK_MENU) < 0)) {
        Send(handle, WM_CLOSE, 0, 0);
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(handle, paint);
      EndPaint(handle, paint);
      return 0;
    }
    default:
      return 0;
  }
}

LONG_PTR OneWindowStandIn::SetWindowLongA(HWND handle, int index, LONG_PTR newLong) {
  Window* window = FindWindow(handle);
  if (window == nullptr || index != GWL_WNDPROC || newLong == 0) return 0;
  return reinterpret_cast<LONG_PTR>(
      std::exchange(window->procedure, reinterpret_cast<WNDPROC>(newLong)));
}

HWND OneWindowStandIn::GetActiveWindow() {
  return window_ && window_->focused && !window_->destroying ? window_->handle : nullptr;
}

bool OneWindowStandIn::InvalidateRect(HWND handle, const RECT* rect, bool erase) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  RECT bounds = window->client.Bounds();
  window->update = Union(window->update, rect != nullptr ? Intersect(*rect, bounds) : bounds);
  window->erase = window->erase || erase;
  return true;
}

HDC OneWindowStandIn::BeginPaint(HWND handle, PAINTSTRUCT& paint) {
  paint = PAINTSTRUCT{};
  Window* window = FindWindow(handle);
  if (window == nullptr) return nullptr;
  paint.hdc = GetDC(handle);
  paint.rcPaint = window->update;
  paint.fErase = window->erase;
  if (window->erase && window->background != nullptr) {
    // What WM_ERASEBKGND does with the class brush.
    RECT erased =
        FillPixels(window->client, window->update, BrushColour(window->background, 0xFFFFFF));
    Erased(erased);
    Changed(paint.hdc, erased, false);
  }
  window->update = RECT{};
  window->erase = false;
  return paint.hdc;
}

// EndPaint always succeeds.
bool OneWindowStandIn::EndPaint(HWND handle, const PAINTSTRUCT& paint) {
  ReleaseDC(handle, paint.hdc);
  return true;
}

Window* OneWindowStandIn::FindWindow(HWND handle) {
  return window_ && handle != nullptr && window_->handle == handle ? &*window_ : nullptr;
}

Window* OneWindowStandIn::InputWindow() {
  return window_ && !window_->destroying ? &*window_ : nullptr;
}

LRESULT OneWindowStandIn::Send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindWindow(handle);
  if (window == nullptr || window->procedure == nullptr) return 0;
  // The system's procedure is this backend's own, whatever backend
  // platform::Os() answers.
  return window->procedure == &DefaultWindowProc
             ? DefWindowProcA(handle, message, wParam, lParam)
             : window->procedure(handle, message, wParam, lParam);
}

void OneWindowStandIn::GiveFocus(Window& window) {
  if (window.focused) return;
  window.focused = true;
  Send(window.handle, WM_SETFOCUS, 0, 0);
}

void OneWindowStandIn::ResizeClient(int width, int height) {
  if (!window_) return;
  Window& window = *window_;
  if (window.client.width == width && window.client.height == height) return;
  std::optional<Surface> resized =
      CreateSurface(width, height, BrushColour(window.background, 0xFFFFFF));
  if (!resized) return;
  // Until the repaint the screen shows what was drawn, where it still fits.
  CopyPixels(*resized, 0, 0, window.client.width, window.client.height, window.client, 0, 0);
  window.client = std::move(*resized);
  window.update = window.client.Bounds();
  window.erase = true;
}

void OneWindowStandIn::PresentAll() {
  if (window_) Present(window_->handle, window_->client.Bounds());
}

Surface* OneWindowStandIn::ClientSurface(HWND handle) {
  Window* window = FindWindow(handle);
  return window != nullptr ? &window->client : nullptr;
}

}  // namespace platform::common
