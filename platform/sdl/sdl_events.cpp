// SDL events become queued Win32 messages: keys with their virtual key,
// lParam and the key state of the moment, typed text matched to its key
// (see sdl_messages.cpp for how WM_CHAR is ordered), focus, close, size
// and mouse.
#include <algorithm>

#include "platform/sdl/sdl_cp1252.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/sdl/sdl_platform.h"

namespace platform::sdl {

namespace {

constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;
constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_MBUTTON = 0x04;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_NUMLOCK = 0x90;
constexpr int VK_SCROLL = 0x91;
constexpr int VK_LSHIFT = 0xA0;
constexpr int VK_RSHIFT = 0xA1;
constexpr int VK_LCONTROL = 0xA2;
constexpr int VK_RCONTROL = 0xA3;
constexpr int VK_LMENU = 0xA4;
constexpr int VK_RMENU = 0xA5;

// WM_KEYDOWN's lParam: repeat count 1, the extended-key flag (bit 24), the
// context code (bit 29, Alt held), the previous key state (bit 30) and the
// transition state (bit 31, set on release).
LPARAM KeyLParam(bool extended, bool altHeld, bool wasDown, bool released) {
  std::uint32_t bits = 1;
  if (extended) bits |= 1u << 24;
  if (altHeld) bits |= 1u << 29;
  if (wasDown) bits |= 1u << 30;
  if (released) bits |= 1u << 31;
  return static_cast<LPARAM>(bits);
}

LPARAM PointLParam(int x, int y) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(x) & 0xFFFF) |
                             ((static_cast<std::uint32_t>(y) & 0xFFFF) << 16));
}

}  // namespace

void SdlPlatform::TranslateEvent(const SDL_Event& event) {
  // SDL sends a key's text right after its key-down; text after anything
  // else (an input method's, or one typed through a key SDL cannot name)
  // belongs to no key.
  if (event.type != SDL_KEYDOWN && event.type != SDL_TEXTINPUT) lastKeyDownSerial_ = 0;
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      TranslateKey(event.key);
      break;
    case SDL_TEXTINPUT:
      TranslateText(event.text);
      break;
    case SDL_WINDOWEVENT:
      TranslateWindowEvent(event.window);
      break;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      TranslateMouse(event);
      break;
    case SDL_QUIT:
      // The last window was closed, or the process was asked to end: each
      // window is asked to close, once.
      windows_.ForEach([this](HWND handle, const Window& window) {
        bool pending = std::any_of(queue_.begin(), queue_.end(), [handle](const auto& queued) {
          return queued.message.hwnd == handle && queued.message.message == WM_CLOSE;
        });
        if (!window.destroying && !pending) Post(handle, WM_CLOSE, 0, 0);
      });
      break;
    default:
      break;
  }
}

void SdlPlatform::TranslateKey(const SDL_KeyboardEvent& key) {
  bool pressed = key.type == SDL_KEYDOWN;
  std::uint8_t virtualKey = VirtualKeyOf(key.keysym.sym, key.keysym.scancode, key.keysym.mod);
  if (virtualKey == 0) virtualKey = kPacketVirtualKey;
  std::uint8_t sided = SidedVirtualKeyOf(key.keysym.sym);

  // A key-down's state includes the key itself; a release is reported with
  // the state before it (releasing Alt is still a system key).
  bool altBefore = keys_.down[VK_MENU];
  bool ctrlBefore = keys_.down[VK_CONTROL];
  if (pressed && key.repeat == 0) keys_.toggled.flip(virtualKey);
  keys_.down.set(virtualKey, pressed);
  if (sided != 0) keys_.down.set(sided, pressed);
  keys_.down.set(VK_SHIFT, keys_.down[VK_LSHIFT] || keys_.down[VK_RSHIFT]);
  keys_.down.set(VK_CONTROL, keys_.down[VK_LCONTROL] || keys_.down[VK_RCONTROL]);
  keys_.down.set(VK_MENU, keys_.down[VK_LMENU] || keys_.down[VK_RMENU]);
  keys_.toggled.set(VK_CAPITAL, (key.keysym.mod & KMOD_CAPS) != 0);
  keys_.toggled.set(VK_NUMLOCK, (key.keysym.mod & KMOD_NUM) != 0);
  keys_.toggled.set(VK_SCROLL, (key.keysym.mod & KMOD_SCROLL) != 0);
  bool alt = pressed ? keys_.down[VK_MENU] : altBefore;
  bool ctrl = pressed ? keys_.down[VK_CONTROL] : ctrlBefore;

  // Alt without Ctrl, and F10, make system keys; Ctrl+Alt is AltGr and
  // makes ordinary ones.
  bool system = (alt && !ctrl) || virtualKey == VK_F10;
  UINT message = pressed ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);

  HWND window = WindowOfSdlId(key.windowID);
  if (window == nullptr) window = GetActiveWindow();
  if (window == nullptr) return;
  Post(window, message, virtualKey,
       KeyLParam(IsExtendedKey(key.keysym.sym), alt, !pressed || key.repeat != 0, !pressed));
  queue_.back().message.time = key.timestamp;
  if (pressed) {
    QueuedMessage& keyDown = queue_.back();
    keyDown.keySerial = nextKeySerial_++;
    keyDown.textSuppressed = alt != ctrl;
    lastKeyDownSerial_ = keyDown.keySerial;
    lastKeyDownSuppressesText_ = keyDown.textSuppressed;
  }
}

