#include "platform/platform.h"

namespace platform {

namespace {
Platform* installed = nullptr;
}

Platform& Os() { return *installed; }

void InstallPlatform(Platform* backend) { installed = backend; }

LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Os().DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace platform
