// Reading WAV files of the common kinds and writing fones.DAT.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/voice/sound.h"

namespace voice {

// PCM with 8, 16, 24 or 32 bits, or IEEE float with 32 or 64 bits, plain or
// WAVE_FORMAT_EXTENSIBLE, any number of channels (mixed down to mono), any
// rate.  On failure answers nothing and says why in error.
std::optional<Sound> DecodeWav(const std::vector<std::uint8_t>& bytes, std::string& error);
std::optional<Sound> ReadWav(const std::filesystem::path& path, std::string& error);

// A 44-byte header and 16-bit mono PCM.  Samples beyond full scale are clamped.
std::vector<std::uint8_t> EncodeWav16(const Samples& samples, int rate);

// Writes bytes to a temporary file beside path and renames it over path, so
// that path is either untouched or complete.
bool WriteFileAtomically(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes,
                         std::string& error);

// The 16-bit value a float sample is written as.
std::int16_t ToPcm16(float sample);

}  // namespace voice
