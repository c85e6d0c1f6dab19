// The message pump: every wait of the program serves the window's messages
// through it, the speech's Delay among them.  A quit message ends the
// program here, as Ctrl+Break does.
#pragma once

#include <cstdint>

namespace console {

void PumpMessages();

// Sleeps, then serves the messages that came meanwhile.
void Delay(std::uint16_t milliseconds);

// Ends the program at once with exit code 255.
[[noreturn]] void AbortProgram();

}  // namespace console
