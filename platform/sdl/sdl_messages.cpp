// The message queue: the Win32 messages made of SDL events (sdl_events.cpp),
// taken, translated and dispatched in the order Windows would deliver them.
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
#include <optional>
#include <string>

#include "platform/sdl/sdl_platform.h"

namespace platform::sdl {

namespace {

bool Matches(const MSG& message, HWND window, UINT filterMin, UINT filterMax) {
  if (window != nullptr && message.hwnd != window) return false;
  if (filterMin == 0 && filterMax == 0) return true;
  return message.message >= filterMin && message.message <= filterMax;
}

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

}  // namespace

// --- Platform ---------------------------------------------------------------

bool SdlPlatform::PeekMessageA(MSG& message, HWND window, UINT filterMin, UINT filterMax,
                               UINT removeMessage) {
  PumpEvents();
  BlinkCaret();
  bool remove = (removeMessage & PM_REMOVE) != 0;
  for (auto it = queue_.begin(); it != queue_.end(); ++it) {
    if (!Matches(it->message, window, filterMin, filterMax)) continue;
    message = it->message;
    if (remove) {
      takenKeys_ = it->keys;
      lastTaken_ = std::move(*it);
      queue_.erase(it);
    }
    return true;
  }
  // WM_QUIT comes once the queue is empty, whatever the filter.
  if (quitPosted_) {
    message = MSG{};
    message.message = WM_QUIT;
    message.wParam = static_cast<WPARAM>(quitCode_);
    message.time = SDL_GetTicks();
    if (remove) quitPosted_ = false;
    return true;
  }
  // WM_PAINT is made, not queued, while a window has an invalid part; it
  // stays until BeginPaint validates.
  MSG paint;
  paint.message = WM_PAINT;
  if (Matches(paint, nullptr, filterMin, filterMax)) {
    HWND dirty = nullptr;
    windows_.ForEach([&](HWND handle, const Window& candidate) {
      if (dirty == nullptr && !candidate.destroying && !IsEmpty(candidate.update) &&
          (window == nullptr || window == handle)) {
        dirty = handle;
      }
    });
    if (dirty != nullptr) {
      message = MSG{};
      message.hwnd = dirty;
      message.message = WM_PAINT;
      message.time = SDL_GetTicks();
      return true;
    }
  }
  return false;
}

bool SdlPlatform::WaitMessage() {
  PumpEvents();
  while (!AnythingToTake()) {
    // A blinking caret needs the thread back every blink; otherwise sleep
    // until the window system has something.
    if (caret_ && caret_->hideLevel <= 0) {
      Uint32 elapsed = SDL_GetTicks() - caret_->lastBlink;
      int timeout =
          elapsed >= kCaretBlinkMilliseconds ? 0 : static_cast<int>(kCaretBlinkMilliseconds - elapsed);
      SDL_WaitEventTimeout(nullptr, timeout);
    } else {
      SDL_WaitEvent(nullptr);
    }
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
        ControlCharacter(message.wParam, keys.down[VK_CONTROL], keys.down[VK_MENU]);
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
  auto key = static_cast<std::size_t>(virtualKey & 0xFF);
  unsigned state = (takenKeys_.down[key] ? 0xFF80u : 0u) | (takenKeys_.toggled[key] ? 1u : 0u);
  return static_cast<SHORT>(state);
}

// --- The queue ---------------------------------------------------------------

void SdlPlatform::PumpEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) TranslateEvent(event);
}

bool SdlPlatform::AnythingToTake() const {
  if (!queue_.empty() || quitPosted_) return true;
  bool dirty = false;
  windows_.ForEach([&dirty](HWND, const Window& window) {
    dirty = dirty || (!window.destroying && !IsEmpty(window.update));
  });
  return dirty;
}

void SdlPlatform::Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  QueuedMessage queued;
  queued.message.hwnd = window;
  queued.message.message = message;
  queued.message.wParam = wParam;
  queued.message.lParam = lParam;
  queued.message.time = SDL_GetTicks();
  queued.keys = keys_;
  queue_.push_back(std::move(queued));
}

}  // namespace platform::sdl
