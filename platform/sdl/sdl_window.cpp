// The window class and the window: creation with the messages Windows
// sends while it creates, shows, updates and destroys a window; the default
// window procedure; invalidation and painting; presenting the client
// surface on the screen.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/common/cp1252.h"
#include "platform/sdl/sdl_platform.h"

namespace platform::sdl {

ATOM SdlPlatform::RegisterClassA(const WNDCLASSA& windowClass) {
  if (class_ || windowClass.lpszClassName == nullptr || windowClass.lpszClassName[0] == '\0') {
    return 0;
  }
  class_ = WindowClass{windowClass.lpszClassName, windowClass.lpfnWndProc,
                       windowClass.hbrBackground};
  return 0xC001;
}

// The window goes where the window manager puts it, as the program's
// CW_USEDEFAULT asks, and can be resized, as WS_OVERLAPPEDWINDOW can.
HWND SdlPlatform::CreateWindowExA(DWORD, const char* className, const char* windowName, DWORD,
                                  int, int, int width, int height, HWND, HMENU, HINSTANCE,
                                  void*) {
  if (window_ || !class_ || className == nullptr ||
      strcasecmp(className, class_->name.c_str()) != 0) {
    return nullptr;
  }
  // The system's track sizes, before the window procedure has its say.
  MINMAXINFO info;
  int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  info.ptMinTrackSize = POINT{2 * kFrame + 112, 2 * kFrame + kCaption};
  info.ptMaxTrackSize = POINT{screenWidth + 2 * kFrame, screenHeight + 2 * kFrame + kCaption};
  auto client = [](POINT outer) {
    return POINT{std::max(1, int{outer.x} - 2 * kFrame),
                 std::max(1, int{outer.y} - 2 * kFrame - kCaption)};
  };
  // Windows bounds the size asked for by the largest track size already
  // while it creates the window; a font of hundreds of pixels asks for a
  // window of tens of thousands, which SDL refuses to make at all (and whose
  // client surface would take gigabytes).
  POINT size = client(POINT{std::clamp(width, info.ptMinTrackSize.x, info.ptMaxTrackSize.x),
                            std::clamp(height, info.ptMinTrackSize.y, info.ptMaxTrackSize.y)});
  std::string title = common::Utf8FromCp1252(windowName != nullptr ? windowName : "");
  SDL_Window* sdlWindow =
      videoAvailable_ ? SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED,
                                         SDL_WINDOWPOS_UNDEFINED, size.x, size.y,
                                         SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE)
                      : nullptr;
  std::optional<common::Surface> surface =
      common::CreateSurface(size.x, size.y, BrushColour(class_->background, 0xFFFFFF));
  if (sdlWindow == nullptr || !surface) {
    // Nothing can be shown or typed without a window; end with a reason
    // rather than let the program run on against a window that is not there.
    std::fprintf(stderr, "mirabo: cannot open a window: %s\n",
                 videoAvailable_ ? SDL_GetError() : "no display");
    ExitProcess(1);
  }
  HWND handle = reinterpret_cast<HWND>(nextWindow_++);
  window_.emplace();
  window_->handle = handle;
  window_->sdl.reset(sdlWindow);
  window_->procedure = class_->procedure;
  window_->client = std::move(*surface);

