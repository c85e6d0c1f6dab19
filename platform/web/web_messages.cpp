// Messages: the page's events taken into the queue (web_queue.h) whenever
// the program looks at it, and the waits that hand the page its thread.
#include "platform/web/web_platform.h"

namespace platform::web {

bool WebPlatform::PeekMessageA(MSG& message, HWND window, UINT filterMin, UINT filterMax,
                               UINT removeMessage) {
  PumpEvents();
  BlinkCaret();
  if (audio_) audio_->Pump();
  return queue_.Peek(message, window, filterMin, filterMax, (removeMessage & PM_REMOVE) != 0,
                     static_cast<DWORD>(browser_.Now()), DirtyWindow());
}

bool WebPlatform::WaitMessage() {
  PumpEvents();
  while (!AnythingToTake()) {
    // A blinking caret and a sound being played need the thread back in
    // time; otherwise the wait lasts until the page has an event.
    double timeout = BlinkCaret();
    if (audio_ && audio_->Sounding() && (timeout < 0 || timeout > kPumpMilliseconds)) {
      timeout = kPumpMilliseconds;
    }
    browser_.WaitForEvent(timeout);
    if (audio_) audio_->Pump();
    PumpEvents();
  }
  return true;
}

bool WebPlatform::TranslateMessage(const MSG& message) { return queue_.TranslateMessage(message); }

LRESULT WebPlatform::DispatchMessageA(const MSG& message) {
  if (message.hwnd == nullptr) return 0;
  return Send(message.hwnd, message.message, message.wParam, message.lParam);
}

void WebPlatform::PostQuitMessage(int exitCode) { queue_.PostQuit(exitCode); }

SHORT WebPlatform::GetKeyState(int virtualKey) { return queue_.GetKeyState(virtualKey); }

void WebPlatform::PumpEvents() {
  while (std::optional<PageEvent> event = browser_.NextEvent()) TranslateEvent(*event);
}

void WebPlatform::TranslateEvent(const PageEvent& event) {
  Window* window = InputWindow();
  if (window == nullptr) return;
  auto time = static_cast<DWORD>(event.time);
  switch (event.kind) {
    case PageEvent::Kind::Focus:
      if (!window->focused) {
        window->focused = true;
        queue_.Post(window->handle, WM_SETFOCUS, 0, 0, time);
      }
      break;
    case PageEvent::Kind::Blur:
      if (window->focused) {
        window->focused = false;
        queue_.ForgetHeldKeys();
        queue_.Post(window->handle, WM_KILLFOCUS, 0, 0, time);
      }
      break;
    case PageEvent::Kind::Close:
      queue_.Post(window->handle, WM_CLOSE, 0, 0, time);
      break;
    default:
      queue_.Translate(window->handle, event);
      break;
  }
}

HWND WebPlatform::DirtyWindow() {
  Window* window = InputWindow();
  return window != nullptr && !common::IsEmpty(window->update) ? window->handle : nullptr;
}

bool WebPlatform::AnythingToTake() { return queue_.HasMessages() || DirtyWindow() != nullptr; }

}  // namespace platform::web
