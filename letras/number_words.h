// The 38 number words: each speaks one Portuguese number name as a fixed
// list of segments, some by speaking another word first (dezesseis is
// deze- and then the word seis).
#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "letras/speech_item.h"
#include "synt/segment_table.h"

namespace letras {

struct NumberWord {
  int value;              // the number it names; cento names the hundreds of 101 to 199
  std::string_view name;  // Windows-1252
  SpeechItems<6> items;
};

// clang-format off
inline constexpr std::array<NumberWord, NumberWordCount> NumberWords{{
    {0, "zero", {83, 58}},
    {1, "um", {76}},
    {2, "dois", {9, 21, 61}},
    {3, "tr\xEAs", {67, 56, 21, 61}},
    {4, "quatro", {30, 2, 67, 58}},
    {5, "cinco", {61, 22, 30}},
    {6, "seis", {61, 16, 61}},
    {7, "sete", {63, 69}},
    {8, "oito", {50, 74}},
    {9, "nove", {42, 79}},
    {10, "dez", {6, 61}},
    {11, "onze", {49, 85}},
    {12, "doze", {9, 85}},
    {13, "treze", {67, 56, 85}},
    {14, "catorze", {26, 73, 59, 85}},
    {15, "quinze", {25, 22, 85}},
    {16, "dezesseis", {7, 84, Word(6)}},
    {17, "dezessete", {7, 84, Word(7)}},
    {18, "dezoito", {7, 86, 21, 74}},          // its own -oito, not the word for 8
    {19, "dezenove", {7, 84, Word(9)}},
    {20, "vinte", {77, 22, 69}},
    {30, "trinta", {67, 53, 22, 68}},
    {40, "quarenta", {30, 2, 53, 15, 68}},
    {50, "cinquenta", {61, 22, 30, 15, 68}},
    {60, "sessenta", {64, 61, 15, 68}},
    {70, "setenta", {64, 72, 68}},
    {80, "oitenta", {50, 72, 68}},
    {90, "noventa", {44, 78, 68}},
    {100, "cem", {61, 15}},                     // exactly one hundred
    {100, "cento", {61, 15, 74}},               // hundreds digit 1, for 101 to 199
    {200, "duzentos", {10, 82, 15, 74, 61}},
    {300, "trezentos", {67, 56, 82, 15, 74, 61}},
    {400, "quatrocentos", {Word(4), 61, 15, 74, 61}},
    {500, "quinhentos", {27, 41, 34, 74, 61}},
    {600, "seiscentos", {Word(6), 15, 74, 61}},  // seis already ends in the s
    {700, "setecentos", {Word(7), 61, 15, 74, 61}},
    {800, "oitocentos", {Word(8), 61, 15, 74, 61}},
    {900, "novecentos", {Word(9), 61, 15, 74, 61}},
}};
// clang-format on

static_assert(NumberWords.size() == 38);

// Each word sits where WordIndex looks for it, and a word speaks only words
// before it, so expanding a word always ends.
constexpr bool NumberWordsAreWellFormed() {
  for (int index = 0; index < NumberWordCount; ++index) {
    const NumberWord& word = NumberWords[static_cast<std::size_t>(index)];
    int expected = index == CentoIndex ? CentoIndex : WordIndex(word.value);
    if (expected != index) return false;
    for (const SpeechItem& item : word.items) {
      if (item.kind == SpeechItem::Kind::Word && (item.number < 0 || item.number >= index)) {
        return false;
      }
      bool isSegment = item.kind == SpeechItem::Kind::Segment;
      if (isSegment && (item.number < 1 || item.number > synt::SegmentCount)) return false;
    }
  }
  return true;
}
static_assert(NumberWordsAreWellFormed());

// Appends the segments that item plays, in order, words expanded.
void AppendSegments(const SpeechItem& item, std::vector<int>& segments);

// The segments of a list of items, words expanded.
template <typename Items>
std::vector<int> FlatSegments(const Items& items) {
  std::vector<int> segments;
  for (const SpeechItem& item : items) AppendSegments(item, segments);
  return segments;
}

}  // namespace letras
