// The page's audio output, fed from the shared mixer on the program's own
// thread: the page's memory is not shared with the audio thread, so the
// program mixes ahead of what the page plays and hands each stretch over
// (page/audio_worklet.js plays them).
//
// Mixing keeps kLeadMilliseconds ahead of the clock, in buffers of
// kBufferFrames, whenever the program waits or makes a sound: the frames
// follow the clock as a sound card's would, and the shared mixer places
// each sound at the frame of its call (platform/common/mixer.h).  Waits
// come back every kPumpMilliseconds while something sounds.  Silent
// buffers are not handed over: the page plays silence when it has nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/common/mixer.h"
#include "platform/web/web_browser.h"

namespace platform::web {

inline constexpr std::size_t kBufferFrames = 441;  // 10 ms
inline constexpr double kLeadMilliseconds = 60;
inline constexpr double kPumpMilliseconds = 10;

class WebAudio {
 public:
  // Opens the page's output; without one (or at another rate) the mixer
  // stays closed and the program mute, its waits unchanged.
  WebAudio(Browser& browser, common::Mixer& mixer);
  ~WebAudio() { Close(); }
  WebAudio(const WebAudio&) = delete;
  WebAudio& operator=(const WebAudio&) = delete;

  // Mixes what is due by now and hands it to the page.
  void Pump();
  // The program asked for a sound (or its end): waits come back to pump
  // until it has been heard out.
  void Asked();
  // Something sounded lately: waits should come back to pump.
  bool Sounding() const;
  void Close();

 private:
  Browser& browser_;
  common::Mixer& mixer_;
  bool open_ = false;
  double start_ = 0;            // the page's clock at frame 0
  std::uint64_t rendered_ = 0;  // frames mixed
  std::uint64_t lastSound_ = 0;  // the frame after the last buffer with sound
  std::vector<std::int16_t> buffer_;
};

}  // namespace platform::web
