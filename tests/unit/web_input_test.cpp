// The browser stand-in's input: the page's key and mouse events as the
// Win32 messages Windows would deliver, in order, with the key state of
// each message.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/web/web_keys.h"
#include "platform/web/web_queue.h"

namespace {

using namespace platform;
using platform::web::KeyPlaceOf;
using platform::web::MessageQueue;
using platform::web::PageEvent;

HWND const kWindow = reinterpret_cast<HWND>(std::uintptr_t{0x1000});

struct Flags {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  bool numLock = true;
};

PageEvent Key(PageEvent::Kind kind, const std::string& code, const std::string& key,
              Flags flags = {}, bool repeat = false) {
  PageEvent event;
  event.kind = kind;
  event.code = code;
  event.key = key;
  event.shift = flags.shift;
  event.ctrl = flags.ctrl;
  event.alt = flags.alt;
  event.numLock = flags.numLock;
  event.repeat = repeat;
  return event;
}
PageEvent Down(const std::string& code, const std::string& key, Flags flags = {}) {
  return Key(PageEvent::Kind::KeyDown, code, key, flags);
}
PageEvent Up(const std::string& code, const std::string& key, Flags flags = {}) {
  return Key(PageEvent::Kind::KeyUp, code, key, flags);
}

struct Taken {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool ctrl;
  bool alt;
  bool f;
  bool d;
};

// What a message loop (PeekMessageA, TranslateMessage) gets from the queue.
std::vector<Taken> TakeAll(MessageQueue& queue) {
  std::vector<Taken> taken;
  MSG message;
  while (queue.Peek(message, nullptr, 0, 0, true, 0, nullptr)) {
    if (message.message == WM_QUIT) break;
    queue.TranslateMessage(message);
    taken.push_back(Taken{message.message, message.wParam, message.lParam,
                          queue.GetKeyState(VK_CONTROL) < 0, queue.GetKeyState(VK_MENU) < 0,
                          queue.GetKeyState('F') < 0, queue.GetKeyState('D') < 0});
  }
  return taken;
}

std::vector<std::pair<UINT, WPARAM>> Messages(const std::vector<Taken>& taken) {
  std::vector<std::pair<UINT, WPARAM>> messages;
  for (const Taken& t : taken) messages.emplace_back(t.message, t.wParam);
  return messages;
}

void Send(MessageQueue& queue, const std::vector<PageEvent>& events) {
  for (const PageEvent& event : events) queue.Translate(kWindow, event);
}

TEST(WebKeys, PlacesAreNamedAsOnAUsKeyboardWhateverTheLayout) {
  EXPECT_EQ(KeyPlaceOf("KeyF", true, false).virtualKey, 'F');
  EXPECT_EQ(KeyPlaceOf("KeyZ", true, false).virtualKey, 'Z');
  EXPECT_EQ(KeyPlaceOf("Digit0", true, false).virtualKey, '0');
  EXPECT_EQ(KeyPlaceOf("F4", true, false).virtualKey, VK_F4);
  EXPECT_EQ(KeyPlaceOf("F12", true, false).virtualKey, VK_F12);
  EXPECT_EQ(KeyPlaceOf("Space", true, false).virtualKey, VK_SPACE);
  // Keys the program does not look at: their characters still come.
  EXPECT_EQ(KeyPlaceOf("Semicolon", true, false).virtualKey, VK_PACKET);  // c-cedilla on ABNT2
  EXPECT_EQ(KeyPlaceOf("F13", true, false).virtualKey, VK_PACKET);
  EXPECT_EQ(KeyPlaceOf("KeyAA", true, false).virtualKey, VK_PACKET);
  EXPECT_EQ(KeyPlaceOf("", true, false).virtualKey, VK_PACKET);
}

TEST(WebKeys, ModifiersAreGenericWithTheirSide) {
  auto rightCtrl = KeyPlaceOf("ControlRight", true, true);
  EXPECT_EQ(rightCtrl.virtualKey, VK_CONTROL);
  EXPECT_EQ(rightCtrl.sided, VK_RCONTROL);
  auto leftAlt = KeyPlaceOf("AltLeft", true, false);
  EXPECT_EQ(leftAlt.virtualKey, VK_MENU);
  EXPECT_EQ(leftAlt.sided, VK_LMENU);
  EXPECT_EQ(KeyPlaceOf("KeyA", true, false).sided, 0);
}

TEST(WebKeys, CtrlPauseIsBreakAndTheKeypadFollowsNumLock) {
  EXPECT_EQ(KeyPlaceOf("Pause", true, true).virtualKey, VK_CANCEL);
  EXPECT_EQ(KeyPlaceOf("Pause", true, false).virtualKey, VK_PAUSE);
  EXPECT_EQ(KeyPlaceOf("Numpad5", true, false).virtualKey, VK_NUMPAD5);
  EXPECT_EQ(KeyPlaceOf("Numpad5", false, false).virtualKey, VK_CLEAR);
  EXPECT_EQ(KeyPlaceOf("Numpad8", false, false).virtualKey, VK_UP);
  EXPECT_EQ(KeyPlaceOf("NumpadDecimal", false, false).virtualKey, VK_DELETE);
  EXPECT_EQ(KeyPlaceOf("NumpadEnter", false, false).virtualKey, VK_RETURN);
}

TEST(WebInput, EachCharacterFollowsItsOwnKeyDownBeforeTheNextKey) {
  MessageQueue queue;
  Send(queue, {Down("KeyA", "a"), Down("KeyB", "b"), Up("KeyA", "a"), Down("Enter", "Enter"),
               Up("KeyB", "b"), Down("Semicolon", "\xC3\xA7"), Down("KeyE", "\xE2\x82\xAC"),
               Down("KeyQ", "\xCE\xA9")});
  EXPECT_EQ(Messages(TakeAll(queue)), (std::vector<std::pair<UINT, WPARAM>>{
                                          {WM_KEYDOWN, 'A'},
                                          {WM_CHAR, 'a'},
                                          {WM_KEYDOWN, 'B'},
                                          {WM_CHAR, 'b'},
                                          {WM_KEYUP, 'A'},
                                          {WM_KEYDOWN, VK_RETURN},
                                          {WM_CHAR, '\r'},
                                          {WM_KEYUP, 'B'},
                                          {WM_KEYDOWN, VK_PACKET},
                                          {WM_CHAR, 0xE7},  // c-cedilla
                                          {WM_KEYDOWN, 'E'},
                                          {WM_CHAR, 0x80},  // the euro sign of Windows-1252
                                          {WM_KEYDOWN, 'Q'},  // omega: no character
                                      }));
}

TEST(WebInput, TheKeyIsItsPlaceAndTheCharacterIsTheLayoutsOne) {
  // On a Dvorak layout the key at F's place types "u".
  MessageQueue queue;
  Send(queue, {Down("KeyF", "u")});
  EXPECT_EQ(Messages(TakeAll(queue)),
            (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, 'F'}, {WM_CHAR, 'u'}}));
}

