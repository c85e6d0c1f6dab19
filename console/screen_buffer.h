// The text screen: character and attribute planes, the active area, the
// cursor, and their drawing into the console window.
#pragma once

#include <cstdint>

#include "console/screen_state.h"
#include "platform/platform.h"

namespace console {

void WriteChars(const std::uint8_t* bytes, std::uint16_t count);
void WriteChar(std::uint8_t byte);
void ClearScreen();
void PaintSpan(int fromColumn, int toColumn, int row);
void BeginDraw();
void EndDraw();
platform::COLORREF ColourOf(int index);
void OnPaint();

// The palette slot behind each colour index, as COLORREF.
platform::COLORREF PaletteColour(int slot);

}  // namespace console
