// The ten messages of the game as data: whether each clears the screen,
// the lines it prints and what it speaks.  The game plays them through
// messages.h; the voice tool previews them from the same rows.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "letras/speech_item.h"
#include "synt/segment_table.h"

namespace messages {

using letras::SpeechItem;
using letras::Word;

enum class MessageId {
  PressEnter,
  Prompt,
  BigRoom,
  BiggerRoom,
  DeathCorridor,
  Stairs,
  ClosedWindow,
  NotThisWay,
  HardWall,
  DontGiveUp,
};

inline constexpr std::size_t MessageCount = 10;

struct Message {
  std::string_view name;
  bool clears;  // false: printed below what the screen already shows
  std::size_t lineCount;
  std::array<std::string_view, 2> lines;  // Windows-1252
  letras::SpeechItems<27> spoken;
};

// Where two texts share words they share the recordings: the prompt ends in
// the whole of MessagePressEnter (tecle enter), and MessageBiggerRoom says
// VOCÊ ESTÁ NUMA SALA with the nine items that open MessageBigRoom.
// clang-format off
inline constexpr std::array<Message, MessageCount> MessageTable{{
    {"MessagePressEnter", true, 1,
     {"Tecle enter"},
     {70, 25, 33, 15, 71, 59}},
    {"MessagePrompt", false, 1,
     {"Digite um n\xFAmero de 0 a 9 e tecle enter"},
     {8, 24, 69, 76, 43, 36, 58, 7, Word(0), 2, Word(9), 14, 70, 25, 33, 15, 71, 59}},
    {"MessageBigRoom", false, 2,
     {"VOC\xCA EST\xC1 NUMA SALA MUITO GRANDE", "TENTE SAIR"},
     {80, 64, 14, 61, 68, 43, 35, 62, 32, 38, 21, 74, 19, 55, 8, 72, 69, 62, 21, 59}},
    {"MessageBiggerRoom", true, 2,
     {"AGORA VOC\xCA EST\xC1 NUMA SALA MAIOR AINDA", " PROCURE A SA\xCD" "DA"},
     {2, 20, 54, 80, 64, 14, 61, 68, 43, 35, 62, 32, 35, 21, 46, 59, 2, 22, 5, 48, 58, 29, 57, 2,
      62, 21, 5}},
    {"MessageDeathCorridor", true, 2,
     {"ESTE \xC9 O CORREDOR DA MORTE", "SAIA O QUANTO ANTES"},
     {14, 61, 69, 13, 47, 28, 60, 12, 59, 5, 37, 59, 69, 62, 21, 2, 47, 29, 1, 74, 1, 69, 61}},
    {"MessageStairs", true, 1,
     {"Uma escada para subir"},
     {75, 35, 14, 61, 26, 5, 48, 54, 66, 4, 59}},
    {"MessageClosedWindow", true, 1,
     {"JANELA FECHADA"},
     {23, 40, 32, 17, 81, 5}},
    {"MessageNotThisWay", true, 1,
     {"desse lado n\xE3o!"},
     {7, 65, 32, 11, 39, 3}},
    {"MessageHardWall", true, 1,
     {"Parede dura!"},
     {51, 56, 8, 10, 54}},
    {"MessageDontGiveUp", true, 1,
     {"N\xE3o desista"},
     {39, 3, 7, 85, 61, 68}},
}};
// clang-format on

static_assert(MessageTable.size() == MessageCount);

// One or two lines each, and every item names a segment or a number word.
constexpr bool MessagesAreWellFormed() {
  for (const Message& message : MessageTable) {
    if (message.lineCount < 1 || message.lineCount > message.lines.size()) return false;
    for (std::size_t line = 0; line < message.lines.size(); ++line) {
      if (message.lines[line].empty() != (line >= message.lineCount)) return false;
    }
    for (const SpeechItem& item : message.spoken) {
      bool isWord = item.kind == SpeechItem::Kind::Word;
      int limit = isWord ? letras::NumberWordCount - 1 : synt::SegmentCount;
      if (item.number < (isWord ? 0 : 1) || item.number > limit) return false;
    }
  }
  return true;
}
static_assert(MessagesAreWellFormed());

constexpr const Message& MessageData(MessageId id) {
  return MessageTable[static_cast<std::size_t>(id)];
}

}  // namespace messages