TEST(WebInput, ABrailleChordArrivesWithItsKeyUpsAndTheStateOfEachMoment) {
  MessageQueue queue;
  Send(queue, {Down("KeyF", "f"), Down("KeyD", "d"), Up("KeyF", "f"), Up("KeyD", "d")});
  std::vector<Taken> taken = TakeAll(queue);
  std::vector<std::pair<UINT, WPARAM>> keys;
  std::vector<std::pair<bool, bool>> held;
  for (const Taken& t : taken) {
    if (t.message == WM_CHAR) continue;
    keys.emplace_back(t.message, t.wParam);
    held.emplace_back(t.f, t.d);
  }
  EXPECT_EQ(keys, (std::vector<std::pair<UINT, WPARAM>>{
                      {WM_KEYDOWN, 'F'}, {WM_KEYDOWN, 'D'}, {WM_KEYUP, 'F'}, {WM_KEYUP, 'D'}}));
  EXPECT_EQ(held, (std::vector<std::pair<bool, bool>>{
                      {true, false}, {true, true}, {false, true}, {false, false}}));
  // The previous-state and transition bits of the key-ups.
  EXPECT_EQ(taken.back().lParam & (3 << 30), static_cast<LPARAM>(3u << 30));
}

TEST(WebInput, AltMakesSystemKeysWithoutCharactersAndCtrlAltOrdinaryOnes) {
  MessageQueue queue;
  Flags alt{.alt = true};
  Flags ctrlAlt{.ctrl = true, .alt = true};
  Send(queue, {Down("AltLeft", "Alt", alt), Down("KeyA", "a", alt), Down("F4", "F4", alt),
               Up("F4", "F4", alt), Down("ControlLeft", "Control", ctrlAlt),
               Down("F11", "F11", ctrlAlt), Down("KeyQ", "/", ctrlAlt)});
  std::vector<Taken> taken = TakeAll(queue);
  EXPECT_EQ(Messages(taken), (std::vector<std::pair<UINT, WPARAM>>{
                                 {WM_SYSKEYDOWN, VK_MENU},
                                 {WM_SYSKEYDOWN, 'A'},
                                 {WM_SYSKEYDOWN, VK_F4},
                                 {WM_SYSKEYUP, VK_F4},
                                 {WM_KEYDOWN, VK_CONTROL},
                                 {WM_KEYDOWN, VK_F11},
                                 {WM_KEYDOWN, 'Q'},
                                 {WM_CHAR, '/'},  // AltGr's character is kept
                             }));
  // Alt+F4 carries the context code that the default procedure reads.
  EXPECT_NE(taken[2].lParam & (1 << 29), 0);
  EXPECT_TRUE(taken[5].ctrl && taken[5].alt);
}

