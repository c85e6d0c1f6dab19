// The ten messages: each may clear the screen, prints its lines, speaks
// them, and ends with a short beep and a pause.
#pragma once

#include <cstdint>
#include <vector>

#include "messages/message_table.h"

namespace messages {

inline constexpr std::uint16_t PauseLength = 500;  // ms

void Pause();

// The five steps every message runs, with the constants of message id.
void SayMessage(MessageId id);

// The segments message id speaks, in order, number words expanded.
std::vector<int> MessageSegments(MessageId id);

void MessagePressEnter();
void MessagePrompt();
void MessageBigRoom();
void MessageBiggerRoom();
void MessageDeathCorridor();
void MessageStairs();
void MessageClosedWindow();
void MessageNotThisWay();
void MessageHardWall();
void MessageDontGiveUp();

}  // namespace messages
