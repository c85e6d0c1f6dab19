// Six-key braille chord entry on F D S J K L and the space bar, and the
// switch between braille modes with its signals.
#pragma once

#include <cstdint>

namespace console {

struct ChordState {
  std::uint8_t ChordDots = 0;
  std::uint8_t HeldDots = 0;
  bool CapitalPending = false;
  bool CapitalLock = false;
  bool NumberMode = false;
};

ChordState& Chord();

bool ChordKeyDown(std::uint8_t virtualKey);
bool ChordKeyUp(std::uint8_t virtualKey);
// Mode 2's number and capital signs applied to a completed chord's
// character; answers 0xFE when the chord was a sign and types nothing.
std::uint8_t ApplyBrailleSigns(std::uint8_t character);
void ClearChordState();

// Sets BrailleMode (3 and above are 1) and sounds the new mode's signal.
// A switch made while this one's signal sounds (its Delays serve the keys)
// takes over: this one then sounds no more and stores nothing.
void SetBrailleMode(int mode);

// The mode the last switch asked for: BrailleMode, or while switches'
// signals sound, the mode of the latest.  Ctrl+Alt+F11 steps on from it.
int RequestedBrailleMode();

}  // namespace console
