// The message queue: the Win32 messages made of SDL events, taken,
// translated and dispatched in the order Windows would deliver them.
//
// WM_CHAR.  SDL reports a key press as SDL_KEYDOWN followed at once by
// SDL_TEXTINPUT with the character(s) the layout made of it.  Each queued
// key-down carries a serial; text that follows its key-down is attached to
// it, and TranslateMessage of that key-down puts the WM_CHARs at the front
// of the queue, so they come right after their WM_KEYDOWN and before any
// later key, as on Windows.  Text that belongs to no key (an input
// method's, or a character typed through a key SDL has no code for) is
// queued as WM_CHAR at the back at once: neither lost nor doubled.  Enter,
// Backspace, Escape, Tab and Ctrl+letter give no SDL text; their
// characters come from the virtual key, as Windows' own translation makes
// them.  With Alt alone or Ctrl alone held the text is dropped (Windows
// sends WM_SYSCHAR or control codes there); with both, it is AltGr's
// character and is kept.
#include <algorithm>
#include <optional>
#include <string>

#include "platform/common/cp1252.h"
#include "platform/sdl/sdl_platform.h"

namespace platform::sdl {

namespace {

bool SameMessage(const MSG& a, const MSG& b) {
  return a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam &&
         a.lParam == b.lParam && a.time == b.time;
}

// The character Windows' translation makes of a key with no text of its own.
std::optional<char> ControlCharacter(WPARAM virtualKey, bool ctrl, bool alt) {
  if (alt && !ctrl) return std::nullopt;
  switch (virtualKey) {
    case VK_RETURN: return ctrl ? '\n' : '\r';
    case VK_BACK: return ctrl ? '\x7F' : '\b';
    case VK_ESCAPE: return '\x1B';
    case VK_TAB: return ctrl ? std::nullopt : std::optional<char>('\t');
    default: break;
  }
  if (ctrl && !alt) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') return static_cast<char>(virtualKey - 'A' + 1);
    if (virtualKey == VK_SPACE) return ' ';
  }
  return std::nullopt;
}


constexpr WPARAM MK_RBUTTON = 0x0002;

// WM_KEYDOWN's lParam: repeat count 1, the context code (bit 29, Alt held),
// the previous key state (bit 30) and the transition state (bit 31, set on
// release).  The extended-key flag (bit 24) is left clear: nothing reads it.
LPARAM KeyLParam(bool altHeld, bool wasDown, bool released) {
  std::uint32_t bits = 1;
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

bool SdlPlatform::PeekMessageA(MSG& message, HWND window, UINT filterMin, UINT filterMax,
                               UINT removeMessage) {
  // Only what the program asks for: every message, removed.
  if (window != nullptr || filterMin != 0 || filterMax != 0 || removeMessage != PM_REMOVE) {
    return false;
  }
  PumpEvents();
  BlinkCaret();
  if (!queue_.empty()) {
    message = queue_.front().message;
    takenKeys_ = queue_.front().keys;
    lastTaken_ = std::move(queue_.front());
    queue_.pop_front();
    return true;
  }
  message = MSG{};
  message.time = SDL_GetTicks();
  // WM_QUIT comes once the queue is empty.
  if (quitPosted_) {
    quitPosted_ = false;
    message.message = WM_QUIT;
    message.wParam = static_cast<WPARAM>(quitCode_);
    return true;
  }
  // WM_PAINT is made, not queued, while the window has an invalid part; it
  // stays until BeginPaint validates.
  Window* dirty = InputWindow();
  if (dirty == nullptr || common::IsEmpty(dirty->update)) return false;
  message.hwnd = dirty->handle;
  message.message = WM_PAINT;
  return true;
}

bool SdlPlatform::WaitMessage() {
  PumpEvents();
  while (!AnythingToTake()) {
    // A blinking caret needs the thread back every blink; otherwise sleep
    // until the window system has something.
    int timeout = BlinkCaret();
    timeout >= 0 ? SDL_WaitEventTimeout(nullptr, timeout) : SDL_WaitEvent(nullptr);
    PumpEvents();
    BlinkCaret();
  }
  return true;
}

bool SdlPlatform::TranslateMessage(const MSG& message) {
  if (message.message == WM_KEYUP || message.message == WM_SYSKEYUP) return true;
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  QueuedMessage* record =
      lastTaken_ && SameMessage(lastTaken_->message, message) ? &*lastTaken_ : nullptr;
  const KeySnapshot& keys = record != nullptr ? record->keys : takenKeys_;
  std::string characters;
  if (message.message == WM_KEYDOWN) {
    std::optional<char> control =
        ControlCharacter(message.wParam, keys[VK_CONTROL], keys[VK_MENU]);
    if (control) {
      characters = *control;
    } else if (record != nullptr && !record->textSuppressed) {
      characters = record->text;
    }
  }
  if (record != nullptr) record->translated = true;
  for (auto c = characters.rbegin(); c != characters.rend(); ++c) {
    QueuedMessage character;
    character.message = message;
    character.message.message = WM_CHAR;
    character.message.wParam = static_cast<unsigned char>(*c);
    character.keys = keys;
    queue_.push_front(std::move(character));
  }
  return true;
}

LRESULT SdlPlatform::DispatchMessageA(const MSG& message) {
  if (message.hwnd == nullptr) return 0;
  return Send(message.hwnd, message.message, message.wParam, message.lParam);
}

void SdlPlatform::PostQuitMessage(int exitCode) {
  quitPosted_ = true;
  quitCode_ = exitCode;
}

SHORT SdlPlatform::GetKeyState(int virtualKey) {
  // Only the high bit, key down: the toggle bit is left clear, since the
  // program asks only about the modifiers.
  return takenKeys_[static_cast<std::size_t>(virtualKey & 0xFF)] ? SHORT{-128} : SHORT{0};
}

void SdlPlatform::PumpEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) TranslateEvent(event);
}

