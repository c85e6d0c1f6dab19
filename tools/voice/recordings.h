// A human voice for the game: a folder with one WAV file per segment, named
// by the segment's number (7.wav, 07.wav or 007.wav).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/voice/fragments.h"

namespace voice {

// Below this peak (-60 dBFS) a recording counts as silent.
inline constexpr double SilentPeak = 0.001;

// The 87 fragments, shaped like the synthesised ones, or nothing and every
// problem found, one line per segment ("segment 12: no recording ...").
std::optional<Fragments> LoadRecordings(const std::filesystem::path& folder,
                                        std::vector<std::string>& problems);

}  // namespace voice
