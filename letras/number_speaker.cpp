#include "letras/number_speaker.h"

#include <array>
#include <string>

#include "console/screen_buffer.h"
#include "letras/number_words.h"
#include "runtime/module_state.h"
#include "synt/segment_player.h"

namespace letras {

namespace {

struct NumberSpeakerState {
  std::int32_t spokenNumber = 0;
};
runtime::ModuleState<NumberSpeakerState> state;

// me-nu-s: the recorded fragments of número and s.
constexpr std::array<int, 3> MinusSegments{36, 43, 61};
// The conjunction e.
constexpr int AndSegment = 14;

bool IsNonzeroDigit(char character) { return character >= '1' && character <= '9'; }
int DigitValue(char character) { return character - '0'; }

// 1 to 999, from the digits of the number padded to three: hundreds, then
// tens joined by e, then units joined by e.  cem is only exactly 100; the
// hundreds of 101 to 199 are cento; 10 to 19 are one word each.
void AppendUpToNineHundredNinetyNine(std::uint32_t value, std::vector<int>& segments) {
  if (value == 100) {
    AppendSegments(Word(100), segments);
    return;
  }
  std::string digits = std::to_string(value);
  digits.insert(0, 3 - digits.size(), '0');
  char hundreds = digits[0];
  char tens = digits[1];
  char units = digits[2];

  if (hundreds == '1') {
    AppendSegments(Cento, segments);
  } else if (IsNonzeroDigit(hundreds)) {
    AppendSegments(Word(DigitValue(hundreds) * 100), segments);
  }

  if (tens != '0') {
    if (IsNonzeroDigit(hundreds)) AppendSegments(AndSegment, segments);
    if (tens == '1') {
      AppendSegments(Word(10 + DigitValue(units)), segments);
      return;
    }
    AppendSegments(Word(DigitValue(tens) * 10), segments);
    if (units == '0') return;
  }

  if (IsNonzeroDigit(units) && (IsNonzeroDigit(tens) || IsNonzeroDigit(hundreds))) {
    AppendSegments(AndSegment, segments);
  }
  if (IsNonzeroDigit(units)) AppendSegments(Word(DigitValue(units)), segments);
}

void AppendMagnitude(std::uint32_t magnitude, std::vector<int>& segments) {
  if (magnitude == 0) {
    AppendSegments(Word(0), segments);
  } else if (magnitude < 1000) {
    AppendUpToNineHundredNinetyNine(magnitude, segments);
  } else {
    for (char digit : std::to_string(magnitude)) AppendSegments(Word(DigitValue(digit)), segments);
  }
}

}  // namespace

std::int32_t& SpokenNumber() { return state.spokenNumber; }

std::vector<int> NumberSegments(std::int32_t value) {
  std::vector<int> segments;
  // The magnitude is taken unsigned: -2147483648 has no positive int32.
  std::uint32_t magnitude = static_cast<std::uint32_t>(value);
  if (value < 0) {
    segments.assign(MinusSegments.begin(), MinusSegments.end());
    magnitude = 0u - magnitude;
  }
  AppendMagnitude(magnitude, segments);
  return segments;
}

void SpeakNumber() {
  // Whatever was on the screen goes, also when the number is 100.
  console::ClearScreen();
  for (int segment : NumberSegments(state.spokenNumber)) synt::PlaySegmentNumber(segment);
}

}  // namespace letras
