// What a player's desktop sends that a bare X server does not, as the SDL
// backend hands it on: held keys' repeats, the key-ups SDL makes when the
// focus leaves, the mouse outside the window, and text from input methods
// and dead keys.  Each as Windows would deliver it.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/unit/sdl_platform_fixture.h"

namespace {

using namespace sdl_testing;
using KeyMessage = std::pair<UINT, WPARAM>;

constexpr LPARAM kPreviousStateBit = LPARAM{1} << 30;

class SdlDesktop : public SdlBackendFixture {
 protected:
  void SetUp() override {
    SdlBackendFixture::SetUp();
    HWND window = Create();
    os->ShowWindow(window, SW_SHOW);
    Pump();
    received.clear();
  }

  static void PushMouse(Uint32 type, int x, int y) {
    SDL_Event event{};
    event.type = type;
    if (type == SDL_MOUSEMOTION) {
      event.motion.windowID = 1;
      event.motion.x = x;
      event.motion.y = y;
    } else {
      event.button.windowID = 1;
      event.button.button = SDL_BUTTON_RIGHT;
      event.button.x = x;
      event.button.y = y;
    }
    SDL_PushEvent(&event);
  }

  std::vector<const Received*> Of(UINT message) const {
    std::vector<const Received*> found;
    for (const Received& r : received) {
      if (r.message == message) found.push_back(&r);
    }
    return found;
  }
};

// --- AltGr -------------------------------------------------------------------

// In a layout with AltGr (the Brazilian ABNT2 here) Windows reports AltGr
// as left Ctrl and right Alt: AltGr+Q is an ordinary key with AltGr's
// character, and AltGr+F4 is Ctrl+Alt+F4, which closes nothing.  Let go,
// Ctrl goes first, and right Alt, then held alone, is a system key.
TEST_F(SdlDesktop, AltGrIsLeftCtrlAndRightAltInALayoutThatHasIt) {
  os->rightAltIsAltGr = [](SDL_Window*) { return true; };
  HWND window = os->GetActiveWindow();
  PushKey(SDL_KEYDOWN, SDLK_RALT, SDL_SCANCODE_RALT, KMOD_RALT);
  PushKey(SDL_KEYDOWN, SDLK_q, SDL_SCANCODE_Q, KMOD_RALT);
  PushText("/");
  PushKey(SDL_KEYUP, SDLK_q, SDL_SCANCODE_Q, KMOD_RALT);
  PushKey(SDL_KEYDOWN, SDLK_F4, SDL_SCANCODE_F4, KMOD_RALT);
  PushKey(SDL_KEYDOWN, SDLK_2, SDL_SCANCODE_2, KMOD_RALT);
  PushText("\xC2\xB2");  // superscript two
  PushKey(SDL_KEYUP, SDLK_RALT, SDL_SCANCODE_RALT);
  Pump();
  EXPECT_EQ(KeyMessages(), (std::vector<KeyMessage>{{WM_KEYDOWN, VK_CONTROL},
                                                    {WM_KEYDOWN, VK_MENU},
                                                    {WM_KEYDOWN, 'Q'},
                                                    {WM_CHAR, '/'},
                                                    {WM_KEYUP, 'Q'},
                                                    {WM_KEYDOWN, VK_F4},
                                                    {WM_KEYDOWN, '2'},
                                                    {WM_CHAR, 0xB2},
                                                    {WM_KEYUP, VK_CONTROL},
                                                    {WM_SYSKEYUP, VK_MENU}}));
  ASSERT_EQ(Of(WM_CHAR).size(), 2u);
  EXPECT_TRUE(Of(WM_CHAR)[0]->ctrl && Of(WM_CHAR)[0]->alt);
  RECT rect;
  EXPECT_TRUE(os->GetWindowRect(window, rect)) << "AltGr+F4 closed the window";
  EXPECT_FALSE(os->GetKeyState(VK_CONTROL) < 0);
}

// Where right Alt is plain Alt (the US layout), right Alt+F4 closes.
TEST_F(SdlDesktop, RightAltIsAltInALayoutWithoutAltGr) {
  os->rightAltIsAltGr = [](SDL_Window*) { return false; };
  HWND window = os->GetActiveWindow();
  PushKey(SDL_KEYDOWN, SDLK_RALT, SDL_SCANCODE_RALT, KMOD_RALT);
  PushKey(SDL_KEYDOWN, SDLK_F4, SDL_SCANCODE_F4, KMOD_RALT);
  Pump();
  EXPECT_EQ(KeyMessages(), (std::vector<KeyMessage>{{WM_SYSKEYDOWN, VK_MENU},
                                                    {WM_SYSKEYDOWN, VK_F4}}));
  RECT rect;
  EXPECT_FALSE(os->GetWindowRect(window, rect));
}

// --- Held keys ---------------------------------------------------------------

// Windows folds the repeats that come while the program does not take its
// messages into one key-down with the repeat count raised (and the
// previous-state bit of a repeat), so a key held through a long wait types
// one character for the press and one for all its repeats.
TEST_F(SdlDesktop, RepeatsThatComeWhileTheProgramIsBusyAreOneKeyDownWithTheirCount) {
  PushKey(SDL_KEYDOWN, SDLK_5, SDL_SCANCODE_5);
  PushText("5");
  for (int i = 0; i < 12; ++i) {
    PushKey(SDL_KEYDOWN, SDLK_5, SDL_SCANCODE_5, 0, 1);
    PushText("5");
  }
  PushKey(SDL_KEYUP, SDLK_5, SDL_SCANCODE_5);
  Pump();
  EXPECT_EQ(KeyMessages(), (std::vector<KeyMessage>{{WM_KEYDOWN, '5'},
                                                    {WM_CHAR, '5'},
                                                    {WM_KEYDOWN, '5'},
                                                    {WM_CHAR, '5'},
                                                    {WM_KEYUP, '5'}}));
  std::vector<const Received*> downs = Of(WM_KEYDOWN);
  ASSERT_EQ(downs.size(), 2u);
  EXPECT_EQ(LowWord(downs[0]->lParam), 1);
  EXPECT_EQ(downs[0]->lParam & kPreviousStateBit, 0);
  EXPECT_EQ(LowWord(downs[1]->lParam), 12);
  EXPECT_NE(downs[1]->lParam & kPreviousStateBit, 0);
  EXPECT_EQ(Of(WM_CHAR)[1]->lParam, downs[1]->lParam) << "a character has its key-down's lParam";
  EXPECT_EQ(LowWord(Of(WM_KEYUP)[0]->lParam), 1);
}

TEST_F(SdlDesktop, RepeatsTakenAsTheyComeAndRepeatsOfAnotherKeyStayApart) {
  // Taken one by one, as while the program waits for a key: each repeat
  // types its character.
  for (int i = 0; i < 3; ++i) {
    PushKey(SDL_KEYDOWN, SDLK_1, SDL_SCANCODE_1, 0, 1);
    PushText("1");
    Pump();
  }
  EXPECT_EQ(Of(WM_CHAR).size(), 3u);
  received.clear();
  // A repeat never joins a key-down of another key, nor one already taken.
  PushKey(SDL_KEYDOWN, SDLK_1, SDL_SCANCODE_1, 0, 1);
  PushText("1");
  PushKey(SDL_KEYDOWN, SDLK_2, SDL_SCANCODE_2, 0, 1);
  PushText("2");
  PushKey(SDL_KEYDOWN, SDLK_1, SDL_SCANCODE_1, 0, 1);
  PushText("1");
  Pump();
  EXPECT_EQ(KeyMessages(), (std::vector<KeyMessage>{{WM_KEYDOWN, '1'},
                                                    {WM_CHAR, '1'},
                                                    {WM_KEYDOWN, '2'},
                                                    {WM_CHAR, '2'},
                                                    {WM_KEYDOWN, '1'},
                                                    {WM_CHAR, '1'}}));
}

// --- Focus -------------------------------------------------------------------

// SDL releases every held key when the focus leaves; Windows sends the
// window no key-up for them (the player lets go elsewhere), so a chord
// being typed is not completed behind the player's back.
TEST_F(SdlDesktop, KeysHeldWhenTheFocusLeavesGetNoKeyUp) {
  PushKey(SDL_KEYDOWN, SDLK_d, SDL_SCANCODE_D);
  PushKey(SDL_KEYUP, SDLK_d, SDL_SCANCODE_D);  // the player's own release
  PushKey(SDL_KEYDOWN, SDLK_f, SDL_SCANCODE_F);
  PushKey(SDL_KEYDOWN, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, KMOD_LSHIFT);
  // What SDL does as the focus leaves: the held keys released, then the news.
  PushKey(SDL_KEYUP, SDLK_f, SDL_SCANCODE_F, KMOD_LSHIFT);
  PushKey(SDL_KEYUP, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  Pump();
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP, WM_KEYDOWN, WM_KEYDOWN,
                                           WM_KILLFOCUS}));
  // Back in the window, Shift is no longer held.
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  PushKey(SDL_KEYDOWN, SDLK_k, SDL_SCANCODE_K);
  Pump();
  ASSERT_EQ(received.back().message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_FALSE(os->GetKeyState(VK_SHIFT) < 0);
}