void SdlPlatform::TranslateText(const SDL_TextInputEvent& text) {
  std::string bytes = Cp1252FromUtf8(text.text);
  if (bytes.empty()) return;
  if (lastKeyDownSerial_ != 0) {
    for (auto it = queue_.rbegin(); it != queue_.rend(); ++it) {
      if (it->keySerial == lastKeyDownSerial_) {
        it->text += bytes;
        return;
      }
    }
    if (lastTaken_ && lastTaken_->keySerial == lastKeyDownSerial_ && !lastTaken_->translated) {
      lastTaken_->text += bytes;
      return;
    }
    if (lastKeyDownSuppressesText_) return;
  }
  HWND window = WindowOfSdlId(text.windowID);
  if (window == nullptr) window = GetActiveWindow();
  if (window == nullptr) return;
  for (char byte : bytes) Post(window, WM_CHAR, static_cast<unsigned char>(byte), 1);
}

void SdlPlatform::TranslateWindowEvent(const SDL_WindowEvent& event) {
  HWND handle = WindowOfSdlId(event.windowID);
  Window* window = FindWindow(handle);
  if (window == nullptr) return;
  switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      if (!window->focused) {
        window->focused = true;
        Post(handle, WM_SETFOCUS, 0, 0);
      }
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      if (window->focused) {
        window->focused = false;
        Post(handle, WM_KILLFOCUS, 0, 0);
      }
      break;
    case SDL_WINDOWEVENT_CLOSE:
      Post(handle, WM_CLOSE, 0, 0);
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      ResizeClient(handle, event.data1, event.data2);
      PresentAll(handle);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
      PresentAll(handle);
      break;
    default:
      break;
  }
}

void SdlPlatform::TranslateMouse(const SDL_Event& event) {
  Uint32 windowId = event.type == SDL_MOUSEMOTION ? event.motion.windowID : event.button.windowID;
  HWND window = WindowOfSdlId(windowId);
  if (window == nullptr) return;
  if (event.type != SDL_MOUSEMOTION) {
    bool pressed = event.type == SDL_MOUSEBUTTONDOWN;
    switch (event.button.button) {
      case SDL_BUTTON_LEFT: keys_.down.set(VK_LBUTTON, pressed); break;
      case SDL_BUTTON_RIGHT: keys_.down.set(VK_RBUTTON, pressed); break;
      case SDL_BUTTON_MIDDLE: keys_.down.set(VK_MBUTTON, pressed); break;
      default: return;
    }
  }
  WPARAM flags = (keys_.down[VK_LBUTTON] ? MK_LBUTTON : 0) |
                 (keys_.down[VK_RBUTTON] ? MK_RBUTTON : 0) |
                 (keys_.down[VK_MBUTTON] ? MK_MBUTTON : 0) | (keys_.down[VK_SHIFT] ? MK_SHIFT : 0) |
                 (keys_.down[VK_CONTROL] ? MK_CONTROL : 0);
  if (event.type == SDL_MOUSEMOTION) {
    LPARAM point = PointLParam(event.motion.x, event.motion.y);
    // Windows keeps only the latest of consecutive moves.
    if (!queue_.empty() && queue_.back().message.message == WM_MOUSEMOVE &&
        queue_.back().message.hwnd == window) {
      queue_.back().message.wParam = flags;
      queue_.back().message.lParam = point;
      queue_.back().keys = keys_;
      return;
    }
    Post(window, WM_MOUSEMOVE, flags, point);
    return;
  }
  bool pressed = event.type == SDL_MOUSEBUTTONDOWN;
  UINT message = 0;
  switch (event.button.button) {
    case SDL_BUTTON_LEFT: message = pressed ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
    case SDL_BUTTON_RIGHT: message = pressed ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
    default: message = pressed ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
  }
  Post(window, message, flags, PointLParam(event.button.x, event.button.y));
}

}  // namespace platform::sdl
