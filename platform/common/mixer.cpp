#include "platform/common/mixer.h"

#include <algorithm>

namespace platform::common {

void MixerCore::Start(std::uint64_t frame, Voice voice, Samples samples, bool loop) {
  if (!samples) samples = std::make_shared<const std::vector<std::int16_t>>();
  Schedule(Event{frame, voice, std::move(samples), loop});
}

void MixerCore::Stop(std::uint64_t frame, Voice voice) {
  Schedule(Event{frame, voice, nullptr, false});
}

void MixerCore::Schedule(Event event) {
  // Keep the order of the calls even if a later call names an earlier frame.
  if (!events_.empty()) event.frame = std::max(event.frame, events_.back().frame);
  events_.push_back(std::move(event));
}

void MixerCore::Apply(Event& event) {
  auto& slot = voices_[static_cast<std::size_t>(event.voice)];
  if (event.samples && !event.samples->empty()) {
    slot = Playing{std::move(event.samples), 0, event.loop};
  } else {
    slot.reset();
  }
}

bool MixerCore::Silent() const {
  return events_.empty() &&
         std::none_of(voices_.begin(), voices_.end(), [](const auto& v) { return v.has_value(); });
}

void MixerCore::Render(std::int16_t* out, std::size_t count) {
  sum_.assign(count, 0);
  std::int32_t* sum = sum_.data();
  std::size_t done = 0;
  while (done < count) {
    // Events due by this frame take effect first.
    while (!events_.empty() && events_.front().frame <= rendered_ + done) {
      Apply(events_.front());
      events_.pop_front();
    }
    std::size_t stretch = count - done;
    if (!events_.empty()) {
      stretch = static_cast<std::size_t>(
          std::min<std::uint64_t>(stretch, events_.front().frame - (rendered_ + done)));
    }
    for (auto& slot : voices_) {
      if (!slot) continue;
      const std::vector<std::int16_t>& samples = *slot->samples;
      std::size_t i = 0;
      while (i < stretch) {
        std::size_t run = std::min(stretch - i, samples.size() - slot->position);
        for (std::size_t k = 0; k < run; ++k) sum[done + i + k] += samples[slot->position + k];
        i += run;
        slot->position += run;
        if (slot->position == samples.size()) {
          if (!slot->loop) break;
          slot->position = 0;
        }
      }
      if (slot->position == samples.size() && !slot->loop) slot.reset();
    }
    done += stretch;
  }
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = static_cast<std::int16_t>(std::clamp(sum[i], -32768, 32767));
  }
  rendered_ += count;
}

// ---------------------------------------------------------------------------

std::uint64_t SoundClock::Frames(Clock::duration elapsed) const {
  if (elapsed <= Clock::duration::zero()) return 0;
  auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
  return static_cast<std::uint64_t>(nanoseconds) * static_cast<std::uint64_t>(rate_) /
         1'000'000'000u;
}

void SoundClock::BufferRequested(Clock::time_point when, std::uint64_t renderedBefore) {
  haveBuffer_ = true;
  bufferTime_ = when;
  renderedEnd_ = renderedBefore + bufferFrames_;
}

std::uint64_t SoundClock::FrameFor(Clock::time_point when, bool mixerSilent) {
  if (!haveBuffer_) {
    // The device has not asked for anything yet: its first buffer starts
    // with whatever is asked for now.
    haveBuffer_ = true;
    bufferTime_ = when;
    renderedEnd_ = 0;
  }
  std::uint64_t earliest = renderedEnd_ + Frames(when - bufferTime_);
  if (anchored_ && !mixerSilent) {
    std::uint64_t frame = anchorFrame_ + Frames(when - anchorTime_);
    // Within three buffers of the estimate the anchor still holds.
    if (frame >= renderedEnd_ && frame <= earliest + 3 * bufferFrames_) return frame;
  }
  anchored_ = true;
  anchorTime_ = when;
  anchorFrame_ = earliest;
  return earliest;
}

// ---------------------------------------------------------------------------

void Mixer::Open(std::size_t bufferFrames, Now now) {
  std::lock_guard hold(lock_);
  now_ = std::move(now);
  clock_ = SoundClock(kRate, bufferFrames);
  open_ = true;
}

void Mixer::Close() {
  std::lock_guard hold(lock_);
  open_ = false;
}

void Mixer::Render(std::int16_t* out, std::size_t count) {
  std::lock_guard hold(lock_);
  if (open_) clock_.BufferRequested(now_(), core_.RenderedFrames());
  core_.Render(out, count);
}

void Mixer::Play(Voice voice, Samples samples, bool loop) {
  std::lock_guard hold(lock_);
  if (!open_) return;
  core_.Start(clock_.FrameFor(now_(), core_.Silent()), voice, std::move(samples), loop);
}

void Mixer::Stop(Voice voice) {
  std::lock_guard hold(lock_);
  if (open_) core_.Stop(clock_.FrameFor(now_(), core_.Silent()), voice);
}

}  // namespace platform::common
