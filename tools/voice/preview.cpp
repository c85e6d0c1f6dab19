#include "tools/voice/preview.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>

#include "letras/number_speaker.h"
#include "letras/short_beep.h"
#include "messages/message_table.h"
#include "messages/messages.h"
#include "platform/common/cp1252.h"
#include "synt/segment_table.h"

namespace voice {

namespace {

// The tone generator's square wave swings 32 either side of 128 in 8 bits.
constexpr float BeepAmplitude = 0.25f;

std::optional<long> ParseInteger(std::string_view text) {
  long value = 0;
  auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (failure != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

void AddSegments(const std::vector<int>& segments, std::vector<PreviewStep>& steps) {
  for (int segment : segments) steps.push_back({PreviewStep::Kind::Segment, segment});
}

bool AddNumber(std::string_view text, std::vector<PreviewStep>& steps) {
  auto value = ParseInteger(text);
  if (!value || *value < INT32_MIN || *value > INT32_MAX) return false;
  AddSegments(letras::NumberSegments(static_cast<std::int32_t>(*value)), steps);
  return true;
}

bool AddPart(std::string_view part, std::vector<PreviewStep>& steps, std::string& error) {
  const auto colon = part.find(':');
  const std::string_view kind = part.substr(0, colon);
  const std::string_view value = colon == std::string_view::npos ? "" : part.substr(colon + 1);
  if (kind == "beep" && colon == std::string_view::npos) {
    steps.push_back({PreviewStep::Kind::Beep, 0});
    return true;
  }
  if (kind == "pause" && colon == std::string_view::npos) {
    steps.push_back({PreviewStep::Kind::Pause, 0});
    return true;
  }
  if (kind == "segments") {
    std::string_view rest = value;
    while (!rest.empty()) {
      const auto comma = rest.find(',');
      auto number = ParseInteger(rest.substr(0, comma));
      if (!number || *number < 1 || *number > synt::SegmentCount) {
        error = "segments are numbered 1 to 87: " + std::string(rest.substr(0, comma));
        return false;
      }
      steps.push_back({PreviewStep::Kind::Segment, static_cast<int>(*number)});
      rest = comma == std::string_view::npos ? "" : rest.substr(comma + 1);
    }
    if (value.empty()) error = "segments: needs a list such as segments:8,24,69";
    return !value.empty();
  }
  if (kind == "message") {
    for (std::size_t i = 0; i < messages::MessageCount; ++i) {
      const std::string_view name = messages::MessageTable[i].name;
      const std::string_view shortName = name.substr(std::string_view("Message").size());
      if (SameLetters(value, name) || SameLetters(value, shortName)) {
        AddSegments(messages::MessageSegments(static_cast<messages::MessageId>(i)), steps);
        steps.push_back({PreviewStep::Kind::Beep, 0});
        steps.push_back({PreviewStep::Kind::Pause, 0});
        return true;
      }
    }
    error = "no message named " + std::string(value) + " (see --list-messages)";
    return false;
  }
  if (kind == "number") {
    if (AddNumber(value, steps)) return true;
    error = "not a number: " + std::string(value);
    return false;
  }
  if (kind == "numbers") {
    const auto dots = value.find("..");
    auto first = ParseInteger(value.substr(0, dots));
    auto last = dots == std::string_view::npos ? std::nullopt : ParseInteger(value.substr(dots + 2));
    if (!first || !last || *first > *last || *last - *first > 1000) {
      error = "numbers: needs a range such as numbers:0..30";
      return false;
    }
    for (long number = *first; number <= *last; ++number) {
      AddNumber(std::to_string(number), steps);
      steps.push_back({PreviewStep::Kind::Pause, 0});
    }
    return true;
  }
  error = "cannot preview \"" + std::string(part) + "\"";
  return false;
}

}  // namespace

std::optional<std::vector<PreviewStep>> ParsePreview(std::string_view what, std::string& error) {
  std::vector<PreviewStep> steps;
  while (true) {
    const auto plus = what.find('+');
    if (!AddPart(what.substr(0, plus), steps, error)) return std::nullopt;
    if (plus == std::string_view::npos) break;
    what = what.substr(plus + 1);
  }
  return steps;
}

std::string MessageList() {
  std::string list;
  for (const messages::Message& message : messages::MessageTable) {
    list += std::string(message.name.substr(7)) + ":";
    for (std::size_t line = 0; line < message.lineCount; ++line) {
      list += " \"" + platform::common::Utf8FromCp1252(message.lines[line]) + "\"";
    }
    list += "\n";
  }
  return list;
}

Samples RenderPreview(const Sound& voiceFile, const std::vector<PreviewStep>& steps) {
  const int rate = voiceFile.rate;
  auto at = [rate](std::int64_t milliseconds) {
    return static_cast<std::size_t>(milliseconds * rate / 1000);
  };
  struct Play {
    std::size_t from;  // in the output
    std::size_t first;
    std::size_t end;  // in the file
  };
  std::vector<Play> plays;
  std::vector<std::size_t> beeps;
  std::int64_t now = 0;  // ms, as the game counts its waits
  for (const PreviewStep& step : steps) {
    switch (step.kind) {
      case PreviewStep::Kind::Segment: {
        const synt::Segment& segment = synt::SegmentNumber(step.segment);
        plays.push_back({at(now), static_cast<std::size_t>(synt::DecimalValue(segment.start)),
                         static_cast<std::size_t>(synt::DecimalValue(segment.end))});
        now += synt::SegmentWait(segment);
        break;
      }
      case PreviewStep::Kind::Beep:
        beeps.push_back(at(now));
        now += letras::ShortBeepLength;
        break;
      case PreviewStep::Kind::Pause:
        now += messages::PauseLength;
        break;
    }
  }
  std::size_t length = at(now);
  for (const Play& play : plays) length = std::max(length, play.from + (play.end - play.first));
  Samples output(length, 0.0f);
  for (std::size_t i = 0; i < plays.size(); ++i) {
    const Play& play = plays[i];
    std::size_t count = play.end - play.first;
    // The next play command takes the device over from this one.
    if (i + 1 < plays.size()) count = std::min(count, plays[i + 1].from - play.from);
    for (std::size_t k = 0; k < count && play.first + k < voiceFile.samples.size(); ++k) {
      output[play.from + k] += voiceFile.samples[play.first + k];
    }
  }
  const std::size_t beepLength = at(letras::ShortBeepLength);
  for (std::size_t from : beeps) {
    for (std::size_t k = 0; k < beepLength && from + k < output.size(); ++k) {
      // Half periods of a 5000 Hz square wave, counted from the tone's start.
      const std::size_t halfPeriods = k * 2 * letras::ShortBeepFrequency / static_cast<std::size_t>(rate);
      output[from + k] += halfPeriods % 2 == 0 ? -BeepAmplitude : BeepAmplitude;
    }
  }
  for (float& sample : output) sample = std::clamp(sample, -1.0f, 1.0f);
  return output;
}

}  // namespace voice
