// The SDL backend's input: the order of key messages made from SDL
// events, key state per message, closing, the mouse and waiting.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/unit/sdl_platform_fixture.h"

namespace {

using namespace sdl_testing;

class SdlInput : public SdlBackendFixture {};

TEST_F(SdlInput, EachCharacterFollowsItsOwnKeyDownBeforeTheNextKey) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  received.clear();
  PushKey(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A);
  PushText("a");
  PushKey(SDL_KEYDOWN, SDLK_b, SDL_SCANCODE_B);
  PushText("b");
  PushKey(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A);
  PushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN);
  PushKey(SDL_KEYUP, SDLK_b, SDL_SCANCODE_B);
  PushKey(SDL_KEYDOWN, SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON);
  PushText("\xC3\xA7");  // c-cedilla from a Portuguese layout
  Pump();
  EXPECT_EQ(KeyMessages(), (std::vector<std::pair<UINT, WPARAM>>{
                               {WM_KEYDOWN, 'A'},
                               {WM_CHAR, 'a'},
                               {WM_KEYDOWN, 'B'},
                               {WM_CHAR, 'b'},
                               {WM_KEYUP, 'A'},
                               {WM_KEYDOWN, VK_RETURN},
                               {WM_CHAR, 13},
                               {WM_KEYUP, 'B'},
                               {WM_KEYDOWN, VK_PACKET},
                               {WM_CHAR, 0xE7},
                           }));
}

TEST_F(SdlInput, CtrlMakesControlCodesAndKeyStateIsThatOfTheMessage) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  received.clear();
  PushKey(SDL_KEYDOWN, SDLK_LCTRL, SDL_SCANCODE_LCTRL, KMOD_LCTRL);
  PushKey(SDL_KEYDOWN, SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, KMOD_LCTRL);
  PushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LCTRL);
  PushKey(SDL_KEYDOWN, SDLK_c, SDL_SCANCODE_C, KMOD_LCTRL);
  PushText("c");  // some systems still send the letter: Windows would not
  PushKey(SDL_KEYUP, SDLK_LCTRL, SDL_SCANCODE_LCTRL);
  PushKey(SDL_KEYDOWN, SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE);
  Pump();
  std::vector<std::pair<UINT, WPARAM>> characters;
  std::vector<bool> ctrlAtCharacter;
  for (const Received& r : received) {
    if (r.message == WM_CHAR) {
      characters.emplace_back(r.message, r.wParam);
      ctrlAtCharacter.push_back(r.ctrl);
    }
  }
  EXPECT_EQ(characters, (std::vector<std::pair<UINT, WPARAM>>{
                            {WM_CHAR, 127}, {WM_CHAR, 10}, {WM_CHAR, 3}, {WM_CHAR, 8}}));
  // Ctrl was released before these were handled, but not before they were typed.
  EXPECT_EQ(ctrlAtCharacter, (std::vector<bool>{true, true, true, false}));
}

TEST_F(SdlInput, AltMakesSystemKeysWithoutCharactersButCtrlAltIsAnOrdinaryKey) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  received.clear();
  PushKey(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
  PushKey(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, KMOD_LALT);
  PushText("a");
  PushKey(SDL_KEYDOWN, SDLK_LEFT, SDL_SCANCODE_LEFT, KMOD_LALT);
  PushKey(SDL_KEYDOWN, SDLK_LCTRL, SDL_SCANCODE_LCTRL, KMOD_LALT | KMOD_LCTRL);
  PushKey(SDL_KEYDOWN, SDLK_F11, SDL_SCANCODE_F11, KMOD_LALT | KMOD_LCTRL);
  PushKey(SDL_KEYDOWN, SDLK_2, SDL_SCANCODE_2, KMOD_LALT | KMOD_LCTRL);
  PushText("@");  // AltGr's character
  Pump();
  EXPECT_EQ(KeyMessages(), (std::vector<std::pair<UINT, WPARAM>>{
                               {WM_SYSKEYDOWN, VK_MENU},
                               {WM_SYSKEYDOWN, 'A'},
                               {WM_SYSKEYDOWN, VK_LEFT},
                               {WM_KEYDOWN, VK_CONTROL},
                               {WM_KEYDOWN, VK_F11},
                               {WM_KEYDOWN, '2'},
                               {WM_CHAR, '@'},
                           }));
  EXPECT_TRUE(received.back().alt && received.back().ctrl);
}

