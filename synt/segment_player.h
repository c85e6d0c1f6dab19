// The segment player: the one place that talks to the multimedia command
// interface.  fones.DAT is opened once as a waveaudio device counted in
// samples; a segment is started without waiting for its end, and the player
// then sleeps for the segment's length, which is the only pacing of speech.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace synt {

inline constexpr std::size_t MciBufferSize = 152;
// The reply capacity handed to MCI; the reply itself is never read.
inline constexpr std::uint32_t MciReplyCapacity = 80;

inline constexpr const char* OpenCommand = "open fones.DAT type waveaudio alias meusomm";
inline constexpr const char* TimeFormatCommand = "set meusomm time format samples";
inline constexpr const char* CloseCommand = "close meusomm";

struct SegmentPlayerState {
  std::string SegmentStart;  // first sample, decimal digits
  std::string SegmentEnd;    // sample where play stops, decimal digits
  std::string MciCommand;    // the command being built
  std::array<char, MciBufferSize> MciCommandBuffer{};  // what MCI is handed
  std::array<char, MciBufferSize> MciReplyBuffer{};
};

SegmentPlayerState& SegmentPlayer();

void OpenSoundFile();
// Plays SegmentStart to SegmentEnd, then waits (end - start) div 30 ms.
void PlaySegment();
void CloseSoundFile();

// Segment n of the table, counted from 1: stores its start, then its end,
// then plays it.
void PlaySegmentNumber(int number);

}  // namespace synt
