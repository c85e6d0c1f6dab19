// The SDL2 stand-in for the Win32 calls: a window whose client area is a
// 32-bit pixel surface, GDI drawing into such surfaces, the keyboard and
// mouse as Win32 messages, fonts through fontconfig and SDL_ttf, and sound
// through one mixing audio device.
//
// The class is one Platform; its members are defined by concern in
// sdl_window.cpp, sdl_messages.cpp, sdl_events.cpp, sdl_gdi.cpp,
// sdl_caret.cpp and sdl_platform.cpp.
#pragma once

#include <SDL.h>

#include <bitset>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_fonts.h"
#include "platform/sdl/sdl_handles.h"
#include "platform/sdl/sdl_mci.h"
#include "platform/sdl/sdl_pixels.h"

namespace platform::sdl {

// The window frame that GetSystemMetrics reports.  SDL draws no frame of
// its own, so these only need to agree with CreateWindowExA and
// GetWindowRect: an outer size of W x H gives a client area of
// W - 2 * kFrame by H - 2 * kFrame - kCaption.
inline constexpr int kFrame = 4;     // SM_CXFRAME, SM_CYFRAME
inline constexpr int kCaption = 20;  // SM_CYCAPTION

// Windows' default caret blink time.
inline constexpr Uint32 kCaretBlinkMilliseconds = 530;

struct SdlWindowDeleter {
  void operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }
};

struct WindowClass {
  WNDPROC procedure = nullptr;
  UINT style = 0;
  HBRUSH background = nullptr;
};

struct Window {
  std::unique_ptr<SDL_Window, SdlWindowDeleter> sdl;
  Uint32 sdlId = 0;
  WNDPROC procedure = nullptr;
  UINT classStyle = 0;
  HBRUSH background = nullptr;
  UniqueSurface client;  // what has been drawn; the screen shows it plus the caret
  RECT update{};         // the invalid part of the client area
  bool erase = false;
  bool focused = false;
  bool destroying = false;
  bool closeItemEnabled = true;
  POINT minimumClient;  // from WM_GETMINMAXINFO's track sizes, frame removed
  POINT maximumClient;
};

struct DeviceContext {
  enum class Kind { Screen, Window, Memory } kind = Kind::Screen;
  HWND window = nullptr;
  HGDIOBJ font = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ bitmap = nullptr;
  COLORREF textColour = 0x000000;
  COLORREF backColour = 0xFFFFFF;
  RECT drawn{};  // what this bracket changed on a window, shown at its end
};

struct GdiObject {
  enum class Kind { Font, Brush, Bitmap } kind = Kind::Brush;
  bool stock = false;
  std::shared_ptr<GlyphFont> font;
  COLORREF colour = 0;
  UniqueSurface bitmap;
};

struct Caret {
  HWND window = nullptr;
  int width = 0;
  int height = 0;
  POINT position;
  int hideLevel = 1;  // created hidden; ShowCaret counts down to 0
  bool blinkOn = true;
  Uint32 lastBlink = 0;
};

// Which keys are down (and which toggle keys are on) at a message.
struct KeySnapshot {
  std::bitset<256> down;
  std::bitset<256> toggled;
};

struct QueuedMessage {
  MSG message;
  KeySnapshot keys;
  // Key-downs: the serial that SDL's text for this key is matched by, the
  // Windows-1252 text that arrived for it, and whether the key's modifiers
  // (Alt or Ctrl alone) keep that text from becoming WM_CHAR, as they do
  // on Windows.
  std::uint64_t keySerial = 0;
  std::string text;
  bool textSuppressed = false;
  bool translated = false;
};

class SdlPlatform final : public Platform {
 public:
  SdlPlatform();
  ~SdlPlatform() override;
  SdlPlatform(const SdlPlatform&) = delete;
  SdlPlatform& operator=(const SdlPlatform&) = delete;

  // --- Messages (sdl_messages.cpp)
  bool PeekMessageA(MSG& message, HWND window, UINT filterMin, UINT filterMax,
                    UINT removeMessage) override;
  bool WaitMessage() override;
  bool TranslateMessage(const MSG& message) override;
  LRESULT DispatchMessageA(const MSG& message) override;
  void PostQuitMessage(int exitCode) override;
  SHORT GetKeyState(int virtualKey) override;

