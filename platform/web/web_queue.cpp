#include "platform/web/web_queue.h"

#include <algorithm>

#include "platform/common/cp1252.h"
#include "platform/common/translate.h"
#include "platform/web/web_keys.h"

namespace platform::web {

namespace {

constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;

bool Matches(const MSG& message, HWND window, UINT filterMin, UINT filterMax) {
  if (window != nullptr && message.hwnd != window) return false;
  if (filterMin == 0 && filterMax == 0) return true;
  return message.message >= filterMin && message.message <= filterMax;
}

bool SameMessage(const MSG& a, const MSG& b) {
  return a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam &&
         a.lParam == b.lParam && a.time == b.time;
}

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

// KeyboardEvent.key is one character, or the name of a key without one
// ("Enter", "Shift", "Dead", "Unidentified").
bool IsOneCharacter(const std::string& key) {
  if (key.empty()) return false;
  auto lead = static_cast<unsigned char>(key[0]);
  std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  return length == key.size();
}

}  // namespace

void MessageQueue::Translate(HWND window, const PageEvent& event) {
  using Kind = PageEvent::Kind;
  switch (event.kind) {
    case Kind::KeyDown:
    case Kind::KeyUp:
      TranslateKey(window, event);
      break;
    case Kind::MouseMove:
    case Kind::MouseDown:
    case Kind::MouseUp:
      TranslateMouse(window, event);
      break;
    default:
      break;
  }
}

// A modifier released while the page did not have the keyboard (Alt+Tab
// away, a click on the address bar) never sends its key-up here; every
// event says which modifiers are down, and that is believed.  The event's
// own key is left to the event.
void MessageQueue::FollowModifiers(const PageEvent& event) {
  auto follow = [&](bool held, const char* left, const char* right, int generic, int leftVk,
                    int rightVk) {
    if (held || event.code == left || event.code == right) return;
    keys_.reset(static_cast<std::size_t>(generic));
    keys_.reset(static_cast<std::size_t>(leftVk));
    keys_.reset(static_cast<std::size_t>(rightVk));
  };
  follow(event.shift, "ShiftLeft", "ShiftRight", VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
  follow(event.ctrl, "ControlLeft", "ControlRight", VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
  follow(event.alt, "AltLeft", "AltRight", VK_MENU, VK_LMENU, VK_RMENU);
}

void MessageQueue::TranslateKey(HWND window, const PageEvent& event) {
  bool pressed = event.kind == PageEvent::Kind::KeyDown;
  FollowModifiers(event);
  KeyPlace place = KeyPlaceOf(event.code, event.numLock, keys_[VK_CONTROL] || event.ctrl);
  std::uint8_t virtualKey = place.virtualKey;

  // A key-down's state includes the key itself; a release is reported with
  // the state before it (releasing Alt is still a system key).
  bool altBefore = keys_[VK_MENU];
  bool ctrlBefore = keys_[VK_CONTROL];
  bool wasDown = keys_[virtualKey];
  keys_.set(virtualKey, pressed);
  if (place.sided != 0) {
    keys_.set(place.sided, pressed);
    keys_.set(VK_SHIFT, keys_[VK_LSHIFT] || keys_[VK_RSHIFT]);
    keys_.set(VK_CONTROL, keys_[VK_LCONTROL] || keys_[VK_RCONTROL]);
    keys_.set(VK_MENU, keys_[VK_LMENU] || keys_[VK_RMENU]);
  }
  bool alt = pressed ? keys_[VK_MENU] : altBefore;
  bool ctrl = pressed ? keys_[VK_CONTROL] : ctrlBefore;

  // Alt without Ctrl, and F10, make system keys; Ctrl+Alt is AltGr and
  // makes ordinary ones.
  bool system = (alt && !ctrl) || virtualKey == VK_F10;
  UINT message = pressed ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  Post(window, message, virtualKey,
       KeyLParam(alt, !pressed || event.repeat || wasDown, !pressed),
       static_cast<DWORD>(event.time));
  if (pressed && IsOneCharacter(event.key)) {
    queue_.back().text = common::Cp1252FromUtf8(event.key);
    queue_.back().textSuppressed = alt != ctrl;
  }
}

void MessageQueue::TranslateMouse(HWND window, const PageEvent& event) {
  using Kind = PageEvent::Kind;
  bool button = event.kind != Kind::MouseMove;
  // The program uses the right button only (the magnifier).
  if (button && event.button != 2) return;
  if (button) keys_.set(VK_RBUTTON, event.kind == Kind::MouseDown);
  WPARAM flags = (keys_[VK_RBUTTON] ? MK_RBUTTON : 0) | (event.shift ? MK_SHIFT : 0) |
                 (event.ctrl ? MK_CONTROL : 0);
  LPARAM point = PointLParam(event.x, event.y);
  auto time = static_cast<DWORD>(event.time);
  if (!button) {
    // Windows keeps only the latest of consecutive moves.
    if (!queue_.empty() && queue_.back().message.message == WM_MOUSEMOVE &&
        queue_.back().message.hwnd == window) {
      queue_.back().message.wParam = flags;
      queue_.back().message.lParam = point;
      queue_.back().message.time = time;
      queue_.back().keys = keys_;
      return;
    }
    Post(window, WM_MOUSEMOVE, flags, point, time);
    return;
  }
  Post(window, event.kind == Kind::MouseDown ? WM_RBUTTONDOWN : WM_RBUTTONUP, flags, point, time);
}

void MessageQueue::Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time) {
  Queued queued;
  queued.message.hwnd = window;
  queued.message.message = message;
  queued.message.wParam = wParam;
  queued.message.lParam = lParam;
  queued.message.time = time;
  queued.keys = keys_;
  queue_.push_back(std::move(queued));
}

void MessageQueue::PostQuit(int exitCode) {
  quitPosted_ = true;
  quitCode_ = exitCode;
}

bool MessageQueue::Peek(MSG& message, HWND window, UINT filterMin, UINT filterMax, bool remove,
                        DWORD now, HWND dirty) {
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
    message.time = now;
    if (remove) quitPosted_ = false;
    return true;
  }
  // WM_PAINT is made, not queued, while a window has an invalid part; it
  // stays until BeginPaint validates.
  MSG paint;
  paint.message = WM_PAINT;
  if (dirty != nullptr && (window == nullptr || window == dirty) &&
      Matches(paint, nullptr, filterMin, filterMax)) {
    message = MSG{};
    message.hwnd = dirty;
    message.message = WM_PAINT;
    message.time = now;
    return true;
  }
  return false;
}

bool MessageQueue::TranslateMessage(const MSG& message) {
  if (message.message == WM_KEYUP || message.message == WM_SYSKEYUP) return true;
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  const Queued* record =
      lastTaken_ && SameMessage(lastTaken_->message, message) ? &*lastTaken_ : nullptr;
  const KeySnapshot& keys = record != nullptr ? record->keys : takenKeys_;
  std::string characters = common::TranslatedCharacters(
      message.message, message.wParam, keys[VK_CONTROL], keys[VK_MENU],
      record != nullptr && !record->textSuppressed ? &record->text : nullptr);
  for (auto c = characters.rbegin(); c != characters.rend(); ++c) {
    Queued character;
    character.message = message;
    character.message.message = WM_CHAR;
    character.message.wParam = static_cast<unsigned char>(*c);
    character.keys = keys;
    queue_.push_front(std::move(character));
  }
  return true;
}

SHORT MessageQueue::GetKeyState(int virtualKey) const {
  return takenKeys_[static_cast<std::size_t>(virtualKey & 0xFF)] ? static_cast<SHORT>(0xFF80u) : 0;
}

void MessageQueue::RemoveWindow(HWND window) {
  std::erase_if(queue_, [window](const Queued& queued) { return queued.message.hwnd == window; });
}

void MessageQueue::ForgetHeldKeys() {
  keys_.reset();
}

}  // namespace platform::web
