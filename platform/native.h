// The backend that the program runs on: the real Win32 calls on Windows,
// the SDL2 stand-in elsewhere.  Exactly one backend library defines it.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace platform {

std::unique_ptr<Platform> CreateNativePlatform();

}  // namespace platform
