// The window: creation with the messages Windows sends while it creates,
// shows, updates and destroys a window; the default window procedure;
// invalidation and painting; the client surface shown on the page's canvas,
// with the screen's text beside it.
#include <algorithm>
#include <cctype>

#include "platform/common/cp1252.h"
#include "platform/web/web_platform.h"

namespace platform::web {

namespace {

constexpr LPARAM kAltHeldBit = LPARAM{1} << 29;

bool SameName(const std::string& a, const char* b) {
  if (b == nullptr) return false;
  std::string other = b;
  if (a.size() != other.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(other[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

ATOM WebPlatform::RegisterClassA(const WNDCLASSA& windowClass) {
  if (class_ || windowClass.lpszClassName == nullptr || windowClass.lpszClassName[0] == '\0') {
    return 0;
  }
  class_ = WindowClass{windowClass.lpszClassName, windowClass.lpfnWndProc,
                       windowClass.hbrBackground};
  return 0xC001;
}

HWND WebPlatform::CreateWindowExA(DWORD, const char* className, const char* windowName, DWORD,
                                  int, int, int width, int height, HWND, HMENU, HINSTANCE,
                                  void*) {
  if (!class_ || !SameName(class_->name, className) || window_) return nullptr;
  // The system's track sizes, before the window procedure has its say.  The
  // canvas has no frame: the window's size is its client area's.
  MINMAXINFO info;
  int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  info.ptMaxSize = POINT{screenWidth, screenHeight};
  info.ptMinTrackSize = POINT{112, 1};
  info.ptMaxTrackSize = POINT{screenWidth, screenHeight};
  // Windows bounds the size asked for by the largest track size already
  // while it creates the window: a font of hundreds of pixels would ask for
  // a canvas of gigabytes.
  int clientWidth = std::clamp(width, int{info.ptMinTrackSize.x}, int{info.ptMaxTrackSize.x});
  int clientHeight = std::clamp(height, int{info.ptMinTrackSize.y}, int{info.ptMaxTrackSize.y});
  std::optional<common::Surface> client =
      common::CreateSurface(clientWidth, clientHeight, BrushColour(class_->background, 0xFFFFFF));
  if (!client) return nullptr;

  window_ = Window{};
  window_->handle = reinterpret_cast<HWND>(nextWindow_++);
  window_->procedure = class_->procedure;
  window_->background = class_->background;
  window_->client = std::move(*client);
  HWND handle = window_->handle;
  browser_.SetTitle(common::Utf8FromCp1252(windowName != nullptr ? windowName : ""));

  Send(handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  if (Window* created = FindWindow(handle)) {
    created->minimumClient = POINT{std::max(1, int{info.ptMinTrackSize.x}),
                                   std::max(1, int{info.ptMinTrackSize.y})};
    created->maximumClient = POINT{std::max(created->minimumClient.x, int{info.ptMaxTrackSize.x}),
                                   std::max(created->minimumClient.y, int{info.ptMaxTrackSize.y})};
    // As in Windows, the track sizes bound the size being created.
    ResizeClient(std::clamp(clientWidth, int{created->minimumClient.x}, int{created->maximumClient.x}),
                 std::clamp(clientHeight, int{created->minimumClient.y},
                            int{created->maximumClient.y}));
  }
  Send(handle, WM_CREATE, 0, 0);
  if (Window* created = FindWindow(handle)) {
    created->update = created->client.Bounds();
    created->erase = true;
  }
  return handle;
}

bool WebPlatform::ShowWindow(HWND handle, int command) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  if (command == SW_SHOWMAXIMIZED) {
    ResizeClient(window->maximumClient.x, window->maximumClient.y);
  }
  browser_.ShowCanvas(window->client.width, window->client.height);
  // Windows gives the focus while ShowWindow runs; the page's own focus
  // event comes later and is then no news.
  if (!window->focused) {
    window->focused = true;
    Send(handle, WM_SETFOCUS, 0, 0);
  }
  PresentAll();
  return true;
}

bool WebPlatform::UpdateWindow(HWND handle) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  if (!common::IsEmpty(window->update)) Send(handle, WM_PAINT, 0, 0);
  return true;
}

bool WebPlatform::DestroyWindow(HWND handle) {
  Window* window = FindWindow(handle);
  if (window == nullptr || window->destroying) return false;
  window->destroying = true;
  DestroyCaret();
  Send(handle, WM_DESTROY, 0, 0);
  queue_.RemoveWindow(handle);
  window_.reset();
  return true;
}

LRESULT WebPlatform::DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
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

LONG_PTR WebPlatform::SetWindowLongA(HWND handle, int index, LONG_PTR newLong) {
  Window* window = FindWindow(handle);
  if (window == nullptr || index != GWL_WNDPROC || newLong == 0) return 0;
  WNDPROC old = window->procedure;
  window->procedure = reinterpret_cast<WNDPROC>(newLong);
  return reinterpret_cast<LONG_PTR>(old);
}

bool WebPlatform::SetWindowTextA(HWND handle, const char* text) {
  if (FindWindow(handle) == nullptr) return false;
  browser_.SetTitle(common::Utf8FromCp1252(text != nullptr ? text : ""));
  return true;
}

// The system menu is the window itself; the only item the program touches
// is Close, whose state is kept on the window.
// The canvas sits at the top left of the page's screen, as far as the
// program can tell.
bool WebPlatform::GetWindowRect(HWND handle, RECT& rect) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  rect = window->client.Bounds();
  return true;
}

HWND WebPlatform::GetActiveWindow() {
  return window_ && window_->focused && !window_->destroying ? window_->handle : nullptr;
}

int WebPlatform::GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
      int width = 0, height = 0;
      browser_.ScreenSize(width, height);
      if (width <= 0 || height <= 0) {
        width = 1024;
        height = 768;
      }
      return index == SM_CXSCREEN ? width : height;
    }
    default:
      // SM_CXFRAME, SM_CYFRAME, SM_CYCAPTION: the canvas has no frame.
      return 0;
  }
}

bool WebPlatform::InvalidateRect(HWND handle, const RECT* rect, bool erase) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  RECT bounds = window->client.Bounds();
  window->update = common::Union(window->update,
                                 rect != nullptr ? common::Intersect(*rect, bounds) : bounds);
  window->erase = window->erase || erase;
  return true;
}

