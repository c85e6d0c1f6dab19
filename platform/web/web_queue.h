// The message queue of the browser stand-in: the page's key and mouse
// events as the Win32 messages Windows posts for them, taken, translated
// and answered for (GetKeyState) as Windows does.
//
// A key-down carries the character the layout made of it (KeyboardEvent.key)
// and TranslateMessage puts its WM_CHAR right after it, before any later
// key.  Enter, Backspace, Escape, Tab and Ctrl+letter get the characters
// Windows' translation makes of the virtual key.  With Alt alone or Ctrl
// alone held there is no character (Windows sends WM_SYSCHAR or control
// codes there); with both it is AltGr's character and is kept.  Characters
// outside Windows-1252 are dropped.  GetKeyState answers whether a key was
// down at the message taken last; the toggle bit is left clear: nothing
// reads it.
#pragma once

#include <bitset>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/web/web_events.h"

namespace platform::web {

// Which keys are down at a message, by virtual key.
using KeySnapshot = std::bitset<256>;

class MessageQueue {
 public:
  // Key and mouse events become messages for `window`; other kinds are the
  // window's business (see WebPlatform).
  void Translate(HWND window, const PageEvent& event);

  void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time);
  void PostQuit(int exitCode);

  // PeekMessageA: the first queued message that matches, then WM_QUIT once
  // the queue is empty, then WM_PAINT for `dirty` (a window with an invalid
  // part, or null).
  bool Peek(MSG& message, HWND window, UINT filterMin, UINT filterMax, bool remove, DWORD now,
            HWND dirty);
  bool TranslateMessage(const MSG& message);
  SHORT GetKeyState(int virtualKey) const;

  bool HasMessages() const { return !queue_.empty() || quitPosted_; }
  void RemoveWindow(HWND window);
  // The window lost the focus: keys released elsewhere never come back as
  // key-ups, so nothing is taken for held any more.  No messages are made.
  void ForgetHeldKeys();

 private:
  struct Queued {
    MSG message;
    KeySnapshot keys;
    std::string text;  // Windows-1252: the character(s) of a key-down
    bool textSuppressed = false;
  };

  void TranslateKey(HWND window, const PageEvent& event);
  void TranslateMouse(HWND window, const PageEvent& event);
  void FollowModifiers(const PageEvent& event);

  std::deque<Queued> queue_;
  std::optional<Queued> lastTaken_;
  KeySnapshot keys_;       // as the events translated so far leave them
  KeySnapshot takenKeys_;  // at the message taken last: what GetKeyState answers
  bool quitPosted_ = false;
  int quitCode_ = 0;
};

}  // namespace platform::web
