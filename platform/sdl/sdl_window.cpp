// Window classes and windows: creation with the messages Windows sends
// while it creates, shows, updates and destroys a window; the default
// window procedure; invalidation and painting; presenting the client
// surface on the screen.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/sdl/sdl_cp1252.h"
#include "platform/sdl/sdl_platform.h"

namespace platform::sdl {

namespace {

constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr LPARAM kAltHeldBit = LPARAM{1} << 29;

std::string LowerCase(const char* text) {
  std::string lower = text != nullptr ? text : "";
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

RECT ClientBounds(const Window& window) {
  return window.client ? RECT{0, 0, window.client->w, window.client->h} : RECT{};
}

}  // namespace

ATOM SdlPlatform::RegisterClassA(const WNDCLASSA& windowClass) {
  std::string name = LowerCase(windowClass.lpszClassName);
  if (name.empty() || classes_.count(name) != 0) return 0;
  classes_[name] = WindowClass{windowClass.lpfnWndProc, windowClass.style,
                               windowClass.hbrBackground};
  return static_cast<ATOM>(0xC000 + classes_.size());
}

HINSTANCE SdlPlatform::GetModuleHandleA(const char*) {
  return reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000});
}

HICON SdlPlatform::LoadIconA(HINSTANCE, int resourceId) {
  return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(resourceId));
}

HCURSOR SdlPlatform::LoadCursorA(HINSTANCE, int resourceId) {
  return reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(resourceId));
}

HWND SdlPlatform::CreateWindowExA(DWORD, const char* className, const char* windowName,
                                  DWORD style, int x, int y, int width, int height, HWND, HMENU,
                                  HINSTANCE, void*) {
  auto found = classes_.find(LowerCase(className));
  if (found == classes_.end()) return nullptr;
  // The system's track sizes, before the window procedure has its say.
  MINMAXINFO info;
  int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  info.ptMaxSize = POINT{screenWidth + 2 * kFrame, screenHeight + 2 * kFrame};
  info.ptMaxPosition = POINT{-kFrame, -kFrame};
  info.ptMinTrackSize = POINT{2 * kFrame + 112, 2 * kFrame + kCaption};
  info.ptMaxTrackSize = POINT{screenWidth + 2 * kFrame, screenHeight + 2 * kFrame + kCaption};
  // Windows bounds the size asked for by the largest track size already
  // while it creates the window; a font of hundreds of pixels asks for a
  // window of tens of thousands, which SDL refuses to make at all (and whose
  // client surface would take gigabytes).
  int clientWidth = std::clamp(width, int{info.ptMinTrackSize.x}, int{info.ptMaxTrackSize.x}) -
                    2 * kFrame;
  int clientHeight =
      std::max(1, std::clamp(height, int{info.ptMinTrackSize.y}, int{info.ptMaxTrackSize.y}) -
                      2 * kFrame - kCaption);
  int left = x == CW_USEDEFAULT ? SDL_WINDOWPOS_UNDEFINED : x + kFrame;
  // As in Windows, y means nothing when x is CW_USEDEFAULT.
  int top = x == CW_USEDEFAULT ? SDL_WINDOWPOS_UNDEFINED : y + kFrame + kCaption;
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if ((style & WS_THICKFRAME) != 0) flags |= SDL_WINDOW_RESIZABLE;
  std::string title = Utf8FromCp1252(windowName != nullptr ? windowName : "");

  SDL_Window* sdlWindow = videoAvailable_ ? SDL_CreateWindow(title.c_str(), left, top,
                                                             clientWidth, clientHeight, flags)
                                          : nullptr;
  if (sdlWindow == nullptr) {
    // Nothing can be shown or typed without a window; end with a reason
    // rather than let the program run on against a window that is not there.
    std::fprintf(stderr, "mirabo: cannot open a window: %s\n",
                 videoAvailable_ ? SDL_GetError() : "no display");
    ExitProcess(1);
  }
  auto window = std::make_unique<Window>();
  window->sdl.reset(sdlWindow);
  window->sdlId = SDL_GetWindowID(sdlWindow);
  window->procedure = found->second.procedure;
  window->classStyle = found->second.style;
  window->background = found->second.background;
  window->client = CreatePixelSurface(clientWidth, clientHeight,
                                      BrushColour(window->background, 0xFFFFFF));
  HWND handle = windows_.Add(std::move(window));

  Send(handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  if (Window* created = FindWindow(handle)) {
    created->minimumClient = POINT{std::max(1, int{info.ptMinTrackSize.x} - 2 * kFrame),
                                   std::max(1, int{info.ptMinTrackSize.y} - 2 * kFrame - kCaption)};
    created->maximumClient =
        POINT{std::max(created->minimumClient.x, int{info.ptMaxTrackSize.x} - 2 * kFrame),
              std::max(created->minimumClient.y,
                       int{info.ptMaxTrackSize.y} - 2 * kFrame - kCaption)};
    ApplyTrackSizes(*created);
    // As in Windows, the track sizes bound the size being created.
    int clampedWidth = clientWidth, clampedHeight = clientHeight;
    SDL_GetWindowSize(created->sdl.get(), &clampedWidth, &clampedHeight);
    ResizeClient(handle, clampedWidth, clampedHeight);
  }
  Send(handle, WM_CREATE, 0, 0);
  if (Window* created = FindWindow(handle)) {
    created->update = ClientBounds(*created);
    created->erase = true;
  }
  return handle;
}

bool SdlPlatform::ShowWindow(HWND handle, int command) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  SDL_Window* sdlWindow = window->sdl.get();
  bool wasVisible = (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_SHOWN) != 0;
  if (command == SW_HIDE) {
    SDL_HideWindow(sdlWindow);
    return wasVisible;
  }
  SDL_ShowWindow(sdlWindow);
  if (command == SW_SHOWMAXIMIZED) SDL_MaximizeWindow(sdlWindow);
  if (command == SW_SHOWMINIMIZED || command == SW_MINIMIZE || command == SW_SHOWMINNOACTIVE) {
    SDL_MinimizeWindow(sdlWindow);
  }
  if (command == SW_RESTORE) SDL_RestoreWindow(sdlWindow);
  bool activate = command != SW_SHOWNOACTIVATE && command != SW_SHOWNA &&
                  command != SW_MINIMIZE && command != SW_SHOWMINNOACTIVE;
  if (activate) {
    SDL_RaiseWindow(sdlWindow);
    // Windows gives the focus while ShowWindow runs; the window system's
    // own focus event comes later and is then no news.
    if (!window->focused) {
      window->focused = true;
      Send(handle, WM_SETFOCUS, 0, 0);
    }
  }
  PresentAll(handle);
  // On X11 the first window surface wipes the size hints set before it.
  if (Window* shown = FindWindow(handle)) ApplyTrackSizes(*shown);
  return wasVisible;
}

