#include "messages/messages.h"

#include "console/message_pump.h"
#include "console/screen_buffer.h"
#include "letras/number_words.h"
#include "letras/short_beep.h"
#include "runtime/text_io.h"
#include "synt/segment_player.h"

namespace messages {

void Pause() { console::Delay(PauseLength); }

std::vector<int> MessageSegments(MessageId id) { return letras::FlatSegments(MessageData(id).spoken); }

void SayMessage(MessageId id) {
  const Message& message = MessageData(id);
  if (message.clears) console::ClearScreen();
  for (std::size_t line = 0; line < message.lineCount; ++line) {
    runtime::WriteText(runtime::StandardOutput(), message.lines[line], 0);
    runtime::WriteLineEnd(runtime::StandardOutput());
    runtime::CheckIO();
  }
  for (int segment : MessageSegments(id)) synt::PlaySegmentNumber(segment);
  letras::ShortBeep();
  Pause();
}

void MessagePressEnter() { SayMessage(MessageId::PressEnter); }
void MessagePrompt() { SayMessage(MessageId::Prompt); }
void MessageBigRoom() { SayMessage(MessageId::BigRoom); }
void MessageBiggerRoom() { SayMessage(MessageId::BiggerRoom); }
void MessageDeathCorridor() { SayMessage(MessageId::DeathCorridor); }
void MessageStairs() { SayMessage(MessageId::Stairs); }
void MessageClosedWindow() { SayMessage(MessageId::ClosedWindow); }
void MessageNotThisWay() { SayMessage(MessageId::NotThisWay); }
void MessageHardWall() { SayMessage(MessageId::HardWall); }
void MessageDontGiveUp() { SayMessage(MessageId::DontGiveUp); }

}  // namespace messages
