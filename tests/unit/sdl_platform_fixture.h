// The SDL backend as the console sees it, on SDL's dummy video and audio
// drivers: a window of class "KzWinCrt" whose procedure records every
// message with the key state it saw, and helpers that push SDL events and
// pump messages as the console does.
#pragma once

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"

namespace sdl_testing {

using namespace platform;

struct Received {
  UINT message;
  WPARAM wParam;
  bool ctrl;  // GetKeyState(VK_CONTROL) while the message was handled
  bool alt;
  LPARAM lParam = 0;
};

class SdlBackendFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }

  void SetUp() override {
    current = this;
    os = std::make_unique<sdl::SdlPlatform>();
    InstallPlatform(os.get());
    WNDCLASSA windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &Procedure;
    windowClass.hbrBackground = os->GetStockObject(BLACK_BRUSH);
    windowClass.lpszClassName = "KzWinCrt";
    ASSERT_NE(os->RegisterClassA(windowClass), 0);
  }

  void TearDown() override {
    InstallPlatform(nullptr);
    os.reset();
    current = nullptr;
  }

  static LRESULT Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SdlBackendFixture& test = *current;
    test.received.push_back(Received{message, wParam, test.os->GetKeyState(VK_CONTROL) < 0,
                                     test.os->GetKeyState(VK_MENU) < 0, lParam});
    if (message == WM_GETMINMAXINFO) {
      auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
      test.maxTrack = info.ptMaxTrackSize;
      if (test.limit.x != 0) info.ptMaxTrackSize = test.limit;
    }
    if (message == WM_PAINT) {
      PAINTSTRUCT paint;
      test.os->BeginPaint(window, paint);
      test.os->EndPaint(window, paint);
      return 0;
    }
    if (message == WM_SYSKEYDOWN || message == WM_CLOSE) {
      return test.os->DefWindowProcA(window, message, wParam, lParam);
    }
    return 0;
  }

  HWND Create(int width = 728, int height = 578) {
    return os->CreateWindowExA(0, "kzwincrt", "Janela", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                               CW_USEDEFAULT, width, height, nullptr, nullptr, nullptr, nullptr);
  }

  void PushKey(Uint32 type, SDL_Keycode key, SDL_Scancode scancode, Uint16 modifiers = 0,
               Uint8 repeat = 0) {
    SDL_Event event{};
    event.type = type;
    event.key.windowID = 1;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = modifiers;
    SDL_PushEvent(&event);
  }

  void PushWindowEvent(Uint8 what) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = 1;
    event.window.event = what;
    SDL_PushEvent(&event);
  }

  void PushText(const char* utf8) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = 1;
    std::strncpy(event.text.text, utf8, sizeof event.text.text - 1);
    SDL_PushEvent(&event);
  }

  // What PumpMessages does: take, translate and dispatch until empty.
  void Pump() {
    MSG message;
    while (os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = true;
        continue;
      }
      os->TranslateMessage(message);
      os->DispatchMessageA(message);
    }
  }

  std::vector<UINT> Messages() const {
    std::vector<UINT> messages;
    for (const Received& r : received) messages.push_back(r.message);
    return messages;
  }

  std::vector<std::pair<UINT, WPARAM>> KeyMessages() const {
    std::vector<std::pair<UINT, WPARAM>> keys;
    for (const Received& r : received) {
      if (r.message >= WM_KEYDOWN && r.message <= WM_SYSCHAR) keys.emplace_back(r.message, r.wParam);
    }
    return keys;
  }

  // The client area is the SDL window.
  static POINT ClientSize() {
    int width = 0, height = 0;
    SDL_GetWindowSize(SDL_GetWindowFromID(1), &width, &height);
    return POINT{width, height};
  }

  COLORREF Screen(int x, int y) {
    SDL_Surface* screen = SDL_GetWindowSurface(SDL_GetWindowFromID(1));
    if (screen == nullptr) return 0xFFFFFFFF;
    Uint32 pixel = 0;
    std::memcpy(&pixel, static_cast<Uint8*>(screen->pixels) + y * screen->pitch + x * 4, 4);
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(pixel, screen->format, &r, &g, &b);
    return Rgb(r, g, b);
  }

  static inline SdlBackendFixture* current = nullptr;
  std::unique_ptr<sdl::SdlPlatform> os;
  std::vector<Received> received;
  POINT maxTrack;
  POINT limit;  // when set, the procedure answers it as the largest track size
  bool quit = false;
};

}  // namespace sdl_testing
