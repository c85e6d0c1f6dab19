#include <gtest/gtest.h>

#include "platform/sdl/sdl_platform.h"

namespace {

using namespace platform;
using platform::sdl::SidedVirtualKeyOf;
using platform::sdl::VirtualKeyOf;

int Vk(SDL_Keycode key, Uint16 modifiers = KMOD_NONE,
       SDL_Scancode scancode = SDL_SCANCODE_UNKNOWN) {
  return VirtualKeyOf(key, scancode, modifiers);
}

TEST(SdlKeys, LettersAndDigitsAreTheirUpperCaseAsciiCodes) {
  EXPECT_EQ(Vk(SDLK_a), 'A');
  EXPECT_EQ(Vk(SDLK_z, KMOD_SHIFT), 'Z');
  EXPECT_EQ(Vk(SDLK_f), 0x46);  // braille dot 1
  EXPECT_EQ(Vk(SDLK_0), '0');
  EXPECT_EQ(Vk(SDLK_9), '9');
}

TEST(SdlKeys, FunctionAndCursorKeysAreTheWin32Codes) {
  EXPECT_EQ(Vk(SDLK_F1), 0x70);
  EXPECT_EQ(Vk(SDLK_F10), 0x79);
  EXPECT_EQ(Vk(SDLK_F12), 0x7B);
  EXPECT_EQ(Vk(SDLK_INSERT), 0x2D);
  EXPECT_EQ(Vk(SDLK_DELETE), 0x2E);
  EXPECT_EQ(Vk(SDLK_HOME), 0x24);
  EXPECT_EQ(Vk(SDLK_END), 0x23);
  EXPECT_EQ(Vk(SDLK_PAGEUP), 0x21);
  EXPECT_EQ(Vk(SDLK_PAGEDOWN), 0x22);
  EXPECT_EQ(Vk(SDLK_LEFT), 0x25);
  EXPECT_EQ(Vk(SDLK_UP), 0x26);
  EXPECT_EQ(Vk(SDLK_RIGHT), 0x27);
  EXPECT_EQ(Vk(SDLK_DOWN), 0x28);
  EXPECT_EQ(Vk(SDLK_RETURN), 0x0D);
  EXPECT_EQ(Vk(SDLK_BACKSPACE), 0x08);
  EXPECT_EQ(Vk(SDLK_ESCAPE), 0x1B);
  EXPECT_EQ(Vk(SDLK_TAB), 0x09);
  EXPECT_EQ(Vk(SDLK_SPACE), 0x20);
}

TEST(SdlKeys, CtrlBreakIsVkCancelAndPauseAloneIsVkPause) {
  EXPECT_EQ(Vk(SDLK_PAUSE, KMOD_LCTRL), 0x03);
  EXPECT_EQ(Vk(SDLK_PAUSE, KMOD_RCTRL), 0x03);
  EXPECT_EQ(Vk(SDLK_PAUSE), 0x13);
}

TEST(SdlKeys, ModifiersOfEitherSideAreTheGenericKeyWithSidedCodesBeside) {
  EXPECT_EQ(Vk(SDLK_LSHIFT), 0x10);
  EXPECT_EQ(Vk(SDLK_RSHIFT), 0x10);
  EXPECT_EQ(Vk(SDLK_LCTRL), 0x11);
  EXPECT_EQ(Vk(SDLK_RCTRL), 0x11);
  EXPECT_EQ(Vk(SDLK_LALT), 0x12);
  EXPECT_EQ(Vk(SDLK_RALT), 0x12);
  EXPECT_EQ(SidedVirtualKeyOf(SDLK_LSHIFT), 0xA0);
  EXPECT_EQ(SidedVirtualKeyOf(SDLK_RCTRL), 0xA3);
  EXPECT_EQ(SidedVirtualKeyOf(SDLK_LALT), 0xA4);
  EXPECT_EQ(SidedVirtualKeyOf(SDLK_a), 0);
}

TEST(SdlKeys, KeypadDigitsFollowNumLock) {
  EXPECT_EQ(Vk(SDLK_KP_1, KMOD_NUM), 0x61);
  EXPECT_EQ(Vk(SDLK_KP_1), 0x23);  // End
  EXPECT_EQ(Vk(SDLK_KP_8), 0x26);  // Up
  EXPECT_EQ(Vk(SDLK_KP_0), 0x2D);  // Insert
  EXPECT_EQ(Vk(SDLK_KP_PERIOD, KMOD_NUM), 0x6E);
  EXPECT_EQ(Vk(SDLK_KP_PERIOD), 0x2E);
  EXPECT_EQ(Vk(SDLK_KP_ENTER), 0x0D);
}

TEST(SdlKeys, LettersAndDigitsTheLayoutRelabelsAreNamedByTheirPlace) {
  // AZERTY's 1 key gives '&'; a Portuguese layout puts e-acute on 2.
  EXPECT_EQ(Vk(SDLK_AMPERSAND, KMOD_NONE, SDL_SCANCODE_1), '1');
  EXPECT_EQ(Vk(0xE9, KMOD_NONE, SDL_SCANCODE_2), '2');
  EXPECT_EQ(Vk(0x3C9, KMOD_NONE, SDL_SCANCODE_W), 'W');
}

TEST(SdlKeys, KeysTheProgramDoesNotLookAtArePackets) {
  EXPECT_EQ(Vk(0xE7, KMOD_NONE, SDL_SCANCODE_SEMICOLON), VK_PACKET);  // c-cedilla
  EXPECT_EQ(Vk(SDLK_CAPSLOCK, KMOD_NONE, SDL_SCANCODE_CAPSLOCK), VK_PACKET);
  EXPECT_EQ(Vk(SDLK_UNKNOWN), VK_PACKET);
}

}  // namespace