  // --- Window class and window (sdl_window.cpp)
  ATOM RegisterClassA(const WNDCLASSA& windowClass) override;
  HINSTANCE GetModuleHandleA(const char* moduleName) override;
  HICON LoadIconA(HINSTANCE instance, int resourceId) override;
  HCURSOR LoadCursorA(HINSTANCE instance, int resourceId) override;
  HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                       int x, int y, int width, int height, HWND parent, HMENU menu,
                       HINSTANCE instance, void* param) override;
  bool ShowWindow(HWND window, int command) override;
  bool UpdateWindow(HWND window) override;
  bool DestroyWindow(HWND window) override;
  LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR newLong) override;
  bool SetWindowTextA(HWND window, const char* text) override;
  HMENU GetSystemMenu(HWND window, bool revert) override;
  bool EnableMenuItem(HMENU menu, UINT item, UINT enable) override;
  bool GetWindowRect(HWND window, RECT& rect) override;
  bool GetClientRect(HWND window, RECT& rect) override;
  HWND GetActiveWindow() override;
  int GetSystemMetrics(int index) override;
  bool InvalidateRect(HWND window, const RECT* rect, bool erase) override;
  HDC BeginPaint(HWND window, PAINTSTRUCT& paint) override;
  bool EndPaint(HWND window, const PAINTSTRUCT& paint) override;

  // --- Device contexts, drawing and fonts (sdl_gdi.cpp)
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

  // --- Caret (sdl_caret.cpp)
  bool CreateCaret(HWND window, HBITMAP bitmap, int width, int height) override;
  bool SetCaretPos(int x, int y) override;
  bool ShowCaret(HWND window) override;
  bool DestroyCaret() override;

  // --- Process, files, time, sound, message box (sdl_platform.cpp)
  DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, DWORD size, const char* fileName) override;
  DWORD GetModuleFileNameA(HINSTANCE module, char* buffer, DWORD size) override;
  void Sleep(DWORD milliseconds) override;
  DWORD GetTickCount() override;
  [[noreturn]] void ExitProcess(UINT exitCode) override;
  bool MessageBeep(UINT type) override;
  MCIERROR mciSendStringA(const char* command, char* returnString, UINT returnLength,
                          HWND callback) override;
  bool sndPlaySoundA(const void* sound, UINT flags) override;
  int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) override;

 private:
  // sdl_window.cpp
  Window* FindWindow(HWND window) const { return windows_.Find(window); }
  HWND WindowOfSdlId(Uint32 sdlId) const;
  LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void ResizeClient(HWND window, int width, int height);
  // Shows `area` of the client surface on the screen, with the caret.
  void Present(HWND window, const RECT& area);
  void PresentAll(HWND window);
  void ApplyTrackSizes(const Window& window);
  COLORREF BrushColour(HBRUSH brush, COLORREF otherwise) const;

  // sdl_messages.cpp
  void PumpEvents();
  void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool AnythingToTake() const;

  // sdl_events.cpp
  void TranslateEvent(const SDL_Event& event);
  void TranslateKey(const SDL_KeyboardEvent& key);
  void TranslateText(const SDL_TextInputEvent& text);
  void TranslateWindowEvent(const SDL_WindowEvent& event);
  void TranslateMouse(const SDL_Event& event);

  // sdl_gdi.cpp
  GdiObject* FindObject(HGDIOBJ object) const { return objects_.Find(object); }
  SDL_Surface* SurfaceOf(const DeviceContext& dc) const;
  GlyphFont* FontOf(const DeviceContext& dc);
  void Drawn(DeviceContext& dc, const RECT& area, bool showNow);
  void EndDrawing(HDC dc);
  HGDIOBJ StockObject(int index);

  // sdl_caret.cpp
  bool CaretShown() const;
  RECT CaretRect() const;
  void BlinkCaret();
  void ShowCaretArea();

  void Shutdown();

  bool videoAvailable_ = false;
  // Fonts outlive every GDI object that holds one: declared first.
  std::unique_ptr<FontLibrary> fonts_;
  std::unique_ptr<SdlAudio> audio_;
  std::unique_ptr<MciInterpreter> mci_;

  std::map<std::string, WindowClass> classes_;  // by lower-case name
  HandleTable<HWND, Window> windows_{0x1000};
  HandleTable<HGDIOBJ, GdiObject> objects_{0x200000};
  HandleTable<HDC, DeviceContext> contexts_{0x100000};
  std::map<int, HGDIOBJ> stock_;
  HGDIOBJ defaultBitmap_ = nullptr;
  std::optional<Caret> caret_;

  std::deque<QueuedMessage> queue_;
  std::optional<QueuedMessage> lastTaken_;  // the message PeekMessageA removed last
  KeySnapshot keys_;        // as the translated events leave them
  KeySnapshot takenKeys_;   // at the message last taken: what GetKeyState answers
  std::uint64_t nextKeySerial_ = 1;
  std::uint64_t lastKeyDownSerial_ = 0;
  bool lastKeyDownSuppressesText_ = false;
  bool quitPosted_ = false;
  int quitCode_ = 0;
};

}  // namespace platform::sdl
