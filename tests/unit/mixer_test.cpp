#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/common/mixer.h"

namespace {

using platform::common::Mixer;
using platform::common::MixerCore;
using platform::common::Samples;
using platform::common::SoundClock;
using platform::common::Voice;
using namespace std::chrono_literals;

Samples Make(std::vector<std::int16_t> samples) {
  return std::make_shared<const std::vector<std::int16_t>>(std::move(samples));
}

std::vector<std::int16_t> Render(MixerCore& mixer, std::size_t count) {
  std::vector<std::int16_t> out(count, 999);
  mixer.Render(out.data(), count);
  return out;
}

TEST(Mixer, StartsAndStopsAtTheExactFrameInsideABuffer) {
  MixerCore mixer;
  mixer.Start(3, Voice::Tone, Make({5, 6}), true);
  mixer.Stop(8, Voice::Tone);
  EXPECT_EQ(Render(mixer, 10), (std::vector<std::int16_t>{0, 0, 0, 5, 6, 5, 6, 5, 0, 0}));
  EXPECT_TRUE(mixer.Silent());
}

TEST(Mixer, LoopsWithoutAGapAcrossBuffers) {
  MixerCore mixer;
  mixer.Start(0, Voice::Tone, Make({1, 2, 3}), true);
  std::vector<std::int16_t> all;
  for (int buffer = 0; buffer < 4; ++buffer) {
    auto part = Render(mixer, 2);
    all.insert(all.end(), part.begin(), part.end());
  }
  EXPECT_EQ(all, (std::vector<std::int16_t>{1, 2, 3, 1, 2, 3, 1, 2}));
  EXPECT_EQ(mixer.RenderedFrames(), 8u);
  EXPECT_FALSE(mixer.Silent());
}

TEST(Mixer, PlaysOnceThroughAndThenFallsSilent) {
  MixerCore mixer;
  mixer.Start(1, Voice::Speech, Make({7, 8, 9}), false);
  EXPECT_EQ(Render(mixer, 6), (std::vector<std::int16_t>{0, 7, 8, 9, 0, 0}));
  EXPECT_TRUE(mixer.Silent());
}

TEST(Mixer, ANewSoundOnAVoiceReplacesTheOldOne) {
  MixerCore mixer;
  mixer.Start(0, Voice::Speech, Make({1, 1, 1, 1, 1, 1}), false);
  mixer.Start(2, Voice::Speech, Make({4, 4}), false);
  EXPECT_EQ(Render(mixer, 6), (std::vector<std::int16_t>{1, 1, 4, 4, 0, 0}));
}

TEST(Mixer, AddsVoicesAndClipsTheSum) {
  MixerCore mixer;
  mixer.Start(0, Voice::Tone, Make({30000, -30000, 100}), false);
  mixer.Start(0, Voice::Speech, Make({30000, -30000, 100}), false);
  mixer.Start(0, Voice::Beep, Make({0, 0, 1}), false);
  EXPECT_EQ(Render(mixer, 3), (std::vector<std::int16_t>{32767, -32768, 201}));
}

TEST(Mixer, AnEventForAFrameAlreadyRenderedStartsWithTheNextBuffer) {
  MixerCore mixer;
  Render(mixer, 4);
  mixer.Start(1, Voice::Tone, Make({2}), true);
  EXPECT_EQ(Render(mixer, 2), (std::vector<std::int16_t>{2, 2}));
}

TEST(Mixer, KeepsTheOrderOfCallsEvenWhenALaterCallNamesAnEarlierFrame) {
  MixerCore mixer;
  mixer.Start(5, Voice::Tone, Make({3}), true);
  mixer.Stop(2, Voice::Tone);  // given after the start: must not be undone by it
  EXPECT_EQ(Render(mixer, 7), (std::vector<std::int16_t>{0, 0, 0, 0, 0, 0, 0}));
}

TEST(Mixer, AnEmptyLoopIsSilenceNotAHang) {
  MixerCore mixer;
  mixer.Start(0, Voice::Tone, Make({}), true);
  EXPECT_EQ(Render(mixer, 3), (std::vector<std::int16_t>{0, 0, 0}));
  EXPECT_TRUE(mixer.Silent());
}

// Without a device nothing would ever take the sounds: they are dropped,
// not queued without end, and a device opened later starts silent.
TEST(Mixer, DropsSoundsWhileNoDeviceIsOpen) {
  Mixer mixer;
  mixer.Play(Voice::Tone, Make({4, 4}), true);
  mixer.Open(2);
  std::vector<std::int16_t> out(2, 999);
  mixer.Render(out.data(), out.size());
  EXPECT_EQ(out, (std::vector<std::int16_t>{0, 0}));
  mixer.Play(Voice::Tone, Make({4}), true);
  mixer.Render(out.data(), out.size());
  mixer.Render(out.data(), out.size());
  EXPECT_EQ(out, (std::vector<std::int16_t>{4, 4}));
  mixer.Close();
  mixer.Stop(Voice::Tone);  // dropped too: the tone goes on in what was mixed
  mixer.Render(out.data(), out.size());
  EXPECT_EQ(out, (std::vector<std::int16_t>{4, 4}));
}

// The moment of each call comes from the clock the device opened with:
// here a virtual one, so the frames are exact.
TEST(Mixer, PlacesEachCallAtTheFrameItsDevicesClockGives) {
  Mixer mixer;
  SoundClock::Clock::time_point now{};
  mixer.Open(100, [&] { return now; });
  std::vector<std::int16_t> out(100, 999);
  mixer.Render(out.data(), out.size());  // frames 0..99; the device plays on
  now += 1ms;                            // 44 frames at 44100 Hz
  mixer.Play(Voice::Tone, Make({7}), true);
  mixer.Render(out.data(), out.size());  // frames 100..199
  EXPECT_EQ(out[43], 0);
  EXPECT_EQ(out[44], 7);
  now += 3ms;  // 132 frames after the start
  mixer.Stop(Voice::Tone);
  mixer.Render(out.data(), out.size());  // frames 200..299
  EXPECT_EQ(out[75], 7);
  EXPECT_EQ(out[76], 0);
}

// --- The clock ----------------------------------------------------------------

constexpr int kRate = 1000;  // one frame per millisecond keeps the arithmetic readable
constexpr std::size_t kBuffer = 20;
const SoundClock::Clock::time_point kStart{};

TEST(SoundClock, StartsASoundOneBufferAfterTheFramesAlreadyRendered) {
  SoundClock clock(kRate, kBuffer);
  clock.BufferRequested(kStart, 100);  // frames 100..119 rendered now
  EXPECT_EQ(clock.FrameFor(kStart + 5ms, true), 125u);
}

TEST(SoundClock, FollowsTheWallClockExactlyWithinOneStretchOfSound) {
  SoundClock clock(kRate, kBuffer);
  clock.BufferRequested(kStart, 0);
  std::uint64_t start = clock.FrameFor(kStart + 3ms, true);
  // The device asks late and early; the stop still lands 200 frames on.
  clock.BufferRequested(kStart + 27ms, 20);
  clock.BufferRequested(kStart + 38ms, 40);
  clock.BufferRequested(kStart + 201ms, 180);
  std::uint64_t stop = clock.FrameFor(kStart + 203ms, false);
  EXPECT_EQ(stop - start, 200u);
}

TEST(SoundClock, TakesANewAnchorOnceTheMixerHasFallenSilent) {
  SoundClock clock(kRate, kBuffer);
  clock.BufferRequested(kStart, 0);
  clock.FrameFor(kStart, true);
  // The device ran slow: at 500 ms only 400 frames are rendered.
  clock.BufferRequested(kStart + 500ms, 400);
  EXPECT_EQ(clock.FrameFor(kStart + 500ms, true), 420u);
}

TEST(SoundClock, GivesUpAnAnchorWhoseFrameIsAlreadyRendered) {
  SoundClock clock(kRate, kBuffer);
  clock.BufferRequested(kStart, 0);
  clock.FrameFor(kStart, true);  // anchored at frame 20
  // The device ran fast: at 100 ms it has rendered 300 frames.
  clock.BufferRequested(kStart + 100ms, 280);
  EXPECT_EQ(clock.FrameFor(kStart + 100ms, false), 300u);
}

TEST(SoundClock, StartsAtTheFirstBufferWhenTheDeviceHasNotAskedYet) {
  SoundClock clock(kRate, kBuffer);
  EXPECT_EQ(clock.FrameFor(kStart, true), 0u);
}

}  // namespace
