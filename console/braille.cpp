// Six-key braille chord entry: F D S J K L are dots 1 to 6 and the space
// bar a seventh chord key.  A chord becomes one character when its last key
// is released.
//
// Windows may drop the WM_KEYUP of the first of two keys released at the
// same moment; the chord then completes on the next release of that key.
#include "console/braille.h"

#include <algorithm>
#include <array>

#include "console/key_queue.h"
#include "console/message_pump.h"
#include "console/tone.h"
#include "platform/platform.h"
#include "runtime/module_state.h"

namespace console {

namespace {

struct ChordKey {
  std::uint8_t virtualKey;
  std::uint8_t bit;
};

constexpr std::uint8_t SpaceBarBit = 0x40;
constexpr std::uint8_t DotBits = 0x3F;

constexpr std::array<ChordKey, 7> ChordKeys = {{
    {'F', 0x01},          // dot 1
    {'D', 0x02},          // dot 2
    {'S', 0x04},          // dot 3
    {'J', 0x08},          // dot 4
    {'K', 0x10},          // dot 5
    {'L', 0x20},          // dot 6
    {' ', SpaceBarBit},   // the space bar: no dot
}};
static_assert(ChordKeys.size() == 7);

constexpr std::uint8_t CapitalSign = 0x7B;  // dots 4 6
constexpr std::uint8_t NumberSign = 0x23;   // dots 3 4 5 6
constexpr std::uint8_t NoCharacter = 0xFE;

// Windows-1252 characters, indexed by the dot bits (bit 0 = dot 1).
constexpr std::array<std::uint8_t, 64> BrailleTable = {
    0x20,  //  0: no dots, space
    0x61,  //  1: 1, a
    0x2C,  //  2: 2, comma
    0x62,  //  3: 1 2, b
    0x27,  //  4: 3, apostrophe
    0x6B,  //  5: 1 3, k
    0x3B,  //  6: 2 3, semicolon
    0x6C,  //  7: 1 2 3, l
    0x5E,  //  8: 4, circumflex accent
    0x63,  //  9: 1 4, c
    0x69,  // 10: 2 4, i
    0x66,  // 11: 1 2 4, f
    0xED,  // 12: 3 4, i acute
    0x6D,  // 13: 1 3 4, m
    0x73,  // 14: 2 3 4, s
    0x70,  // 15: 1 2 3 4, p
    0x7E,  // 16: 5, tilde
    0x65,  // 17: 1 5, e
    0x3A,  // 18: 2 5, colon
    0x68,  // 19: 1 2 5, h
    0x2A,  // 20: 3 5, asterisk
    0x6F,  // 21: 1 3 5, o
    0x21,  // 22: 2 3 5, exclamation mark
    0x72,  // 23: 1 2 3 5, r
    0xAC,  // 24: 4 5, not sign
    0x64,  // 25: 1 4 5, d
    0x6A,  // 26: 2 4 5, j
    0x67,  // 27: 1 2 4 5, g
    0xE3,  // 28: 3 4 5, a tilde
    0x6E,  // 29: 1 3 4 5, n
    0x74,  // 30: 2 3 4 5, t
    0x71,  // 31: 1 2 3 4 5, q
    0xFD,  // 32: 6, y acute
    0xE2,  // 33: 1 6, a circumflex
    0x3F,  // 34: 2 6, question mark
    0xEA,  // 35: 1 2 6, e circumflex
    0x2D,  // 36: 3 6, hyphen-minus
    0x75,  // 37: 1 3 6, u
    0x22,  // 38: 2 3 6, quotation mark
    0x76,  // 39: 1 2 3 6, v
    0x7B,  // 40: 4 6, left curly bracket: the capital sign
    0xEE,  // 41: 1 4 6, i circumflex
    0xF5,  // 42: 2 4 6, o tilde
    0xE0,  // 43: 1 2 4 6, a grave
    0xF3,  // 44: 3 4 6, o acute
    0x78,  // 45: 1 3 4 6, x
    0xE8,  // 46: 2 3 4 6, e grave
    0xE7,  // 47: 1 2 3 4 6, c cedilla
    0x24,  // 48: 5 6, dollar sign
    0xFB,  // 49: 1 5 6, u circumflex
    0xFF,  // 50: 2 5 6, y diaeresis
    0xFC,  // 51: 1 2 5 6, u diaeresis
    0x7D,  // 52: 3 5 6, right curly bracket
    0x7A,  // 53: 1 3 5 6, z
    0x3D,  // 54: 2 3 5 6, equals sign
    0xE1,  // 55: 1 2 3 5 6, a acute
    0x5F,  // 56: 4 5 6, low line
    0xF4,  // 57: 1 4 5 6, o circumflex
    0x77,  // 58: 2 4 5 6, w
    0xEF,  // 59: 1 2 4 5 6, i diaeresis
    0x23,  // 60: 3 4 5 6, number sign
    0x79,  // 61: 1 3 4 5 6, y
    0xFA,  // 62: 2 3 4 5 6, u acute
    0xE9,  // 63: 1 2 3 4 5 6, e acute
};
static_assert(BrailleTable.size() == 64);
static_assert(std::find(BrailleTable.begin(), BrailleTable.end(), NoCharacter) ==
                  BrailleTable.end(),
              "NoCharacter must not be a character the table can produce");
static_assert(BrailleTable[40] == CapitalSign && BrailleTable[60] == NumberSign);

runtime::ModuleState<ChordState> chord;

// A switch's signal sounds in Delays that serve the keys typed meanwhile,
// so a switch may be typed while another's signal sounds.  The last one
// typed is the player's word: it sounds its own signal and stores its mode,
// and every switch still sounding when it began stops there.
struct SwitchState {
  unsigned begun = 0;    // switches begun; a switch is over once another begins
  int sounding = 0;      // switches whose signal has not ended
  int latestMode = 0;    // the mode of the switch begun last
};
runtime::ModuleState<SwitchState> switches;

std::uint8_t ChordBit(std::uint8_t virtualKey) {
  for (const ChordKey& key : ChordKeys) {
    if (key.virtualKey == virtualKey) return key.bit;
  }
  return 0;
}

void ClearSigns() {
  chord.NumberMode = false;
  chord.CapitalPending = false;
  chord.CapitalLock = false;
}

bool IsLetterKey(std::uint8_t virtualKey) { return virtualKey >= 'A' && virtualKey <= 'Z'; }

// Signal frequencies and the length of each note.
constexpr std::uint16_t ModeOffSignal = 100;
constexpr std::uint16_t ModeOnSignal = 800;
constexpr std::uint16_t ChordOnlySignal = 1600;
constexpr std::uint16_t WithSignsSignal = 400;
constexpr std::uint16_t SignalLength = 200;

void Signal(std::uint16_t frequency) {
  PlayTone(frequency);
  Delay(SignalLength);
  StopTone();
}

}  // namespace

ChordState& Chord() { return chord; }

int RequestedBrailleMode() {
  return switches.sounding > 0 ? switches.latestMode : BrailleMode();
}

void SetBrailleMode(int mode) {
  if (mode > 2) mode = 1;
  const int previous = RequestedBrailleMode();
  const unsigned self = ++switches.begun;
  switches.latestMode = mode;
  ++switches.sounding;
  auto overtaken = [self] { return switches.begun != self; };
  if (mode == 0) {
    ClearChordState();
    if (previous != 0) Signal(ModeOffSignal);
    // The signal's Delay serves keys while braille entry is still on; a
    // chord key pressed then would otherwise stay in the chord, and with it
    // held, no chord would complete once braille entry is back on.
    if (!overtaken()) ClearChordState();
  } else if (mode > 0) {
    Signal(ModeOnSignal);
    if (!overtaken()) Signal(mode == 1 ? ChordOnlySignal : WithSignsSignal);
  }
  --switches.sounding;
  if (!overtaken()) BrailleMode() = mode;
}

void ClearChordState() { static_cast<ChordState&>(chord) = ChordState{}; }

bool ChordKeyDown(std::uint8_t virtualKey) {
  // Auto-repeat only sets the same bit again.
  const std::uint8_t bit = ChordBit(virtualKey);
  chord.ChordDots |= bit;
  chord.HeldDots |= bit;
  return bit != 0;
}

std::uint8_t ApplyBrailleSigns(std::uint8_t c) {
  if (chord.NumberMode) {
    if (c == '\'') {
      c = '.';
    } else if (c >= 'a' && c <= 'i') {
      c = static_cast<std::uint8_t>('1' + (c - 'a'));
    } else if (c == 'j') {
      c = '0';
    } else if (c == '~') {
      chord.NumberMode = false;
    }
  }
  if ((chord.CapitalPending || chord.CapitalLock) && c >= 'a' && c <= 'z') {
    c = static_cast<std::uint8_t>(c - 0x20);
  }
  if (c == NumberSign) {
    chord.NumberMode = true;
    return NoCharacter;
  }
  if (c == CapitalSign) {
    if (chord.CapitalPending) chord.CapitalLock = true;
    chord.CapitalPending = true;
    return NoCharacter;
  }
  chord.CapitalPending = false;
  return c;
}

bool ChordKeyUp(std::uint8_t virtualKey) {
  // Any other key, or Ctrl, ends the signs; a chord in progress stays.
  if (platform::Os().GetKeyState(platform::VK_CONTROL) < 0 ||
      !(virtualKey == ' ' || IsLetterKey(virtualKey))) {
    ClearSigns();
    return false;
  }
  chord.HeldDots = static_cast<std::uint8_t>(chord.HeldDots & ~ChordBit(virtualKey));
  if (chord.HeldDots != 0) return true;

  std::uint8_t c = 0;
  if (chord.ChordDots >= SpaceBarBit) {
    // The space bar with dots types a control character: with h a
    // backspace, with m a carriage return.
    ClearSigns();
    c = chord.ChordDots == SpaceBarBit
            ? std::uint8_t{' '}
            : static_cast<std::uint8_t>(BrailleTable[chord.ChordDots & DotBits] & 0x1F);
  } else {
    c = BrailleTable[chord.ChordDots];
    if (BrailleMode() == 2) c = ApplyBrailleSigns(c);
  }
  KeyQueueState& queue = KeyQueue();
  if (c != NoCharacter && queue.count < KeyQueueCapacity) queue.bytes[queue.count++] = c;
  chord.ChordDots = 0;
  return true;
}

}  // namespace console
