// The console window's creation on first use.
#pragma once

namespace console {

// Creates and shows the window, with the configuration of MIRABO.INI, if
// it does not exist; the window procedure (console_window.h) then serves it.
void EnsureWindow();

}  // namespace console
