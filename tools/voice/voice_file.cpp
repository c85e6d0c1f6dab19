#include "tools/voice/voice_file.h"

#include <algorithm>

#include "tools/voice/shaping.h"
#include "tools/voice/wav_io.h"

namespace voice {

std::size_t VoiceFileLength(int rate) {
  std::int32_t lastEnd = 0;
  for (const synt::Segment& segment : synt::SegmentTable) {
    lastEnd = std::max(lastEnd, synt::DecimalValue(segment.end));
  }
  return static_cast<std::size_t>(lastEnd) + SamplesIn(100, rate);
}

Samples LayOut(const Fragments& fragments, int rate) {
  Samples file(VoiceFileLength(rate), 0.0f);
  for (int segment = 1; segment <= synt::SegmentCount; ++segment) {
    const synt::Segment& range = synt::SegmentNumber(segment);
    const Samples& fragment = fragments[static_cast<std::size_t>(segment - 1)];
    const std::size_t length = std::min(fragment.size(), FragmentBudget(range, rate));
    const auto start = static_cast<std::size_t>(synt::DecimalValue(range.start));
    std::copy_n(fragment.begin(), length, file.begin() + static_cast<long>(start));
  }
  return file;
}

bool WriteVoiceFile(const std::filesystem::path& path, const Fragments& fragments,
                    std::string& error) {
  return WriteFileAtomically(path, EncodeWav16(LayOut(fragments, OutputRate), OutputRate), error);
}

}  // namespace voice
