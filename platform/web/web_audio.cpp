#include "platform/web/web_audio.h"

#include <algorithm>
#include <cmath>

namespace platform::web {

namespace {

// After the last sound, the waits still pump this long: a voice ending
// within a buffer still needs its tail handed over.
constexpr std::uint64_t kQuietFrames = common::Mixer::kRate / 10;

}  // namespace

WebAudio::WebAudio(Browser& browser, common::Mixer& mixer)
    : browser_(browser), mixer_(mixer), buffer_(kBufferFrames) {
  if (browser_.OpenAudio() != common::Mixer::kRate) return;
  open_ = true;
  start_ = browser_.Now();
  mixer_.Open(kBufferFrames);
}

void WebAudio::Pump() {
  if (!open_) return;
  double due = (browser_.Now() - start_ + kLeadMilliseconds) * common::Mixer::kRate / 1000.0;
  while (static_cast<double>(rendered_ + kBufferFrames) <= due) {
    mixer_.Render(buffer_.data(), kBufferFrames);
    bool sound = std::any_of(buffer_.begin(), buffer_.end(), [](std::int16_t s) { return s != 0; });
    if (sound) {
      browser_.PlayAudio(buffer_.data(), kBufferFrames, rendered_);
      lastSound_ = rendered_ + kBufferFrames;
    }
    rendered_ += kBufferFrames;
  }
}

void WebAudio::Asked() {
  auto lead = static_cast<std::uint64_t>(kLeadMilliseconds * common::Mixer::kRate / 1000);
  lastSound_ = std::max(lastSound_, rendered_ + lead);
}

bool WebAudio::Sounding() const { return open_ && rendered_ < lastSound_ + kQuietFrames; }

void WebAudio::Close() {
  if (!open_) return;
  open_ = false;
  mixer_.Close();
  browser_.CloseAudio();
}

}  // namespace platform::web