  Send(handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  if (Window* created = FindWindow(handle)) {
    created->minimumClient = client(info.ptMinTrackSize);
    created->maximumClient = client(info.ptMaxTrackSize);
    created->maximumClient.x = std::max(created->maximumClient.x, created->minimumClient.x);
    created->maximumClient.y = std::max(created->maximumClient.y, created->minimumClient.y);
    ApplyTrackSizes();
    // As in Windows, the track sizes bound the size being created.
    SDL_GetWindowSize(created->sdl.get(), &width, &height);
    ResizeClient(width, height);
  }
  Send(handle, WM_CREATE, 0, 0);
  if (Window* created = FindWindow(handle)) {
    created->update = created->client.Bounds();
    created->erase = true;
  }
  return handle;
}

bool SdlPlatform::ShowWindow(HWND handle, int command) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  bool wasVisible = (SDL_GetWindowFlags(window->sdl.get()) & SDL_WINDOW_SHOWN) != 0;
  SDL_ShowWindow(window->sdl.get());
  if (command == SW_SHOWMAXIMIZED) SDL_MaximizeWindow(window->sdl.get());
  SDL_RaiseWindow(window->sdl.get());
  // Windows gives the focus while ShowWindow runs; the window system's own
  // focus event comes later and is then no news.
  if (!window->focused) {
    window->focused = true;
    Send(handle, WM_SETFOCUS, 0, 0);
  }
  PresentAll();
  // On X11 the first window surface wipes the size hints set before it.
  ApplyTrackSizes();
  return wasVisible;
}

bool SdlPlatform::UpdateWindow(HWND handle) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  if (!common::IsEmpty(window->update)) Send(handle, WM_PAINT, 0, 0);
  return true;
}

bool SdlPlatform::DestroyWindow(HWND handle) {
  Window* window = FindWindow(handle);
  if (window == nullptr || window->destroying) return false;
  window->destroying = true;
  DestroyCaret();  // the only window has any caret there is
  Send(handle, WM_DESTROY, 0, 0);
  queue_.clear();
  window_.reset();
  return true;
}

LRESULT SdlPlatform::DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(handle);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == static_cast<WPARAM>(VK_F4) && (lParam & kAltHeldBit) != 0) {
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

LONG_PTR SdlPlatform::SetWindowLongA(HWND handle, int index, LONG_PTR newLong) {
  Window* window = FindWindow(handle);
  if (window == nullptr || index != GWL_WNDPROC || newLong == 0) return 0;
  return reinterpret_cast<LONG_PTR>(
      std::exchange(window->procedure, reinterpret_cast<WNDPROC>(newLong)));
}

bool SdlPlatform::SetWindowTextA(HWND handle, const char* text) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  SDL_SetWindowTitle(window->sdl.get(),
                     common::Utf8FromCp1252(text != nullptr ? text : "").c_str());
  return true;
}

bool SdlPlatform::GetWindowRect(HWND handle, RECT& rect) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  int x = 0, y = 0;
  SDL_GetWindowPosition(window->sdl.get(), &x, &y);
  rect = RECT{x - kFrame, y - kFrame - kCaption, x + window->client.width + kFrame,
              y + window->client.height + kFrame};
  return true;
}

HWND SdlPlatform::GetActiveWindow() {
  return window_ && window_->focused ? window_->handle : nullptr;
}

int SdlPlatform::GetSystemMetrics(int index) {
  SDL_DisplayMode mode{};
  bool known = videoAvailable_ && SDL_GetDesktopDisplayMode(0, &mode) == 0;
  switch (index) {
    case SM_CXSCREEN: return known ? mode.w : 1024;
    case SM_CYSCREEN: return known ? mode.h : 768;
    case SM_CXFRAME:
    case SM_CYFRAME: return kFrame;
    case SM_CYCAPTION: return kCaption;
    default: return 0;
  }
}

bool SdlPlatform::InvalidateRect(HWND handle, const RECT* rect, bool erase) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  RECT bounds = window->client.Bounds();
  window->update =
      common::Union(window->update, rect != nullptr ? common::Intersect(*rect, bounds) : bounds);
  window->erase = window->erase || erase;
  return true;
}

HDC SdlPlatform::BeginPaint(HWND handle, PAINTSTRUCT& paint) {
  paint = PAINTSTRUCT{};
  Window* window = FindWindow(handle);
  if (window == nullptr) return nullptr;
  paint.hdc = GetDC(handle);
  paint.rcPaint = window->update;
  paint.fErase = window->erase;
  if (window->erase && class_->background != nullptr) {
    // What WM_ERASEBKGND does with the class brush.
    Changed(paint.hdc,
            common::FillPixels(window->client, window->update,
                               BrushColour(class_->background, 0xFFFFFF)),
            false);
  }
  window->update = RECT{};
  window->erase = false;
  return paint.hdc;
}