// Coming back with Alt+Tab, SDL reports Alt as pressed: Windows sends no
// key-down for it (it went down in another window), only its release.
TEST_F(SdlDesktop, AModifierStillHeldWhenTheFocusComesBackHasNoKeyDown) {
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  Pump();
  received.clear();
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  PushKey(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
  Pump();
  EXPECT_EQ(Messages(), std::vector<UINT>{WM_SETFOCUS});
  // Alt is held for what comes next, and its release is the window's.
  PushKey(SDL_KEYDOWN, SDLK_LEFT, SDL_SCANCODE_LEFT, KMOD_LALT);
  PushKey(SDL_KEYUP, SDLK_LEFT, SDL_SCANCODE_LEFT, KMOD_LALT);
  PushKey(SDL_KEYUP, SDLK_LALT, SDL_SCANCODE_LALT);
  Pump();
  EXPECT_EQ(KeyMessages(), (std::vector<KeyMessage>{
                               {WM_SYSKEYDOWN, VK_LEFT}, {WM_SYSKEYUP, VK_LEFT}, {WM_SYSKEYUP, VK_MENU}}));
  EXPECT_TRUE(received[1].alt);
}

// --- The mouse ---------------------------------------------------------------

// The window does not capture the mouse: a release outside it reaches
// another window, so the magnifier stays on until a release inside.
TEST_F(SdlDesktop, TheRightButtonReleasedOutsideTheWindowSendsTheWindowNothing) {
  PushMouse(SDL_MOUSEMOTION, 100, 60);
  PushMouse(SDL_MOUSEBUTTONDOWN, 100, 60);
  Pump();
  // Out through the edge: SDL clamps the last move to the edge and says
  // the mouse left.
  PushMouse(SDL_MOUSEMOTION, 719, 200);
  PushWindowEvent(SDL_WINDOWEVENT_LEAVE);
  PushMouse(SDL_MOUSEBUTTONUP, 719, 200);
  Pump();
  // The X server's implicit grab ends with an enter and a leave at once.
  PushWindowEvent(SDL_WINDOWEVENT_ENTER);
  PushMouse(SDL_MOUSEMOTION, 719, 200);
  PushWindowEvent(SDL_WINDOWEVENT_LEAVE);
  Pump();
  // A move captured from outside the client area (negative, or past its
  // edge) is not the window's either.
  PushMouse(SDL_MOUSEMOTION, -5, 30);
  PushMouse(SDL_MOUSEMOTION, 5000, 30);
  Pump();
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_MOUSEMOVE, WM_RBUTTONDOWN}));

  received.clear();
  PushWindowEvent(SDL_WINDOWEVENT_ENTER);
  PushMouse(SDL_MOUSEMOTION, 60, 70);
  PushMouse(SDL_MOUSEBUTTONDOWN, 60, 70);
  PushMouse(SDL_MOUSEBUTTONUP, 60, 70);
  Pump();
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_RBUTTONUP}));
  EXPECT_EQ(received.back().lParam, 60 | (70 << 16));
}