HDC WebPlatform::BeginPaint(HWND handle, PAINTSTRUCT& paint) {
  paint = PAINTSTRUCT{};
  Window* window = FindWindow(handle);
  if (window == nullptr) return nullptr;
  HDC dc = GetDC(handle);
  paint.hdc = dc;
  paint.rcPaint = window->update;
  paint.fErase = window->erase;
  if (window->erase && window->background != nullptr) {
    // What WM_ERASEBKGND does with the class brush.
    RECT erased = common::FillPixels(window->client, window->update,
                                     BrushColour(window->background, 0xFFFFFF));
    screenText_.Fill(erased);
    Changed(dc, erased, false);
  }
  window->update = RECT{};
  window->erase = false;
  return dc;
}

bool WebPlatform::EndPaint(HWND handle, const PAINTSTRUCT& paint) {
  ReleaseDC(handle, paint.hdc);
  return true;
}

// --- Drawing, with the screen's text ----------------------------------------

HDC WebPlatform::GetDC(HWND window) {
  HDC dc = StandInPlatform::GetDC(window);
  if (dc != nullptr && window != nullptr) windowContexts_.insert(dc);
  return dc;
}

int WebPlatform::ReleaseDC(HWND window, HDC dc) {
  int released = StandInPlatform::ReleaseDC(window, dc);
  if (released != 0) windowContexts_.erase(dc);
  return released;
}

bool WebPlatform::TextOutA(HDC dc, int x, int y, const char* text, int count) {
  bool drawn = StandInPlatform::TextOutA(dc, x, y, text, count);
  if (drawn && windowContexts_.count(dc) != 0 && text != nullptr && count > 0) {
    TEXTMETRICA metrics;
    if (GetTextMetricsA(dc, metrics)) {
      screenText_.Text(x - metrics.tmOverhang, y,
                       std::string_view(text, static_cast<std::size_t>(count)),
                       metrics.tmAveCharWidth, metrics.tmHeight + metrics.tmExternalLeading);
    }
  }
  return drawn;
}

