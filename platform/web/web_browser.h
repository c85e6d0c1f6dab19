// What the browser stand-in asks of the page (page/page.js), one call per
// need.  web_browser_js.cpp makes each a call into the page; the unit tests
// put a double in its place.
//
// Sleep, WaitForEvent and MessageBox wait: in the page they hand the
// browser back its thread (Asyncify unwinds the program's stack and winds
// it up again when the wait is over), so that the page can draw, play and
// take keys while the program sleeps.  Everything else returns at once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/web/web_events.h"
#include "platform/web/web_fonts.h"

namespace platform::web {

class Browser {
 public:
  virtual ~Browser() = default;

  // --- Time and input
  virtual double Now() = 0;  // milliseconds, steady (performance.now())
  virtual void Sleep(double milliseconds) = 0;
  // Returns when the page has an event queued, or after `timeout`
  // milliseconds; a negative timeout waits for an event only.
  virtual void WaitForEvent(double timeout) = 0;
  virtual std::optional<PageEvent> NextEvent() = 0;

  // --- The window: a canvas, the page's title, the screen's text
  virtual void ScreenSize(int& width, int& height) = 0;
  virtual void ShowCanvas(int width, int height) = 0;
  // width x height pixels, 4 bytes each (red, green, blue, alpha), to (x, y).
  virtual void Present(const std::uint8_t* rgba, int x, int y, int width, int height) = 0;
  virtual void SetTitle(const std::string& utf8) = 0;
  virtual void SetScreenLine(int row, const std::string& utf8) = 0;

  // --- Glyphs of the page's font
  virtual FaceMetrics MeasureFace(int weight, double size) = 0;
  // The coverage (0 background .. 255 ink) of one character in a cell of
  // `font`'s size, baseline at its ascent; `out` holds cellWidth * cellHeight.
  virtual void DrawGlyph(const CellFont& font, char32_t character, std::uint8_t* out) = 0;

  // --- Sound
  // The frames per second of the page's audio output; 0 without one.
  virtual int OpenAudio() = 0;
  // Mono samples mixed for stream frames [frame, frame + count).
  virtual void PlayAudio(const std::int16_t* samples, std::size_t count, std::uint64_t frame) = 0;
  virtual void CloseAudio() = 0;

  // --- The rest
  virtual std::string SettingsText() = 0;    // "KEY=value" lines from the page address
  virtual std::string ProgramAddress() = 0;  // where the program's file is
  virtual void MessageBox(const std::string& caption, const std::string& text) = 0;
  // The program ends here: the page is told, and nothing of the program
  // runs after this.
  [[noreturn]] virtual void EndProgram(int exitCode) = 0;
};

}  // namespace platform::web
