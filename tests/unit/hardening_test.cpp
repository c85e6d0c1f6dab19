// Faults found by the fuzz targets in fuzz/, each kept here as the smallest
// input that showed it.
#include <gtest/gtest.h>

#include <cstdint>
#include <variant>
#include <vector>

#include "console/braille.h"
#include "console/console_window.h"
#include "console/keyboard.h"
#include "platform/sdl/sdl_wave.h"
#include "tests/support/recording_platform.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// "RIFF", a RIFF size, "WAVE", then a whole 16-bit mono image's chunks.
Bytes WaveWithRiffSize(std::uint8_t riffSize) {
  return Bytes{
      'R', 'I', 'F', 'F', riffSize, 0, 0, 0, 'W', 'A', 'V', 'E',
      'f', 'm', 't', ' ', 16, 0, 0, 0,
      1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0,  // PCM, mono, 22050 Hz
      'd', 'a', 't', 'a', 4, 0, 0, 0, 0x10, 0x00, 0x20, 0x00,
  };
}

// A RIFF size below 4 ends the image before its own "WAVE" tag; reading the
// chunks from byte 12 on then ran past the image and, in a short file, past
// the bytes themselves.
TEST(Hardening, WaveImageThatEndsBeforeItsWaveTagIsRefused) {
  for (std::uint8_t riffSize = 0; riffSize < 4; ++riffSize) {
    SCOPED_TRACE(static_cast<int>(riffSize));
    const Bytes image = WaveWithRiffSize(riffSize);
    const platform::sdl::WaveParse parsed = platform::sdl::ParseWave(image);
    ASSERT_TRUE(std::holds_alternative<platform::sdl::WaveError>(parsed));
    EXPECT_EQ(std::get<platform::sdl::WaveError>(parsed), platform::sdl::WaveError::NotRiffWave);
  }
  const Bytes whole = WaveWithRiffSize(40);
  EXPECT_TRUE(std::holds_alternative<platform::sdl::WaveView>(platform::sdl::ParseWave(whole)));
}

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
