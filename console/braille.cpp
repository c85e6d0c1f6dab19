// Placeholder until chord entry lands.
#include "console/braille.h"

namespace console {

namespace {
ChordState chord;
}

ChordState& Chord() { return chord; }
bool ChordKeyDown(std::uint8_t) { return false; }
bool ChordKeyUp(std::uint8_t) { return false; }
void ClearChordState() { chord = ChordState{}; }

}  // namespace console
