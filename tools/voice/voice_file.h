// fones.DAT: every fragment at its segment's first sample, silence
// everywhere else.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "tools/voice/fragments.h"

namespace voice {

// The last range ends at the table's largest end; a tenth of a second of
// silence follows, so that a device that reads a little past the end of a
// range still finds samples.
std::size_t VoiceFileLength(int rate);

// The whole file's samples.  A fragment longer than its budget is a fault
// of the caller and is cut to it.
Samples LayOut(const Fragments& fragments, int rate);

// Writes the file whole or not at all.
bool WriteVoiceFile(const std::filesystem::path& path, const Fragments& fragments,
                    std::string& error);

}  // namespace voice
