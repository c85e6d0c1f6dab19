// The mixer behind a stand-in's one audio device: independent voices of
// 16-bit mono samples at the device rate, started and stopped at exact frame
// numbers, and the clock that turns the moment of a call into such a frame.
// The backend's device pulls the mix (Mixer::Render) from its own thread.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform::common {

using Samples = std::shared_ptr<const std::vector<std::int16_t>>;

enum class Voice : std::size_t {
  Tone,    // the looping image of sndPlaySoundA
  Speech,  // the sample range of the MCI device
  Beep,    // MessageBeep
};
inline constexpr std::size_t kVoiceCount = 3;

class MixerCore {
 public:
  // From `frame` on, the voice plays `samples` (once, or repeated without
  // a gap), replacing whatever it played.  Events take effect in the order
  // they were given; one given for a frame already rendered takes effect at
  // the start of the next rendered buffer.
  void Start(std::uint64_t frame, Voice voice, Samples samples, bool loop);
  // From `frame` on, the voice is silent.
  void Stop(std::uint64_t frame, Voice voice);

  // Mixes the next `count` frames: the voices are added and clipped.
  void Render(std::int16_t* out, std::size_t count);

  std::uint64_t RenderedFrames() const { return rendered_; }
  // Nothing plays and nothing is waiting to start.
  bool Silent() const;

 private:
  struct Event {
    std::uint64_t frame;
    Voice voice;
    Samples samples;  // null: stop
    bool loop;
  };
  struct Playing {
    Samples samples;
    std::size_t position = 0;
    bool loop = false;
  };

  void Schedule(Event event);
  void Apply(Event& event);

  std::deque<Event> events_;
  std::array<std::optional<Playing>, kVoiceCount> voices_;
  std::vector<std::int32_t> sum_;
  std::uint64_t rendered_ = 0;
};

// Turns the moment of a call into the frame at which its sound starts.
//
// The device renders a buffer ahead of what it plays, so a sound asked for
// at time t can start no earlier than the end of the last rendered buffer
// plus the time since that buffer was asked for.  Within one stretch of
// sound the frames follow the wall clock exactly, from an anchor taken
// when the stretch began: a tone started and stopped 200 ms later lasts
// 200 ms of frames even when buffers are asked for unevenly.  A new anchor
// is taken when the mixer has fallen silent, or when the device has drifted
// so far from the wall clock that the anchored frame is already rendered or
// lies too far ahead.
class SoundClock {
 public:
  using Clock = std::chrono::steady_clock;

  SoundClock(int rate, std::size_t bufferFrames) : rate_(rate), bufferFrames_(bufferFrames) {}

  // The device asks for a buffer: `renderedBefore` frames were rendered
  // before it.  Called from the device callback, under the device lock.
  void BufferRequested(Clock::time_point when, std::uint64_t renderedBefore);

  std::uint64_t FrameFor(Clock::time_point when, bool mixerSilent);

 private:
  std::uint64_t Frames(Clock::duration elapsed) const;

  int rate_;
  std::size_t bufferFrames_;
  bool haveBuffer_ = false;
  Clock::time_point bufferTime_;
  std::uint64_t renderedEnd_ = 0;  // frames rendered once the last buffer is done
  bool anchored_ = false;
  Clock::time_point anchorTime_;
  std::uint64_t anchorFrame_ = 0;
};

// The device's side and the program's side of the mixer, each call under
// one lock.  Until Open, and after Close, sounds are dropped: without a
// device nothing would ever take them.
class Mixer {
 public:
  static constexpr int kRate = 44100;
  using Now = std::function<SoundClock::Clock::time_point()>;

  // `now` tells the moment of each call: the device's own clock where it
  // has one (a page's), a test's, or the system's.
  void Open(std::size_t bufferFrames, Now now = &SoundClock::Clock::now);
  void Close();
  // The device asks for the next `count` frames.
  void Render(std::int16_t* out, std::size_t count);
  // From now on, the voice plays `samples` (or nothing).
  void Play(Voice voice, Samples samples, bool loop);
  void Stop(Voice voice);

 private:
  std::mutex lock_;
  bool open_ = false;
  Now now_;
  MixerCore core_;
  SoundClock clock_{kRate, 1};
};

}  // namespace platform::common
