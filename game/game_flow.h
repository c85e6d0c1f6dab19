// The main program: the start screen, the four rooms and the ending.
#pragma once

#include <array>
#include <cstdint>

#include "messages/message_table.h"

namespace game {

// Which obstacle a miss shows, by the digit that was drawn.
inline constexpr std::array<messages::MessageId, 10> ObstacleTable{{
    messages::MessageId::DontGiveUp,    // 0
    messages::MessageId::ClosedWindow,  // 1
    messages::MessageId::NotThisWay,    // 2
    messages::MessageId::HardWall,      // 3
    messages::MessageId::DontGiveUp,    // 4
    messages::MessageId::ClosedWindow,  // 5
    messages::MessageId::NotThisWay,    // 6
    messages::MessageId::HardWall,      // 7
    messages::MessageId::DontGiveUp,    // 8
    messages::MessageId::DontGiveUp,    // 9
}};
static_assert(ObstacleTable.size() == 10);

// The rooms in the order they are crossed, each with its message.  Entering
// any room but the first, also again after a miss there, adds 10 points.
inline constexpr std::array<messages::MessageId, 4> RoomTable{{
    messages::MessageId::BigRoom,        // 1: printed below the screen's contents
    messages::MessageId::BiggerRoom,     // 2
    messages::MessageId::DeathCorridor,  // 3
    messages::MessageId::Stairs,         // 4
}};
static_assert(RoomTable.size() == 4);

inline constexpr std::int32_t RoomEntryPoints = 10;
inline constexpr std::int32_t MissPenalty = 1;
inline constexpr std::int32_t ExpectedScore = 30;  // every room left at its first guess

// Runs the whole game and ends the program with exit code 0.
[[noreturn]] void GameFlow();

}  // namespace game