// --- Text without its key ------------------------------------------------------

// An input method hands over its text on its own, after the keys it took;
// it is typed, whatever key went down last.
TEST_F(SdlDesktop, AnInputMethodsTextIsTypedAfterAModifierOrAnAltKey) {
  PushKey(SDL_KEYDOWN, SDLK_LCTRL, SDL_SCANCODE_LCTRL, KMOD_LCTRL);
  PushText("\xC3\xA1");  // a-acute
  PushKey(SDL_KEYUP, SDLK_LCTRL, SDL_SCANCODE_LCTRL);
  PushKey(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
  PushKey(SDL_KEYDOWN, SDLK_x, SDL_SCANCODE_X, KMOD_LALT);
  PushText("x");         // Alt+x's own text: Windows makes no WM_CHAR of it
  PushText("\xC3\xA7");  // c-cedilla, from the input method
  Pump();
  std::vector<WPARAM> characters;
  for (const Received* r : Of(WM_CHAR)) characters.push_back(r->wParam);
  EXPECT_EQ(characters, (std::vector<WPARAM>{0xE1, 0xE7}));
}

TEST_F(SdlDesktop, ADeadKeyThenALetterTypeTheAccentedLetterAfterTheLettersKeyDown) {
  PushKey(SDL_KEYDOWN, SDLK_UNKNOWN | SDLK_SCANCODE_MASK, SDL_SCANCODE_LEFTBRACKET);
  PushKey(SDL_KEYUP, SDLK_UNKNOWN | SDLK_SCANCODE_MASK, SDL_SCANCODE_LEFTBRACKET);
  PushKey(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A);
  PushText("\xC3\xA1");
  PushKey(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A);
  Pump();
  EXPECT_EQ(KeyMessages(), (std::vector<KeyMessage>{{WM_KEYDOWN, VK_PACKET},
                                                    {WM_KEYUP, VK_PACKET},
                                                    {WM_KEYDOWN, 'A'},
                                                    {WM_CHAR, 0xE1},
                                                    {WM_KEYUP, 'A'}}));
}

}  // namespace