bool SdlPlatform::UpdateWindow(HWND handle) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  if (!IsEmpty(window->update)) Send(handle, WM_PAINT, 0, 0);
  return true;
}

bool SdlPlatform::DestroyWindow(HWND handle) {
  Window* window = FindWindow(handle);
  if (window == nullptr || window->destroying) return false;
  window->destroying = true;
  if (caret_ && caret_->window == handle) DestroyCaret();
  Send(handle, WM_DESTROY, 0, 0);
  std::erase_if(queue_, [handle](const QueuedMessage& queued) {
    return queued.message.hwnd == handle;
  });
  windows_.Remove(handle);
  return true;
}

LRESULT SdlPlatform::DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
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

LONG_PTR SdlPlatform::SetWindowLongA(HWND handle, int index, LONG_PTR newLong) {
  Window* window = FindWindow(handle);
  if (window == nullptr || index != GWL_WNDPROC || newLong == 0) return 0;
  WNDPROC old = window->procedure;
  window->procedure = reinterpret_cast<WNDPROC>(newLong);
  return reinterpret_cast<LONG_PTR>(old);
}

bool SdlPlatform::SetWindowTextA(HWND handle, const char* text) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  SDL_SetWindowTitle(window->sdl.get(), Utf8FromCp1252(text != nullptr ? text : "").c_str());
  return true;
}

// The system menu is the window itself: SDL has none, and the only item
// the program touches is Close, whose state is kept on the window.
HMENU SdlPlatform::GetSystemMenu(HWND handle, bool) {
  return FindWindow(handle) != nullptr ? reinterpret_cast<HMENU>(handle) : nullptr;
}

bool SdlPlatform::EnableMenuItem(HMENU menu, UINT item, UINT enable) {
  Window* window = FindWindow(reinterpret_cast<HWND>(menu));
  if (window == nullptr || item != SC_CLOSE) return false;
  // Recorded only: the window manager's close button stays usable.
  window->closeItemEnabled = (enable & (MF_GRAYED | MF_DISABLED)) == 0;
  return true;
}

bool SdlPlatform::GetWindowRect(HWND handle, RECT& rect) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  int x = 0, y = 0;
  SDL_GetWindowPosition(window->sdl.get(), &x, &y);
  RECT client = ClientBounds(*window);
  rect = RECT{x - kFrame, y - kFrame - kCaption, x + client.right + kFrame,
              y + client.bottom + kFrame};
  return true;
}

bool SdlPlatform::GetClientRect(HWND handle, RECT& rect) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  rect = ClientBounds(*window);
  return true;
}

HWND SdlPlatform::GetActiveWindow() {
  HWND active = nullptr;
  windows_.ForEach([&active](HWND handle, const Window& window) {
    if (window.focused && active == nullptr) active = handle;
  });
  return active;
}

int SdlPlatform::GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
      SDL_DisplayMode mode{};
      bool known = videoAvailable_ && SDL_GetDesktopDisplayMode(0, &mode) == 0;
      if (index == SM_CXSCREEN) return known ? mode.w : 1024;
      return known ? mode.h : 768;
    }
    case SM_CXFRAME:
    case SM_CYFRAME:
      return kFrame;
    case SM_CYCAPTION:
      return kCaption;
    default:
      return 0;
  }
}

