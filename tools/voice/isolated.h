// Work done in a child process, so that it starts from this process's state
// as it is now and leaves it as it was: espeak-ng carries state from one
// utterance to the next that no call of its interface resets.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "tools/voice/sound.h"

namespace voice {

// Runs work in a child and brings back its samples, with the extraSize
// bytes at extra as the child left them (plain data, such as a note), or
// nothing with the child's error.
std::optional<Samples> InChildProcess(const std::function<std::optional<Samples>(std::string&)>& work,
                                      void* extra, std::size_t extraSize, std::string& error);

}  // namespace voice
