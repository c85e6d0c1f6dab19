// The right-button magnifier.
#pragma once

#include "platform/platform.h"

namespace console {

struct MagnifierState {
  bool MagnifierActive = false;
  int ZoomFactor = 2;
  platform::HDC ZoomContext = nullptr;
  platform::HBITMAP ZoomBitmap = nullptr;
  platform::HGDIOBJ PreviousBitmap = nullptr;
};

MagnifierState& Magnifier();

// Shows the picture taken at the press, enlarged by factor around (x, y).
void DrawZoom(int x, int y, int factor);

void OnRightButtonDown(platform::LPARAM lParam);
void OnMouseMove(platform::LPARAM lParam);
void OnRightButtonUp();

}  // namespace console
