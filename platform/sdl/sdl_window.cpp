// The window as SDL shows it: the SDL window under the shared window
// bookkeeping (common/stand_in_window.h), its frame and place, and the
// client surface presented on the screen.
#include <cstdio>
#include <memory>

#include "platform/common/cp1252.h"
#include "platform/sdl/sdl_platform.h"

namespace platform::sdl {

bool SdlPlatform::OpenNativeWindow(const std::string& title, int width, int height,
                                   std::string& whyNot) {
  // Resizable, as WS_OVERLAPPEDWINDOW is.
  if (videoAvailable_) {
    sdlWindow_.reset(SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED,
                                      SDL_WINDOWPOS_UNDEFINED, width, height,
                                      SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE));
  }
  if (sdlWindow_ == nullptr) whyNot = videoAvailable_ ? SDL_GetError() : "no display";
  return sdlWindow_ != nullptr;
}

// Nothing can be shown or typed without a window; end with a reason rather
// than let the program run on against a window that is not there.
HWND SdlPlatform::WindowNotOpened(const std::string& whyNot) {
  std::fprintf(stderr, "mirabo: cannot open a window: %s\n", whyNot.c_str());
  ExitProcess(1);
}

POINT SdlPlatform::TrackSizesSet(POINT) {
  ApplyTrackSizes();
  // SDL has bounded the window by them, as Windows does.
  int width = 0, height = 0;
  SDL_GetWindowSize(sdlWindow_.get(), &width, &height);
  return POINT{width, height};
}

void SdlPlatform::WindowDestroyed(HWND) {
  queue_.clear();
  sdlWindow_.reset();
}

bool SdlPlatform::ShowWindow(HWND handle, int command) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  bool wasVisible = (SDL_GetWindowFlags(sdlWindow_.get()) & SDL_WINDOW_SHOWN) != 0;
  SDL_ShowWindow(sdlWindow_.get());
  if (command == SW_SHOWMAXIMIZED) SDL_MaximizeWindow(sdlWindow_.get());
  SDL_RaiseWindow(sdlWindow_.get());
  GiveFocus(*window);
  PresentAll();
  // On X11 the first window surface wipes the size hints set before it.
  ApplyTrackSizes();
  return wasVisible;
}

bool SdlPlatform::SetWindowTextA(HWND handle, const char* text) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  SDL_SetWindowTitle(sdlWindow_.get(),
                     common::Utf8FromCp1252(text != nullptr ? text : "").c_str());
  return true;
}

bool SdlPlatform::GetWindowRect(HWND handle, RECT& rect) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  int x = 0, y = 0;
  SDL_GetWindowPosition(sdlWindow_.get(), &x, &y);
  rect = RECT{x - kFrame, y - kFrame - kCaption, x + window->client.width + kFrame,
              y + window->client.height + kFrame};
  return true;
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

// ---------------------------------------------------------------------------

void SdlPlatform::ApplyTrackSizes() {
  if (!window_) return;
  SDL_SetWindowMinimumSize(sdlWindow_.get(), window_->minimumClient.x, window_->minimumClient.y);
  SDL_SetWindowMaximumSize(sdlWindow_.get(), window_->maximumClient.x, window_->maximumClient.y);
}

void SdlPlatform::Present(HWND handle, const RECT& area) {
  Window* window = FindWindow(handle);
  SDL_Surface* screen = window != nullptr ? SDL_GetWindowSurface(sdlWindow_.get()) : nullptr;
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
  SDL_UpdateWindowSurfaceRects(sdlWindow_.get(), &shown, 1);
}

}  // namespace platform::sdl
