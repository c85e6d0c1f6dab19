// The segments a run played, read back from the play commands the recording
// double saw: a range that is no segment of the table reads as 0.
#pragma once

#include <string>
#include <vector>

#include "synt/segment_table.h"
#include "tests/support/recording_platform.h"

namespace doubles {

inline std::vector<int> PlayedSegments(const RecordingPlatform& os) {
  std::vector<int> played;
  for (const std::string& command : os.mciCommands) {
    if (command.rfind("play ", 0) != 0) continue;
    int found = 0;
    for (int number = 1; number <= synt::SegmentCount; ++number) {
      const synt::Segment& segment = synt::SegmentNumber(number);
      if (command == "play meusomm from " + std::string(segment.start) + " to " +
                         std::string(segment.end)) {
        found = number;
      }
    }
    played.push_back(found);
  }
  return played;
}

}  // namespace doubles