TEST(WebInput, CtrlMakesControlCodesFromTheVirtualKey) {
  MessageQueue queue;
  Flags ctrl{.ctrl = true};
  Send(queue, {Down("ControlLeft", "Control", ctrl), Down("KeyC", "c", ctrl),
               Down("Backspace", "Backspace", ctrl), Down("Pause", "Cancel", ctrl),
               Up("ControlLeft", "Control"), Down("Backspace", "Backspace"),
               Down("Escape", "Escape")});
  std::vector<std::pair<UINT, WPARAM>> characters;
  std::vector<std::pair<UINT, WPARAM>> all = Messages(TakeAll(queue));
  for (const auto& m : all) {
    if (m.first == WM_CHAR) characters.push_back(m);
  }
  EXPECT_EQ(characters, (std::vector<std::pair<UINT, WPARAM>>{
                            {WM_CHAR, 3}, {WM_CHAR, 127}, {WM_CHAR, 8}, {WM_CHAR, 27}}));
  EXPECT_NE(std::find(all.begin(), all.end(), std::pair<UINT, WPARAM>{WM_KEYDOWN, VK_CANCEL}),
            all.end());
}

TEST(WebInput, AModifierReleasedWhileThePageHadNoKeyboardIsNotHeldForEver) {
  MessageQueue queue;
  // Alt+Tab away: the Alt key-up went to another window.
  Send(queue, {Down("AltLeft", "Alt", Flags{.alt = true}), Down("KeyS", "s")});
  std::vector<Taken> taken = TakeAll(queue);
  ASSERT_EQ(taken.size(), 3u);
  EXPECT_EQ(taken[1].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_FALSE(taken[1].alt);
  EXPECT_EQ(taken[2].message, static_cast<UINT>(WM_CHAR));
}

TEST(WebInput, KeysForgottenOnFocusLossAreNotHeldAtTheNextMessage) {
  MessageQueue queue;
  Send(queue, {Down("KeyF", "f")});
  queue.ForgetHeldKeys();
  Send(queue, {Down("KeyD", "d")});
  std::vector<Taken> taken = TakeAll(queue);
  ASSERT_EQ(taken.size(), 4u);
  EXPECT_TRUE(taken[0].f);
  EXPECT_FALSE(taken[2].f);
  EXPECT_TRUE(taken[2].d);
}

TEST(WebInput, RightButtonAndMovesOnlyWithConsecutiveMovesMerged) {
  MessageQueue queue;
  auto mouse = [](PageEvent::Kind kind, int button, int x, int y) {
    PageEvent event;
    event.kind = kind;
    event.button = button;
    event.x = x;
    event.y = y;
    return event;
  };
  using Kind = PageEvent::Kind;
  Send(queue, {mouse(Kind::MouseDown, 0, 1, 1), mouse(Kind::MouseDown, 2, 10, 20),
               mouse(Kind::MouseMove, 0, 11, 21), mouse(Kind::MouseMove, 0, 300, 400),
               mouse(Kind::MouseUp, 2, 300, 400), mouse(Kind::MouseUp, 0, 1, 1)});
  std::vector<Taken> taken = TakeAll(queue);
  ASSERT_EQ(taken.size(), 3u);
  EXPECT_EQ(taken[0].message, static_cast<UINT>(WM_RBUTTONDOWN));
  EXPECT_EQ(taken[1].message, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(LowWord(taken[1].lParam), 300);
  EXPECT_EQ(HighWord(taken[1].lParam), 400);
  EXPECT_EQ(taken[1].wParam & 2, 2u);  // MK_RBUTTON while held
  EXPECT_EQ(taken[2].message, static_cast<UINT>(WM_RBUTTONUP));
}

TEST(WebInput, QuitComesWhenTheQueueIsEmptyAndPaintLast) {
  MessageQueue queue;
  HWND dirty = kWindow;
  queue.PostQuit(255);
  Send(queue, {Down("KeyA", "a")});
  MSG message;
  ASSERT_TRUE(queue.Peek(message, nullptr, 0, 0, true, 5, dirty));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYDOWN));
  ASSERT_TRUE(queue.Peek(message, nullptr, 0, 0, true, 5, dirty));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(message.wParam, 255u);
  ASSERT_TRUE(queue.Peek(message, nullptr, 0, 0, true, 5, dirty));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
  EXPECT_FALSE(queue.Peek(message, nullptr, 0, 0, true, 5, nullptr));
}

}  // namespace
