// Hearing what the game will say without playing it: messages, numbers or
// any list of segments, rendered from fones.DAT with the game's own timing.
// Each segment starts where the one before it started plus its wait,
// (end - start) div 30 ms, and the next play cuts whatever still sounds.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/voice/sound.h"

namespace voice {

struct PreviewStep {
  enum class Kind { Segment, Beep, Pause };
  Kind kind = Kind::Segment;
  int segment = 0;
  bool operator==(const PreviewStep&) const = default;
};

// What to preview, as parts joined by '+':
//   segments:8,24,69    those segments
//   message:Prompt      a message (its name with or without Message), with
//                       the short beep and the pause that end every message
//   speech:Prompt       what a message says, without that beep and pause
//   number:21           what SpeakNumber says for 21
//   numbers:0..30       each number in turn, with a pause after each
//   beep, pause         the short beep (5000 Hz, 75 ms), the 500 ms pause
std::optional<std::vector<PreviewStep>> ParsePreview(std::string_view what, std::string& error);

// The messages' names and printed lines, for --list-messages (UTF-8).
std::string MessageList();

// The sound of steps played from voiceFile, at the file's rate.
Samples RenderPreview(const Sound& voiceFile, const std::vector<PreviewStep>& steps);

}  // namespace voice
