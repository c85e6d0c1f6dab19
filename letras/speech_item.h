// What the speech plays: a list of items, each a segment of the segment
// table or one of the 38 number words.  The number words and the messages
// are both written as such lists, so that the game and the voice tool's
// preview play them through the same data.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <initializer_list>

namespace letras {

struct SpeechItem {
  enum class Kind { Segment, Word };
  Kind kind = Kind::Segment;
  int number = 0;  // a segment 1 to 87, or a place in NumberWords

  constexpr SpeechItem() = default;
  // A bare number in a list of items is a segment.
  constexpr SpeechItem(int segment) : number(segment) {}
  constexpr SpeechItem(Kind itemKind, int itemNumber) : kind(itemKind), number(itemNumber) {}

  constexpr bool operator==(const SpeechItem&) const = default;
};

inline constexpr int NumberWordCount = 38;

// The places of the words in NumberWords: 0 to 20, the tens 30 to 90, cem
// (exactly 100), cento (the hundreds word of 101 to 199), 200 to 900.
// Answers -1 for a value that has no word of its own.
constexpr int WordIndex(int value) {
  if (value >= 0 && value <= 20) return value;
  if (value >= 30 && value <= 90 && value % 10 == 0) return 21 + (value - 30) / 10;
  if (value == 100) return 28;
  if (value >= 200 && value <= 900 && value % 100 == 0) return 30 + (value - 200) / 100;
  return -1;
}
inline constexpr int CentoIndex = 29;

// The number word for value, as an item.
constexpr SpeechItem Word(int value) { return {SpeechItem::Kind::Word, WordIndex(value)}; }
inline constexpr SpeechItem Cento{SpeechItem::Kind::Word, CentoIndex};

// A fixed-capacity list of items, written in a table row as a braced list.
template <std::size_t Capacity>
class SpeechItems {
 public:
  constexpr SpeechItems(std::initializer_list<SpeechItem> items) : count_(items.size()) {
    // In a constant expression this fails the build instead of cutting.
    if (items.size() > Capacity) throw "more items than the list holds";
    std::copy(items.begin(), items.end(), items_.begin());
  }

  constexpr const SpeechItem* begin() const { return items_.data(); }
  constexpr const SpeechItem* end() const { return items_.data() + count_; }
  constexpr std::size_t size() const { return count_; }
  constexpr const SpeechItem& operator[](std::size_t index) const { return items_[index]; }

 private:
  std::array<SpeechItem, Capacity> items_{};
  std::size_t count_;
};

}  // namespace letras