bool SdlPlatform::AnythingToTake() {
  if (!queue_.empty() || quitPosted_) return true;
  Window* window = InputWindow();
  return window != nullptr && !common::IsEmpty(window->update);
}

void SdlPlatform::Post(UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = InputWindow();
  if (window == nullptr) return;
  QueuedMessage queued;
  queued.message.hwnd = window->handle;
  queued.message.message = message;
  queued.message.wParam = wParam;
  queued.message.lParam = lParam;
  queued.message.time = SDL_GetTicks();
  queued.keys = keys_;
  queue_.push_back(std::move(queued));
}

// --- SDL events become queued messages: keys with their virtual key, lParam
// and the key state of the moment, typed text matched to its key, focus,
// close, size and the right mouse button.

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
      // The window was closed, or the process was asked to end: the window
      // is asked to close, once.
      if (std::none_of(queue_.begin(), queue_.end(),
                       [](const auto& queued) { return queued.message.message == WM_CLOSE; })) {
        Post(WM_CLOSE, 0, 0);
      }
      break;
    default:
      break;
  }
}

void SdlPlatform::TranslateKey(const SDL_KeyboardEvent& key) {
  bool pressed = key.type == SDL_KEYDOWN;
  std::uint8_t virtualKey = VirtualKeyOf(key.keysym.sym, key.keysym.scancode, key.keysym.mod);
  std::uint8_t sided = SidedVirtualKeyOf(key.keysym.sym);

  // A key-down's state includes the key itself; a release is reported with
  // the state before it (releasing Alt is still a system key).
  bool altBefore = keys_[VK_MENU];
  bool ctrlBefore = keys_[VK_CONTROL];
  keys_.set(virtualKey, pressed);
  if (sided != 0) keys_.set(sided, pressed);
  keys_.set(VK_SHIFT, keys_[VK_LSHIFT] || keys_[VK_RSHIFT]);
  keys_.set(VK_CONTROL, keys_[VK_LCONTROL] || keys_[VK_RCONTROL]);
  keys_.set(VK_MENU, keys_[VK_LMENU] || keys_[VK_RMENU]);
  bool alt = pressed ? keys_[VK_MENU] : altBefore;
  bool ctrl = pressed ? keys_[VK_CONTROL] : ctrlBefore;

  // Alt without Ctrl, and F10, make system keys; Ctrl+Alt is AltGr and
  // makes ordinary ones.
  bool system = (alt && !ctrl) || virtualKey == VK_F10;
  UINT message = pressed ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);

  if (InputWindow() == nullptr) return;
  Post(message, virtualKey,
       KeyLParam(alt, !pressed || key.repeat != 0, !pressed));
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
  std::string bytes = common::Cp1252FromUtf8(text.text);
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
  for (char byte : bytes) Post(WM_CHAR, static_cast<unsigned char>(byte), 1);
}

void SdlPlatform::TranslateWindowEvent(const SDL_WindowEvent& event) {
  Window* window = InputWindow();
  if (window == nullptr || event.windowID != SDL_GetWindowID(window->sdl.get())) return;
  switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST: {
      bool gained = event.event == SDL_WINDOWEVENT_FOCUS_GAINED;
      if (window->focused != gained) Post(gained ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0);
      window->focused = gained;
      break;
    }
    case SDL_WINDOWEVENT_CLOSE:
      Post(WM_CLOSE, 0, 0);
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      ResizeClient(event.data1, event.data2);
      PresentAll();
      break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
      PresentAll();
      break;
    default:
      break;
  }
}

// The right button (the magnifier) and moves; Windows keeps only the latest
// of consecutive moves.
void SdlPlatform::TranslateMouse(const SDL_Event& event) {
  if (InputWindow() == nullptr) return;
  if (event.type == SDL_MOUSEMOTION) {
    LPARAM point = PointLParam(event.motion.x, event.motion.y);
    WPARAM flags = keys_[VK_RBUTTON] ? MK_RBUTTON : 0;
    if (!queue_.empty() && queue_.back().message.message == WM_MOUSEMOVE) {
      queue_.back().message.wParam = flags;
      queue_.back().message.lParam = point;
      queue_.back().keys = keys_;
    } else {
      Post(WM_MOUSEMOVE, flags, point);
    }
    return;
  }
  if (event.button.button != SDL_BUTTON_RIGHT) return;
  bool pressed = event.type == SDL_MOUSEBUTTONDOWN;
  keys_.set(VK_RBUTTON, pressed);
  Post(pressed ? WM_RBUTTONDOWN : WM_RBUTTONUP, pressed ? MK_RBUTTON : 0,
       PointLParam(event.button.x, event.button.y));
}

}  // namespace platform::sdl
