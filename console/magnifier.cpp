#include "console/magnifier.h"

#include "console/window_state.h"
#include "runtime/module_state.h"

namespace console {

using namespace platform;

namespace {

runtime::ModuleState<MagnifierState> magnifier;

// The picture and the zoom use the window's outer size as computed before
// the window was made, also after the window was resized or maximised.
int PictureWidth() { return Window().WindowSize.width; }
int PictureHeight() { return Window().WindowSize.height; }

// Mouse coordinates travel as two unsigned 16-bit halves of lParam.
int MouseX(LPARAM lParam) { return LowWord(lParam); }
int MouseY(LPARAM lParam) { return HighWord(lParam); }

void CaptureWindowImage() {
  Platform& os = Os();
  HDC windowContext = os.GetDC(Window().WindowHandle);
  magnifier.ZoomContext = os.CreateCompatibleDC(windowContext);
  magnifier.ZoomBitmap = os.CreateCompatibleBitmap(windowContext, PictureWidth(), PictureHeight());
  magnifier.PreviousBitmap = os.SelectObject(magnifier.ZoomContext, magnifier.ZoomBitmap);
  os.BitBlt(magnifier.ZoomContext, 0, 0, PictureWidth(), PictureHeight(), windowContext, 0, 0,
            SRCCOPY);
  os.ReleaseDC(Window().WindowHandle, windowContext);
}

void ReleaseWindowImage() {
  Platform& os = Os();
  os.SelectObject(magnifier.ZoomContext, magnifier.PreviousBitmap);
  os.DeleteObject(magnifier.ZoomBitmap);
  os.DeleteDC(magnifier.ZoomContext);
  magnifier.ZoomContext = nullptr;
  magnifier.ZoomBitmap = nullptr;
  magnifier.PreviousBitmap = nullptr;
}

}  // namespace

MagnifierState& Magnifier() { return magnifier; }

// The source origin keeps the point under the mouse under the mouse:
// source pixel x lands at (x - sx) * f = (x div f) * f.
void DrawZoom(int x, int y, int factor) {
  if (factor < 1) factor = 1;
  Platform& os = Os();
  HDC windowContext = os.GetDC(Window().WindowHandle);
  int sourceX = x - x / factor;
  int sourceY = y - y / factor;
  if (sourceX < 0) sourceX = 0;
  if (sourceY < 0) sourceY = 0;
  os.StretchBlt(windowContext, 0, 0, PictureWidth(), PictureHeight(), magnifier.ZoomContext,
                sourceX, sourceY, PictureWidth() / factor, PictureHeight() / factor, SRCCOPY);
  os.ReleaseDC(Window().WindowHandle, windowContext);
}

void OnRightButtonDown(LPARAM lParam) {
  if (magnifier.MagnifierActive) return;
  magnifier.MagnifierActive = true;
  CaptureWindowImage();
  DrawZoom(MouseX(lParam), MouseY(lParam), magnifier.ZoomFactor);
}

void OnMouseMove(LPARAM lParam) {
  if (magnifier.MagnifierActive) DrawZoom(MouseX(lParam), MouseY(lParam), magnifier.ZoomFactor);
}

void OnRightButtonUp() {
  if (magnifier.MagnifierActive) {
    magnifier.MagnifierActive = false;
    ReleaseWindowImage();
  }
  Os().InvalidateRect(Window().WindowHandle, nullptr, true);
}

}  // namespace console
