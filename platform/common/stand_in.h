// What every stand-in for the Win32 calls shares, whatever shows its window
// and plays its sound: GDI on 32-bit pixel surfaces (device contexts, brushes,
// bitmaps, fonts from the backend's glyph source, text runs, blits and
// stretches), the caret, and the sound calls over one mixer and the MCI
// interpreter.  A backend derives from it and supplies the window, the
// events, the audio device and the rasteriser; see the hooks below.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>

#include "platform/common/glyphs.h"
#include "platform/common/mci.h"
#include "platform/common/mixer.h"
#include "platform/common/pixels.h"
#include "platform/platform.h"

namespace platform::common {

// Opaque Win32-style handles for a stand-in's objects.  A handle is a
// number that is never reused, so a stale handle finds nothing instead of
// a newer object that took its place.
template <typename Handle, typename Object>
class HandleTable {
 public:
  explicit HandleTable(std::uintptr_t first) : next_(first) {}

  Handle Add(Object object) {
    objects_.emplace(next_, std::move(object));
    return reinterpret_cast<Handle>(next_++);
  }
  Object* Find(Handle handle) {
    auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == objects_.end() ? nullptr : &found->second;
  }
  void Remove(Handle handle) { objects_.erase(reinterpret_cast<std::uintptr_t>(handle)); }

 private:
  std::uintptr_t next_;
  std::map<std::uintptr_t, Object> objects_;
};

// Windows' default caret blink time.
inline constexpr int kCaretBlinkMilliseconds = 530;

// The stand-in's GDI objects, device contexts and caret.
struct GdiObject {
  enum class Kind { Font, Brush, Bitmap } kind = Kind::Brush;
  bool stock = false;
  std::shared_ptr<GlyphFace> font;
  COLORREF colour = 0;
  Surface bitmap;
};
struct DeviceContext {
  HWND window = nullptr;  // a memory DC (or the screen's) has none
  bool memory = false;
  HGDIOBJ font = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ bitmap = nullptr;
  COLORREF textColour = 0x000000;
  COLORREF backColour = 0xFFFFFF;
  RECT drawn{};  // what this DC changed on its window, shown when released
};
struct Caret {
  HWND window = nullptr;
  int width = 0;
  int height = 0;
  POINT position;
  int hideLevel = 1;  // created hidden; ShowCaret counts down to 0
  bool blinkOn = true;
  std::chrono::steady_clock::time_point lastBlink;

  RECT Bounds() const { return {position.x, position.y, position.x + width, position.y + height}; }
};

class StandInPlatform : public Platform, private MciOutput {
  template <typename Handle>
  static Handle Token(std::uintptr_t value) { return reinterpret_cast<Handle>(value); }

 public:
  // --- Device contexts, GDI objects, drawing and fonts (stand_in_gdi.cpp)
  HDC GetDC(HWND window) override;
  int ReleaseDC(HWND window, HDC dc) override;
  HDC CreateCompatibleDC(HDC dc) override;
  bool DeleteDC(HDC dc) override;
  HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) override;
  HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) override;
  HGDIOBJ GetStockObject(int index) override;
  bool DeleteObject(HGDIOBJ object) override;
  HBRUSH CreateSolidBrush(COLORREF colour) override;
  COLORREF SetTextColor(HDC dc, COLORREF colour) override;
  COLORREF SetBkColor(HDC dc, COLORREF colour) override;
  bool TextOutA(HDC dc, int x, int y, const char* text, int count) override;
  bool BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
              DWORD rop) override;
  bool StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX,
                  int sourceY, int sourceWidth, int sourceHeight, DWORD rop) override;
  bool PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) override;
  HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                    DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                    DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                    const char* faceName) override;
  bool GetTextMetricsA(HDC dc, TEXTMETRICA& metrics) override;

  // --- The module and its stock resources: tokens that only come back to
  // the window class, whose icon and cursor are the window system's.
  HINSTANCE GetModuleHandleA(const char*) override { return Token<HINSTANCE>(0x400000); }
  HICON LoadIconA(HINSTANCE, int resourceId) override { return Token<HICON>(resourceId); }
  HCURSOR LoadCursorA(HINSTANCE, int resourceId) override { return Token<HCURSOR>(resourceId); }

  // --- The system menu is the window itself.  The only item the program
  // touches is Close, which it enables, and a window manager's close button
  // is always usable.
  HMENU GetSystemMenu(HWND window, bool) override {
    return ClientSurface(window) != nullptr ? reinterpret_cast<HMENU>(window) : nullptr;
  }
  bool EnableMenuItem(HMENU menu, UINT item, UINT) override {
    return ClientSurface(reinterpret_cast<HWND>(menu)) != nullptr && item == SC_CLOSE;
  }

  // --- Caret: a bar that the backend inverts on the screen only, never in
  // the client surface, so that drawing and copying never pick it up
  // (stand_in_caret.cpp)
  bool CreateCaret(HWND window, HBITMAP bitmap, int width, int height) override;
  bool SetCaretPos(int x, int y) override;
  bool ShowCaret(HWND window) override;
  bool DestroyCaret() override;

  // --- Sound (stand_in_sound.cpp): MessageBeep is 100 ms of 880 Hz, the
  // tones of sndPlaySoundA (in-memory images only) and the MCI device's
  // ranges are two more voices of the mixer.
  bool MessageBeep(UINT type) override;
  MCIERROR mciSendStringA(const char* command, char* returnString, UINT returnLength,
                          HWND callback) override;
  bool sndPlaySoundA(const void* sound, UINT flags) override;

 protected:
  // What the backend supplies besides its window: the rasteriser, and the
  // reading of the files MCI opens.
  StandInPlatform(std::unique_ptr<GlyphSource> glyphs, MciInterpreter::FileReader soundFiles);

  // The client area of a window; null when there is no such window.
  virtual Surface* ClientSurface(HWND window) = 0;
  // Shows `area` of the client surface, with CaretArea inverted over it.
  virtual void Present(HWND window, const RECT& area) = 0;

  // --- For the backend's window code
  // The mixer its audio device pulls from.
  Mixer& Sound() { return mixer_; }
  COLORREF BrushColour(HBRUSH brush, COLORREF otherwise);
  // `dc` changed `area` of its window: shown at once, or when the DC is
  // released (text runs, and BeginPaint's erase).
  void Changed(HDC dc, const RECT& area, bool showNow);
  // Where the caret shows on the window now; empty while it is hidden or
  // blinked off.
  RECT CaretArea(HWND window) const;
  // Blinks the caret when its time has come; answers the milliseconds to
  // its next blink, or -1 when no caret blinks.
  int BlinkCaret();

 private:
  Surface* SurfaceOf(HDC dc);
  GlyphFace* FontOf(HDC dc);
  // Realised fonts are shared between equal requests.
  std::shared_ptr<GlyphFace> Font(const FontRequest& request);
  void RestartBlink();

  void PlayRange(const DecodedWave& wave, std::size_t first, std::size_t count) override;
  void StopPlaying() override;

  // The rasteriser goes last: the fonts hold its faces.
  std::unique_ptr<GlyphSource> glyphs_;
  std::map<FontRequest, std::shared_ptr<GlyphFace>> fonts_;
  HandleTable<HGDIOBJ, GdiObject> objects_{0x200000};
  HandleTable<HDC, DeviceContext> contexts_{0x100000};
  std::map<int, HGDIOBJ> stock_;
  std::optional<Caret> caret_;
  Mixer mixer_;
  MciInterpreter mci_;
  Samples beep_;
};

}  // namespace platform::common
