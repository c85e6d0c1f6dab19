#include "game/game_flow.h"

#include <initializer_list>

#include "console/keyboard.h"
#include "console/screen_buffer.h"
#include "letras/number_speaker.h"
#include "letras/short_beep.h"
#include "messages/messages.h"
#include "runtime/program_end.h"
#include "runtime/random.h"
#include "runtime/text_io.h"
#include "synt/segment_player.h"

namespace game {

namespace {

constexpr std::uint8_t EnterKey = 13;

struct Turn {
  std::int32_t Guess = 0;
  std::int32_t DrawnDigit = 0;
};

void PlaySegments(std::initializer_list<int> segments) {
  for (int segment : segments) synt::PlaySegmentNumber(segment);
}

void Speak(std::int32_t value) {
  letras::SpokenNumber() = value;
  letras::SpeakNumber();
}

// A label and a number on one line, each write checked before the next.
void WriteLabelled(const char* label, std::int32_t value) {
  runtime::TextFileRecord& output = runtime::StandardOutput();
  runtime::WriteText(output, label, 0);
  runtime::FlushText(output);
  runtime::CheckIO();
  runtime::WriteInteger(output, value, 0);
  runtime::WriteLineEnd(output);
  runtime::CheckIO();
}

// Any byte but Enter repeats the start message; an extended key queues two
// bytes and so repeats it twice.
void StartScreen() {
  std::uint8_t key = 0;
  do {
    console::ClearScreen();
    messages::MessagePressEnter();
    key = console::ReadKey();
  } while (key != EnterKey);
}

Turn PlayTurn() {
  Turn turn;
  letras::ShortBeep();
  letras::ShortBeep();
  console::ClearScreen();
  messages::MessagePrompt();
  turn.Guess = runtime::ReadInteger(runtime::StandardInput());
  runtime::CheckIO();

  console::ClearScreen();
  WriteLabelled("Teclou: ", turn.Guess);
  Speak(turn.Guess);

  turn.DrawnDigit = static_cast<std::int32_t>(runtime::RandomInt(10));
  WriteLabelled("Resultado: ", turn.DrawnDigit);
  PlaySegments({60, 87, 31, 68, 11});  // resultado
  messages::Pause();
  Speak(turn.DrawnDigit);
  return turn;
}

// Exactly 30 points, the score of a game without a miss, is not announced.
void Ending(std::int32_t score) {
  synt::PlaySegmentNumber(18);
  if (score > ExpectedScore) {
    PlaySegments({36, 43, 61});
    Speak(score);
    PlaySegments({52, 74, 61});
  }
  if (score < ExpectedScore) {
    Speak(score);
    PlaySegments({52, 74, 61});
  }
  messages::Pause();
  PlaySegments({11, 45, 7, 51, 75, 32, 2, 19, 54, 6, 65});
  messages::Pause();
}

}  // namespace

void GameFlow() {
  synt::OpenSoundFile();
  std::int32_t score = 0;
  // The generator is never seeded: this draw only advances it, so every game
  // draws the same digits.
  static_cast<void>(runtime::RandomReal());

  StartScreen();

  for (std::size_t room = 0; room < RoomTable.size(); ++room) {
    for (;;) {
      // The entry step runs again after a miss, so a miss in rooms 2 to 4
      // costs 1 and then gives the 10 back: +9 in all.
      if (room > 0) score += RoomEntryPoints;
      letras::ShortBeep();
      messages::SayMessage(RoomTable[room]);
      Turn turn = PlayTurn();
      if (turn.DrawnDigit == turn.Guess) break;
      score -= MissPenalty;
      messages::SayMessage(ObstacleTable[static_cast<std::size_t>(turn.DrawnDigit)]);
    }
  }

  Ending(score);
  synt::CloseSoundFile();
  runtime::EndProgram(0);
}

}  // namespace game
