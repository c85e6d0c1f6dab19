#include "letras/number_words.h"

namespace letras {

void AppendSegments(const SpeechItem& item, std::vector<int>& segments) {
  if (item.kind == SpeechItem::Kind::Segment) {
    segments.push_back(item.number);
    return;
  }
  if (item.number < 0 || item.number >= NumberWordCount) return;
  // Words nest one level at most (dezesseis holds seis), so this recursion
  // is shallow.
  for (const SpeechItem& part : NumberWords[static_cast<std::size_t>(item.number)].items) {
    AppendSegments(part, segments);
  }
}

}  // namespace letras
