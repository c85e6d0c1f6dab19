// The caret: created hidden, shown by ShowCaret, blinking at Windows' rate
// while the thread waits for messages (the backend calls BlinkCaret).
#include "platform/common/stand_in.h"

namespace platform::common {

using Clock = std::chrono::steady_clock;

bool StandInPlatform::CreateCaret(HWND window, HBITMAP, int width, int height) {
  if (ClientSurface(window) == nullptr) return false;
  if (caret_) DestroyCaret();
  caret_.emplace();
  caret_->window = window;
  caret_->width = width > 0 ? width : 1;
  caret_->height = height > 0 ? height : 1;
  caret_->lastBlink = Clock::now();
  return true;
}

bool StandInPlatform::SetCaretPos(int x, int y) {
  if (!caret_) return false;
  RECT before = CaretArea(caret_->window);
  caret_->position = POINT{x, y};
  // Moving shows the caret at once, as Windows restarts the blink.
  RestartBlink();
  Present(caret_->window, Union(before, CaretArea(caret_->window)));
  return true;
}

bool StandInPlatform::ShowCaret(HWND window) {
  if (!caret_ || (window != nullptr && window != caret_->window)) return false;
  if (caret_->hideLevel > 0 && --caret_->hideLevel == 0) {
    RestartBlink();
    Present(caret_->window, CaretArea(caret_->window));
  }
  return true;
}

bool StandInPlatform::DestroyCaret() {
  if (!caret_) return false;
  HWND window = caret_->window;
  RECT area = CaretArea(window);
  caret_.reset();
  if (!IsEmpty(area)) Present(window, area);
  return true;
}

RECT StandInPlatform::CaretArea(HWND window) const {
  if (!caret_ || caret_->window != window || caret_->hideLevel > 0 || !caret_->blinkOn) {
    return RECT{};
  }
  return caret_->Bounds();
}

int StandInPlatform::BlinkCaret() {
  if (!caret_ || caret_->hideLevel > 0) return -1;
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() -
                                                                        caret_->lastBlink);
  if (elapsed.count() < kCaretBlinkMilliseconds) {
    return static_cast<int>(kCaretBlinkMilliseconds - elapsed.count());
  }
  caret_->blinkOn = !caret_->blinkOn;
  caret_->lastBlink = Clock::now();
  Present(caret_->window, caret_->Bounds());
  return kCaretBlinkMilliseconds;
}

void StandInPlatform::RestartBlink() {
  caret_->blinkOn = true;
  caret_->lastBlink = Clock::now();
}

}  // namespace platform::common