bool SdlPlatform::EndPaint(HWND handle, const PAINTSTRUCT& paint) {
  return ReleaseDC(handle, paint.hdc) != 0;
}

// ---------------------------------------------------------------------------

Window* SdlPlatform::FindWindow(HWND handle) {
  return window_ && handle != nullptr && window_->handle == handle ? &*window_ : nullptr;
}

Window* SdlPlatform::InputWindow() { return window_ && !window_->destroying ? &*window_ : nullptr; }

LRESULT SdlPlatform::Send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindWindow(handle);
  if (window == nullptr || window->procedure == nullptr) return 0;
  // The system's procedure is this backend's own, whatever backend
  // platform::Os() answers.
  return window->procedure == &DefaultWindowProc
             ? DefWindowProcA(handle, message, wParam, lParam)
             : window->procedure(handle, message, wParam, lParam);
}

void SdlPlatform::ResizeClient(int width, int height) {
  Window& window = *window_;
  if (window.client.width == width && window.client.height == height) return;
  std::optional<common::Surface> resized =
      common::CreateSurface(width, height, BrushColour(class_->background, 0xFFFFFF));
  if (!resized) return;
  // CS_HREDRAW and CS_VREDRAW: the whole client area is erased and repainted.
  window.client = std::move(*resized);
  window.update = window.client.Bounds();
  window.erase = true;
}

void SdlPlatform::ApplyTrackSizes() {
  if (!window_) return;
  SDL_SetWindowMinimumSize(window_->sdl.get(), window_->minimumClient.x, window_->minimumClient.y);
  SDL_SetWindowMaximumSize(window_->sdl.get(), window_->maximumClient.x, window_->maximumClient.y);
}

void SdlPlatform::PresentAll() { if (window_) Present(window_->handle, window_->client.Bounds()); }

common::Surface* SdlPlatform::ClientSurface(HWND handle) {
  Window* window = FindWindow(handle);
  return window != nullptr ? &window->client : nullptr;
}

void SdlPlatform::Present(HWND handle, const RECT& area) {
  Window* window = FindWindow(handle);
  SDL_Surface* screen = window != nullptr ? SDL_GetWindowSurface(window->sdl.get()) : nullptr;
  if (screen == nullptr || common::IsEmpty(area)) return;
  common::Surface& client = window->client;
  std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> pixels(
      SDL_CreateRGBSurfaceWithFormatFrom(client.pixels.data(), client.width, client.height, 32,
                                         client.width * 4, SDL_PIXELFORMAT_RGB888),
      &SDL_FreeSurface);
  SDL_Rect shown{area.left, area.top, area.right - area.left, area.bottom - area.top};
  if (!pixels || SDL_BlitSurface(pixels.get(), &shown, screen, &shown) != 0) return;
  // The blit clipped `shown` to both surfaces.  The caret inverts what lies
  // under it, on the screen only.
  SDL_Rect caret = SDL_Rect{};
  RECT caretArea = CaretArea(handle);
  SDL_Rect bar{caretArea.left, caretArea.top, caretArea.right - caretArea.left,
               caretArea.bottom - caretArea.top};
  if (SDL_IntersectRect(&bar, &shown, &caret) && screen->format->BytesPerPixel == 4 &&
      SDL_LockSurface(screen) == 0) {
    Uint32 invert = screen->format->Rmask | screen->format->Gmask | screen->format->Bmask;
    for (int row = caret.y; row < caret.y + caret.h; ++row) {
      auto* line =
          reinterpret_cast<Uint32*>(static_cast<Uint8*>(screen->pixels) + row * screen->pitch);
      for (int column = caret.x; column < caret.x + caret.w; ++column) line[column] ^= invert;
    }
    SDL_UnlockSurface(screen);
  }
  SDL_UpdateWindowSurfaceRects(window->sdl.get(), &shown, 1);
}

}  // namespace platform::sdl
