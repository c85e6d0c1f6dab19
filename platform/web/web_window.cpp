// The window as the page shows it: the canvas under the shared window
// bookkeeping (common/stand_in_window.h), with the screen's text beside it.
#include "platform/common/cp1252.h"
#include "platform/web/web_platform.h"

namespace platform::web {

bool WebPlatform::OpenNativeWindow(const std::string& title, int, int, std::string&) {
  browser_.SetTitle(title);
  return true;
}

HWND WebPlatform::WindowNotOpened(const std::string&) { return nullptr; }

void WebPlatform::WindowDestroyed(HWND window) { queue_.RemoveWindow(window); }

void WebPlatform::Erased(const RECT& area) { screenText_.Fill(area); }

bool WebPlatform::ShowWindow(HWND handle, int command) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  if (command == SW_SHOWMAXIMIZED) {
    ResizeClient(window->maximumClient.x, window->maximumClient.y);
  }
  browser_.ShowCanvas(window->client.width, window->client.height);
  GiveFocus(*window);
  PresentAll();
  return true;
}

bool WebPlatform::SetWindowTextA(HWND handle, const char* text) {
  if (FindWindow(handle) == nullptr) return false;
  browser_.SetTitle(common::Utf8FromCp1252(text != nullptr ? text : ""));
  return true;
}

// The canvas sits at the top left of the page's screen, as far as the
// program can tell.
bool WebPlatform::GetWindowRect(HWND handle, RECT& rect) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  rect = window->client.Bounds();
  return true;
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

void WebPlatform::ResizeClient(int width, int height) {
  if (!window_) return;
  const int oldWidth = window_->client.width, oldHeight = window_->client.height;
  OneWindowStandIn::ResizeClient(width, height);
  // The whole client area is repainted, text and all.
  if (window_->client.width != oldWidth || window_->client.height != oldHeight) {
    screenText_.Clear();
  }
}

}  // namespace platform::web
