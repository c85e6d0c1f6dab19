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
// queued as WM_CHAR at the back at once, in the order SDL gives it:
// neither lost nor doubled.  A key's own text is the first that follows
// its key-down, and only for a key that types (its key code is a
// character).  Enter, Backspace, Escape, Tab and Ctrl+letter give no SDL
// text; their characters come from the virtual key, as Windows' own
// translation makes them.  With Alt alone or Ctrl alone held the text is
// dropped (Windows sends WM_SYSCHAR or control codes there); with both, it
// is AltGr's character and is kept.  AltGr itself, which SDL reports as
// right Alt, comes as Windows sends it in layouts that have one: left
// Ctrl, then right Alt.
//
// Held keys.  Windows folds the auto-repeats of a key that come while the
// program does not take its messages into one key-down, raising its repeat
// count: a repeat joins the newest keyboard message in the queue when that
// is a repeat of the same key not yet taken.
//
// Focus.  When the focus leaves, SDL releases every key it thinks held,
// and when it comes back, presses the modifiers held meanwhile; Windows
// sends the window no key message for either (the player lets go, or
// pressed, elsewhere), so they change only the key state.
//
// The mouse.  Windows sends mouse messages to the window under the mouse
// unless a window captures it, which this one never does; SDL goes on
// reporting to the window that saw a button go down (the X server's
// implicit grab), pinning moves outside to the window's edge.  Moves and
// buttons outside the client area, a move on its edge with the pointer
// outside, and a move followed by the mouse leaving before any button, are
// dropped.
#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/common/cp1252.h"
#include "platform/common/translate.h"
#include "platform/sdl/sdl_platform.h"

