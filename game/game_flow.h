#pragma once

namespace game {

// The main program: start screen, the four rooms and the ending.
void GameFlow();

}  // namespace game
