#include "synt/segment_player.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "console/message_pump.h"
#include "platform/platform.h"
#include "runtime/module_state.h"
#include "synt/segment_table.h"

namespace synt {

namespace {

runtime::ModuleState<SegmentPlayerState> state;

// The bounds come from the segment table and are always plain decimal
// numbers; anything else counts as 0 rather than reaching the arithmetic.
std::int64_t SampleNumber(std::string_view text) {
  std::int32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return 0;
  return value;
}

// The copy into the command buffer is bounded: a command longer than the
// buffer is cut, never written past its end.  Results are not examined:
// without a device or without fones.DAT the program runs mute.
void SendMciCommand() {
  std::size_t length = std::min(state.MciCommand.size(), MciBufferSize - 1);
  std::copy_n(state.MciCommand.data(), length, state.MciCommandBuffer.data());
  state.MciCommandBuffer[length] = '\0';
  platform::Os().mciSendStringA(state.MciCommandBuffer.data(), state.MciReplyBuffer.data(),
                                MciReplyCapacity, nullptr);
}

void Send(const char* command) {
  state.MciCommand = command;
  SendMciCommand();
}

}  // namespace

SegmentPlayerState& SegmentPlayer() { return state; }

void OpenSoundFile() {
  Send(OpenCommand);
  Send(TimeFormatCommand);
}

void PlaySegment() {
  std::int64_t end = SampleNumber(state.SegmentEnd);
  std::int64_t start = SampleNumber(state.SegmentStart);
  std::int64_t wait = (end - start) / 30;
  // No wait or notify flag: MCI returns as soon as playback has started, and
  // the sleep below paces the speech instead.
  state.MciCommand = "play meusomm from " + state.SegmentStart + " to " + state.SegmentEnd;
  SendMciCommand();
  // Delay counts in 16 bits; every segment of the table waits 52 to 367 ms.
  console::Delay(static_cast<std::uint16_t>(wait));
}

void CloseSoundFile() { Send(CloseCommand); }

void PlaySegmentNumber(int number) {
  // Callers name fixed segments; a number outside the table would read past
  // it, so it plays nothing.
  if (number < 1 || number > SegmentCount) return;
  const Segment& segment = SegmentNumber(number);
  state.SegmentStart = segment.start;
  state.SegmentEnd = segment.end;
  PlaySegment();
}

}  // namespace synt
