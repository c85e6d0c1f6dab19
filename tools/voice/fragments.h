// The 87 shaped fragments, one per segment, indexed from segment 1.
#pragma once

#include <array>

#include "synt/segment_table.h"
#include "tools/voice/sound.h"

namespace voice {

using Fragments = std::array<Samples, synt::SegmentCount>;

inline Samples& FragmentOf(Fragments& fragments, int segment) {
  return fragments[static_cast<std::size_t>(segment - 1)];
}

}  // namespace voice