TEST_F(SdlInput, TextWithoutAKeyOfItsOwnIsNotHeldToAnEarlierAltKey) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  PushKey(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
  PushKey(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, KMOD_LALT);
  PushText("a");  // Alt+a's own text: dropped
  PushKey(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A, KMOD_LALT);
  PushKey(SDL_KEYUP, SDLK_LALT, SDL_SCANCODE_LALT);
  Pump();
  received.clear();
  PushText("\xC3\xA3");  // typed through a key SDL has no code for
  Pump();
  EXPECT_EQ(KeyMessages(), (std::vector<std::pair<UINT, WPARAM>>{{WM_CHAR, 0xE3}}));
}

TEST_F(SdlInput, CtrlBreakArrivesAsVkCancel) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  received.clear();
  PushKey(SDL_KEYDOWN, SDLK_PAUSE, SDL_SCANCODE_PAUSE, KMOD_RCTRL);
  Pump();
  ASSERT_FALSE(KeyMessages().empty());
  EXPECT_EQ(KeyMessages()[0], (std::pair<UINT, WPARAM>{WM_KEYDOWN, VK_CANCEL}));
}

TEST_F(SdlInput, AltF4ClosesThroughTheDefaultProcedure) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  ASSERT_EQ(os->SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&DefaultWindowProc)),
            reinterpret_cast<LONG_PTR>(&Procedure));
  PushKey(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
  PushKey(SDL_KEYDOWN, SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT);
  Pump();
  RECT rect;
  EXPECT_FALSE(os->GetWindowRect(window, rect));
  EXPECT_FALSE(quit);  // the default procedure posts no quit message
}

TEST_F(SdlInput, ClosingTheWindowAsksTheProcedureOnceAndQuitComesAfterTheQueue) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  Pump();
  SDL_Event close{};
  close.type = SDL_WINDOWEVENT;
  close.window.windowID = 1;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  SDL_PushEvent(&close);
  SDL_Event quitEvent{};
  quitEvent.type = SDL_QUIT;
  SDL_PushEvent(&quitEvent);
  MSG message;
  ASSERT_TRUE(os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_CLOSE));
  EXPECT_FALSE(os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE));
  os->PostQuitMessage(0);
  PushKey(SDL_KEYDOWN, SDLK_x, SDL_SCANCODE_X);
  ASSERT_TRUE(os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYDOWN));
  ASSERT_TRUE(os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
}

TEST_F(SdlInput, MouseMessagesCarryClientCoordinatesAndMovesAreMerged) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  received.clear();
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.windowID = 1;
  event.motion.x = 10;
  event.motion.y = 20;
  SDL_PushEvent(&event);
  event.motion.x = 100;
  event.motion.y = 60;
  SDL_PushEvent(&event);
  SDL_Event button{};
  button.type = SDL_MOUSEBUTTONDOWN;
  button.button.windowID = 1;
  button.button.button = SDL_BUTTON_RIGHT;
  button.button.x = 100;
  button.button.y = 60;
  SDL_PushEvent(&button);
  MSG message;
  ASSERT_TRUE(os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(LowWord(message.lParam), 100);
  EXPECT_EQ(HighWord(message.lParam), 60);
  ASSERT_TRUE(os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_RBUTTONDOWN));
  EXPECT_EQ(message.lParam, 100 | (60 << 16));
}

TEST_F(SdlInput, WaitMessageSleepsUntilAMessageArrivesAndABlinkingCaretDoesNotWakeIt) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  Pump();
  os->CreateCaret(window, nullptr, 9, 2);
  os->ShowCaret(window);
  auto start = std::chrono::steady_clock::now();
  std::thread typist([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = 1;
    event.key.keysym.sym = SDLK_a;
    event.key.keysym.scancode = SDL_SCANCODE_A;
    SDL_PushEvent(&event);
  });
  os->WaitMessage();
  auto waited = std::chrono::steady_clock::now() - start;
  typist.join();
  EXPECT_GE(waited, std::chrono::milliseconds(650));
  MSG message;
  ASSERT_TRUE(os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYDOWN));
}

}  // namespace
