// Faults found by the fuzz targets in fuzz/, each kept here as the smallest
// input that showed it.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "console/braille.h"
#include "console/console_window.h"
#include "console/key_queue.h"
#include "console/keyboard.h"
#include "tests/support/recording_platform.h"

namespace {

// Ctrl+Alt+F12 sounds its signal through Delay, which serves the keys that
// arrive meanwhile while braille entry is still on.  A chord key pressed
// then stayed in the chord after braille entry was off, and once it was
// back on, no chord completed until that key went up again.
TEST(Hardening, ChordKeyPressedWhileTheOffSignalSoundsDoesNotOutliveBrailleEntry) {
  using namespace platform;
  doubles::PlatformFixture fixture;
  doubles::RecordingPlatform& os = fixture.os();
  os.iniText = "[BRAILLE]\nMODO=1\n";
  console::StartConsole();
  console::EnsureWindow();
  ASSERT_EQ(console::BrailleMode(), 1);

  os.ScriptKey(os.now + 50, 'F', {{VK_CONTROL, false}, {VK_MENU, false}});
  os.SetKeyDown(VK_CONTROL, true);
  os.SetKeyDown(VK_MENU, true);
  console::OnKeyDown(VK_F12);
  EXPECT_EQ(console::BrailleMode(), 0);
  EXPECT_EQ(console::Chord().ChordDots, 0);
  EXPECT_EQ(console::Chord().HeldDots, 0);

  os.SetKeyDown(VK_CONTROL, true);
  os.SetKeyDown(VK_MENU, true);
  console::OnKeyDown(VK_F11);
  os.SetKeyDown(VK_CONTROL, false);
  os.SetKeyDown(VK_MENU, false);
  console::KeyQueue() = {};
  console::OnKeyDown('D');
  console::OnKeyUp('D');
  ASSERT_EQ(console::KeyQueue().count, 1);
  EXPECT_EQ(console::KeyQueue().bytes[0], ',');
}

}  // namespace
