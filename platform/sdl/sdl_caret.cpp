// The caret: a bar that inverts the pixels under it on the screen only,
// never in the client surface, so drawing and copying never pick it up.
// It blinks at Windows' rate while the thread waits for messages.
#include "platform/sdl/sdl_platform.h"

namespace platform::sdl {

bool SdlPlatform::CreateCaret(HWND window, HBITMAP, int width, int height) {
  if (FindWindow(window) == nullptr) return false;
  if (caret_) DestroyCaret();
  Caret caret;
  caret.window = window;
  caret.width = width > 0 ? width : 1;
  caret.height = height > 0 ? height : 1;
  caret.lastBlink = SDL_GetTicks();
  caret_ = caret;
  return true;
}

bool SdlPlatform::SetCaretPos(int x, int y) {
  if (!caret_) return false;
  RECT before = CaretRect();
  caret_->position = POINT{x, y};
  // Moving shows the caret at once, as Windows restarts the blink.
  caret_->blinkOn = true;
  caret_->lastBlink = SDL_GetTicks();
  Present(caret_->window, before);
  ShowCaretArea();
  return true;
}

bool SdlPlatform::ShowCaret(HWND window) {
  if (!caret_ || (window != nullptr && window != caret_->window)) return false;
  if (caret_->hideLevel > 0 && --caret_->hideLevel == 0) {
    caret_->blinkOn = true;
    caret_->lastBlink = SDL_GetTicks();
    ShowCaretArea();
  }
  return true;
}

bool SdlPlatform::DestroyCaret() {
  if (!caret_) return false;
  HWND window = caret_->window;
  RECT area = CaretRect();
  caret_.reset();
  Present(window, area);
  return true;
}

bool SdlPlatform::CaretShown() const {
  return caret_ && caret_->hideLevel <= 0 && caret_->blinkOn;
}

RECT SdlPlatform::CaretRect() const {
  if (!caret_) return RECT{};
  return RECT{caret_->position.x, caret_->position.y, caret_->position.x + caret_->width,
              caret_->position.y + caret_->height};
}

void SdlPlatform::BlinkCaret() {
  if (!caret_ || caret_->hideLevel > 0) return;
  Uint32 now = SDL_GetTicks();
  if (now - caret_->lastBlink < kCaretBlinkMilliseconds) return;
  caret_->blinkOn = !caret_->blinkOn;
  caret_->lastBlink = now;
  ShowCaretArea();
}

void SdlPlatform::ShowCaretArea() {
  if (caret_) Present(caret_->window, CaretRect());
}

}  // namespace platform::sdl