namespace platform::sdl {

namespace {

// A key message's lParam: repeat count 1, the context code (Alt held), the
// previous key state (bit 30) and the transition state (bit 31, set on
// release).  The extended-key flag is left clear: nothing reads it.
LPARAM KeyLParam(bool altHeld, bool wasDown, bool released) {
  LPARAM bits = 1;
  if (altHeld) bits |= kAltHeldBit;
  if (wasDown) bits |= LPARAM{1} << 30;
  if (released) bits |= static_cast<LPARAM>(0x80000000u);
  return bits;
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
      lastTaken_ && lastTaken_->message == message ? &*lastTaken_ : nullptr;
  const KeySnapshot& keys = record != nullptr ? record->keys : takenKeys_;
  std::string characters = common::TranslatedCharacters(
      message.message, message.wParam, keys[VK_CONTROL], keys[VK_MENU],
      record != nullptr && !record->textSuppressed ? &record->text : nullptr);
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

namespace {

bool IsWindowEvent(const SDL_Event& event, Uint8 what, Uint32 window) {
  return event.type == SDL_WINDOWEVENT && event.window.event == what &&
         event.window.windowID == window;
}

// A key-up that only other key-ups separate from the window's focus loss:
// SDL's release of a key it thinks held.
bool ReleasedAsTheFocusLeaves(const std::vector<SDL_Event>& events, std::size_t at,
                              Uint32 window) {
  if (events[at].type != SDL_KEYUP) return false;
  std::size_t next = at + 1;
  while (next < events.size() && events[next].type == SDL_KEYUP) ++next;
  return next < events.size() && IsWindowEvent(events[next], SDL_WINDOWEVENT_FOCUS_LOST, window);
}

// A modifier's key-down that only other key-downs separate from the
// window's gaining the focus: SDL catching up with a key held meanwhile.
bool PressedAsTheFocusComes(const std::vector<SDL_Event>& events, std::size_t at,
                            Uint32 window) {
  if (events[at].type != SDL_KEYDOWN || SidedVirtualKeyOf(events[at].key.keysym.sym) == 0) {
    return false;
  }
  std::size_t before = at;
  while (before > 0 && events[before - 1].type == SDL_KEYDOWN) --before;
  return before > 0 && IsWindowEvent(events[before - 1], SDL_WINDOWEVENT_FOCUS_GAINED, window);
}

// A move after which the mouse leaves the window before any button does
// anything: on its way out (SDL pins it to the edge), or SDL's enter and
// leave as the X server's implicit grab ends outside.
bool MovesOnTheWayOut(const std::vector<SDL_Event>& events, std::size_t at, Uint32 window) {
  if (events[at].type != SDL_MOUSEMOTION) return false;
  for (std::size_t next = at + 1; next < events.size(); ++next) {
    const SDL_Event& event = events[next];
    if (event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP) return false;
    if (IsWindowEvent(event, SDL_WINDOWEVENT_ENTER, window)) return false;
    if (IsWindowEvent(event, SDL_WINDOWEVENT_LEAVE, window)) return true;
  }
  return false;
}

}  // namespace

void SdlPlatform::PumpEvents() {
  // All that SDL has, at once: what it makes of a focus change, and where
  // the mouse goes, are known by what follows.
  std::vector<SDL_Event> events;
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) events.push_back(event);
  Uint32 window = InputWindowId();
  for (std::size_t at = 0; at < events.size(); ++at) {
    if (ReleasedAsTheFocusLeaves(events, at, window) || PressedAsTheFocusComes(events, at, window)) {
      keyText_ = KeyText{};
      ApplyKeyState(events[at].key);
    } else if (!MovesOnTheWayOut(events, at, window)) {
      TranslateEvent(events[at]);
    }
  }
}

Uint32 SdlPlatform::InputWindowId() {
  Window* window = InputWindow();
  return window != nullptr ? SDL_GetWindowID(sdlWindow_.get()) : 0;
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
  if (event.type != SDL_TEXTINPUT) keyText_ = KeyText{};
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
  bool repeat = pressed && key.repeat != 0;
  if (key.keysym.scancode == SDL_SCANCODE_RALT) {
    Window* window = InputWindow();
    if (pressed && !repeat) altGrDown_ = window != nullptr && rightAltIsAltGr(sdlWindow_.get());
    if (altGrDown_) {
      if (!repeat) PostKey(VK_CONTROL, VK_LCONTROL, pressed, false, key.timestamp);
      PostKey(VK_MENU, VK_RMENU, pressed, repeat, key.timestamp);
      if (!pressed) altGrDown_ = false;
      return;
    }
  }
  // AltGr's left Ctrl is Ctrl for Ctrl+Break too.
  Uint16 modifiers = key.keysym.mod | (keys_[VK_CONTROL] ? KMOD_LCTRL : 0);
  PostedKey posted = PostKey(VirtualKeyOf(key.keysym.sym, key.keysym.scancode, modifiers),
                             SidedVirtualKeyOf(key.keysym.sym), pressed, repeat, key.timestamp);
  if (posted.keyDown != nullptr && (key.keysym.sym & SDLK_SCANCODE_MASK) == 0) {
    keyText_ = KeyText{true, posted.keyDown->keySerial, posted.joined,
                       posted.keyDown->textSuppressed};
  }
}

void SdlPlatform::SetKeyState(std::uint8_t virtualKey, std::uint8_t sided, bool pressed) {
  keys_.set(virtualKey, pressed);
  if (sided != 0) keys_.set(sided, pressed);
  keys_.set(VK_SHIFT, keys_[VK_LSHIFT] || keys_[VK_RSHIFT]);
  keys_.set(VK_CONTROL, keys_[VK_LCONTROL] || keys_[VK_RCONTROL]);
  keys_.set(VK_MENU, keys_[VK_LMENU] || keys_[VK_RMENU]);
}

// A key event that only changes the key state (see the focus, above).
void SdlPlatform::ApplyKeyState(const SDL_KeyboardEvent& key) {
  bool pressed = key.type == SDL_KEYDOWN;
  if (key.keysym.scancode == SDL_SCANCODE_RALT) {
    Window* window = InputWindow();
    if (pressed) altGrDown_ = window != nullptr && rightAltIsAltGr(sdlWindow_.get());
    if (altGrDown_) SetKeyState(VK_CONTROL, VK_LCONTROL, pressed);
    if (!pressed) altGrDown_ = false;
  }
  SetKeyState(VirtualKeyOf(key.keysym.sym, key.keysym.scancode, key.keysym.mod),
              SidedVirtualKeyOf(key.keysym.sym), pressed);
}

SdlPlatform::PostedKey SdlPlatform::PostKey(std::uint8_t virtualKey, std::uint8_t sided,
                                            bool pressed, bool repeat, Uint32 time) {
  // A key-down's state includes the key itself; a release is reported with
  // the state before it (releasing Alt is still a system key).
  bool altBefore = keys_[VK_MENU];
  bool ctrlBefore = keys_[VK_CONTROL];
  SetKeyState(virtualKey, sided, pressed);
  bool alt = pressed ? keys_[VK_MENU] : altBefore;
  bool ctrl = pressed ? keys_[VK_CONTROL] : ctrlBefore;

  // Alt without Ctrl, and F10, make system keys; Ctrl+Alt is AltGr and
  // makes ordinary ones.
  bool system = (alt && !ctrl) || virtualKey == VK_F10;
  UINT message = system ? (pressed ? WM_SYSKEYDOWN : WM_SYSKEYUP)
                        : (pressed ? WM_KEYDOWN : WM_KEYUP);

  if (InputWindow() == nullptr) return {};
  if (repeat) {
    if (QueuedMessage* waiting = PendingRepeat(message, virtualKey)) {
      LPARAM count = std::min<LPARAM>(LowWord(waiting->message.lParam) + 1, 0xFFFF);
      waiting->message.lParam = (waiting->message.lParam & ~LPARAM{0xFFFF}) | count;
      waiting->keys = keys_;
      return PostedKey{waiting, true};
    }
  }
  Post(message, virtualKey, KeyLParam(alt, !pressed || repeat, !pressed));
  QueuedMessage& posted = queue_.back();
  posted.message.time = time;
  if (!pressed) return {};
  posted.keySerial = nextKeySerial_++;
  posted.textSuppressed = alt != ctrl;
  return PostedKey{&posted, false};
}

// The key-down a repeat joins: the newest keyboard message, if it is a
// repeat of the same key that has not been taken.
QueuedMessage* SdlPlatform::PendingRepeat(UINT message, std::uint8_t virtualKey) {
  for (auto it = queue_.rbegin(); it != queue_.rend(); ++it) {
    const MSG& newest = it->message;
    if (newest.message < WM_KEYDOWN || newest.message > WM_SYSCHAR) continue;
    bool sameRepeat = newest.message == message && newest.wParam == virtualKey &&
                      (newest.lParam & (LPARAM{1} << 30)) != 0;
    return sameRepeat ? &*it : nullptr;
  }
  return nullptr;
}

QueuedMessage* SdlPlatform::UntranslatedKeyDown(std::uint64_t serial) {
  for (auto it = queue_.rbegin(); it != queue_.rend(); ++it) {
    if (it->keySerial == serial) return &*it;
  }
  if (lastTaken_ && lastTaken_->keySerial == serial && !lastTaken_->translated) {
    return &*lastTaken_;
  }
  return nullptr;
}

void SdlPlatform::TranslateText(const SDL_TextInputEvent& text) {
  std::string bytes = common::Cp1252FromUtf8(text.text);
  KeyText owner = std::exchange(keyText_, KeyText{});
  if (owner.expected) {
    // A repeat's text is already that of the key-down it joined.
    if (owner.joined) return;
    if (QueuedMessage* keyDown = UntranslatedKeyDown(owner.serial)) {
      keyDown->text += bytes;
      return;
    }
    if (owner.suppressed) return;
  }
  for (char byte : bytes) Post(WM_CHAR, static_cast<unsigned char>(byte), 1);
}

void SdlPlatform::TranslateWindowEvent(const SDL_WindowEvent& event) {
  Window* window = InputWindow();
  if (window == nullptr || event.windowID != SDL_GetWindowID(sdlWindow_.get())) return;
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
    case SDL_WINDOWEVENT_ENTER:
    case SDL_WINDOWEVENT_LEAVE:
      pointerInside_ = event.event == SDL_WINDOWEVENT_ENTER;
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
// of consecutive moves.  The program reads only the position, so wParam's
// button and key flags are left clear.
void SdlPlatform::TranslateMouse(const SDL_Event& event) {
  if (InputWindow() == nullptr) return;
  if (event.type == SDL_MOUSEMOTION) {
    if (!PointerOverClient(event.motion.x, event.motion.y)) return;
    LPARAM point = MakeLParam(event.motion.x, event.motion.y);
    if (!queue_.empty() && queue_.back().message.message == WM_MOUSEMOVE) {
      queue_.back().message.lParam = point;
      queue_.back().keys = keys_;
    } else {
      Post(WM_MOUSEMOVE, 0, point);
    }
  } else if (event.button.button == SDL_BUTTON_RIGHT &&
             PointerOverClient(event.button.x, event.button.y)) {
    Post(event.type == SDL_MOUSEBUTTONDOWN ? WM_RBUTTONDOWN : WM_RBUTTONUP, 0,
         MakeLParam(event.button.x, event.button.y));
  }
}

bool SdlPlatform::PointerOverClient(int x, int y) {
  Window* window = InputWindow();
  if (!pointerInside_ || window == nullptr) return false;
  int width = window->client.width;
  int height = window->client.height;
  if (x < 0 || y < 0 || x >= width || y >= height) return false;
  if (x > 0 && y > 0 && x < width - 1 && y < height - 1) return true;
  // SDL pins a move outside the window to its edge; where the pointer is
  // decides, when SDL's leave has not come yet.
  int pointerX = 0;
  int pointerY = 0;
  int left = 0;
  int top = 0;
  SDL_GetGlobalMouseState(&pointerX, &pointerY);
  SDL_GetWindowPosition(sdlWindow_.get(), &left, &top);
  return pointerX >= left && pointerY >= top && pointerX < left + width && pointerY < top + height;
}

}  // namespace platform::sdl