bool WebPlatform::BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX,
                         int sourceY, DWORD rop) {
  bool copied = StandInPlatform::BitBlt(dest, x, y, width, height, source, sourceX, sourceY, rop);
  // Scrolling copies the window onto itself; copies to or from memory
  // bitmaps leave the window's text as it is.
  if (copied && windowContexts_.count(dest) != 0 && windowContexts_.count(source) != 0) {
    screenText_.Copy(x, y, width, height, sourceX, sourceY);
  }
  return copied;
}

bool WebPlatform::PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  bool filled = StandInPlatform::PatBlt(dc, x, y, width, height, rop);
  if (filled && windowContexts_.count(dc) != 0) {
    screenText_.Fill(RECT{x, y, x + width, y + height});
  }
  return filled;
}

// --- Showing ----------------------------------------------------------------

common::Surface* WebPlatform::ClientSurface(HWND handle) {
  Window* window = FindWindow(handle);
  return window != nullptr ? &window->client : nullptr;
}

void WebPlatform::Present(HWND handle, const RECT& area) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return;
  RECT shown = common::Intersect(area, window->client.Bounds());
  if (!common::IsEmpty(shown)) {
    int width = shown.right - shown.left;
    int height = shown.bottom - shown.top;
    rgba_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    // The caret inverts what lies under it, on the canvas only.
    RECT caret = common::Intersect(CaretArea(handle), shown);
    std::uint8_t* out = rgba_.data();
    for (int y = shown.top; y < shown.bottom; ++y) {
      const std::uint32_t* row = window->client.Row(y);
      bool caretRow = y >= caret.top && y < caret.bottom;
      for (int x = shown.left; x < shown.right; ++x) {
        std::uint32_t pixel = row[x];
        if (caretRow && x >= caret.left && x < caret.right) pixel ^= 0xFFFFFF;
        *out++ = static_cast<std::uint8_t>(pixel >> 16);
        *out++ = static_cast<std::uint8_t>(pixel >> 8);
        *out++ = static_cast<std::uint8_t>(pixel);
        *out++ = 0xFF;
      }
    }
    browser_.Present(rgba_.data(), shown.left, shown.top, width, height);
  }
  ShowScreenText();
}

void WebPlatform::ShowScreenText() {
  for (const auto& [row, text] : screenText_.TakeChangedRows()) browser_.SetScreenLine(row, text);
}

void WebPlatform::PresentAll() {
  if (window_) Present(window_->handle, window_->client.Bounds());
}

Window* WebPlatform::FindWindow(HWND handle) {
  return window_ && handle != nullptr && window_->handle == handle ? &*window_ : nullptr;
}

Window* WebPlatform::InputWindow() {
  return window_ && !window_->destroying ? &*window_ : nullptr;
}

LRESULT WebPlatform::Send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindWindow(handle);
  if (window == nullptr || window->procedure == nullptr) return 0;
  // The system's procedure is this backend's own, whatever backend
  // platform::Os() answers.
  if (window->procedure == &DefaultWindowProc) {
    return DefWindowProcA(handle, message, wParam, lParam);
  }
  return window->procedure(handle, message, wParam, lParam);
}

void WebPlatform::ResizeClient(int width, int height) {
  if (!window_) return;
  if (window_->client.width == width && window_->client.height == height) return;
  std::optional<common::Surface> resized =
      common::CreateSurface(width, height, BrushColour(window_->background, 0xFFFFFF));
  if (!resized) return;
  common::CopyPixels(*resized, 0, 0, window_->client.width, window_->client.height,
                     window_->client, 0, 0);
  window_->client = std::move(*resized);
  // CS_HREDRAW and CS_VREDRAW: the whole client area is repainted.
  window_->update = window_->client.Bounds();
  window_->erase = true;
  screenText_.Clear();
}

}  // namespace platform::web