bool SdlPlatform::InvalidateRect(HWND handle, const RECT* rect, bool erase) {
  Window* window = FindWindow(handle);
  if (window == nullptr) return false;
  RECT bounds = ClientBounds(*window);
  window->update = Union(window->update, rect != nullptr ? Intersect(*rect, bounds) : bounds);
  window->erase = window->erase || erase;
  return true;
}

HDC SdlPlatform::BeginPaint(HWND handle, PAINTSTRUCT& paint) {
  paint = PAINTSTRUCT{};
  Window* window = FindWindow(handle);
  if (window == nullptr) return nullptr;
  HDC dc = GetDC(handle);
  paint.hdc = dc;
  paint.rcPaint = window->update;
  paint.fErase = window->erase;
  if (window->erase && window->background != nullptr) {
    // What WM_ERASEBKGND does with the class brush.
    RECT erased = FillPixels(window->client.get(), window->update,
                             BrushColour(window->background, 0xFFFFFF));
    if (DeviceContext* context = contexts_.Find(dc)) Drawn(*context, erased, false);
  }
  window->update = RECT{};
  window->erase = false;
  return dc;
}

bool SdlPlatform::EndPaint(HWND, const PAINTSTRUCT& paint) {
  EndDrawing(paint.hdc);
  return true;
}

// ---------------------------------------------------------------------------

HWND SdlPlatform::WindowOfSdlId(Uint32 sdlId) const {
  HWND match = nullptr;
  windows_.ForEach([&](HWND handle, const Window& window) {
    if (window.sdlId == sdlId && !window.destroying) match = handle;
  });
  return match;
}

LRESULT SdlPlatform::Send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindWindow(handle);
  if (window == nullptr || window->procedure == nullptr) return 0;
  // The system's procedure is this backend's own, whatever backend
  // platform::Os() answers.
  if (window->procedure == &DefaultWindowProc) {
    return DefWindowProcA(handle, message, wParam, lParam);
  }
  return window->procedure(handle, message, wParam, lParam);
}

void SdlPlatform::ResizeClient(HWND handle, int width, int height) {
  Window* window = FindWindow(handle);
  if (window == nullptr || !window->client) return;
  if (window->client->w == width && window->client->h == height) return;
  UniqueSurface resized =
      CreatePixelSurface(width, height, BrushColour(window->background, 0xFFFFFF));
  if (!resized) return;
  CopyPixels(resized.get(), 0, 0, window->client->w, window->client->h, window->client.get(), 0,
             0);
  window->client = std::move(resized);
  // CS_HREDRAW and CS_VREDRAW: the whole client area is repainted.
  window->update = ClientBounds(*window);
  window->erase = true;
}

void SdlPlatform::ApplyTrackSizes(const Window& window) {
  SDL_SetWindowMinimumSize(window.sdl.get(), window.minimumClient.x, window.minimumClient.y);
  SDL_SetWindowMaximumSize(window.sdl.get(), window.maximumClient.x, window.maximumClient.y);
}

void SdlPlatform::PresentAll(HWND handle) {
  if (Window* window = FindWindow(handle)) Present(handle, ClientBounds(*window));
}

void SdlPlatform::Present(HWND handle, const RECT& area) {
  Window* window = FindWindow(handle);
  if (window == nullptr || !window->client) return;
  SDL_Surface* screen = SDL_GetWindowSurface(window->sdl.get());
  if (screen == nullptr) return;
  RECT shown = Intersect(Intersect(area, ClientBounds(*window)), RECT{0, 0, screen->w, screen->h});
  if (IsEmpty(shown)) return;
  SDL_Rect source{shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top};
  SDL_Rect target = source;
  SDL_SetSurfaceBlendMode(window->client.get(), SDL_BLENDMODE_NONE);
  SDL_BlitSurface(window->client.get(), &source, screen, &target);

  // The caret inverts what lies under it, on the screen only.
  RECT caret = CaretShown() && caret_->window == handle ? Intersect(CaretRect(), shown) : RECT{};
  if (!IsEmpty(caret) && screen->format->BytesPerPixel == 4 && SDL_LockSurface(screen) == 0) {
    Uint32 invert = screen->format->Rmask | screen->format->Gmask | screen->format->Bmask;
    for (LONG row = caret.top; row < caret.bottom; ++row) {
      auto* pixels = reinterpret_cast<Uint32*>(static_cast<Uint8*>(screen->pixels) +
                                               static_cast<std::ptrdiff_t>(row) * screen->pitch);
      for (LONG column = caret.left; column < caret.right; ++column) pixels[column] ^= invert;
    }
    SDL_UnlockSurface(screen);
  }
  SDL_UpdateWindowSurfaceRects(window->sdl.get(), &source, 1);
}

COLORREF SdlPlatform::BrushColour(HBRUSH brush, COLORREF otherwise) const {
  const GdiObject* object = FindObject(brush);
  return object != nullptr && object->kind == GdiObject::Kind::Brush ? object->colour : otherwise;
}

}  // namespace platform::sdl
