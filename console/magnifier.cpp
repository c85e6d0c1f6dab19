// Placeholder until the magnifier lands.
#include "console/magnifier.h"

namespace console {

namespace {
MagnifierState magnifier;
}

MagnifierState& Magnifier() { return magnifier; }
void OnRightButtonDown(platform::LPARAM) {}
void OnMouseMove(platform::LPARAM) {}
void OnRightButtonUp() {}

}  // namespace console
