// The SDL2 stand-in for the Win32 calls, on Linux: what the program calls
// and no more.
//
// Implemented:
//  [x] One window class and one window, with the messages Windows sends
//      while it creates, shows, updates, paints and destroys it; the client
//      area is a 32-bit pixel surface shown when a drawing ends.
//  [x] ShowWindow SW_SHOW and SW_SHOWMAXIMIZED (any other shows as SW_SHOW);
//      the title; the system menu's Close item; DefWindowProcA's Alt+F4 and
//      WM_CLOSE.
//  [x] Keys as WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP and WM_CHAR in
//      the order Windows delivers them, GetKeyState as of each message, typed
//      text as Windows-1252 (sdl_messages.cpp); AltGr as Ctrl+Alt where the
//      layout has it, held keys' repeats folded, nothing for the keys SDL
//      releases and presses as the focus changes.  The right button and
//      moves over the client area (the window never captures the mouse).
//  [x] GDI, caret and sound as the shared core does them (common/stand_in.h),
//      with fonts found by fontconfig and drawn by SDL_ttf, one audio device.
//  [x] MIRABO.INI from $XDG_CONFIG_HOME/mirabo/; fones.DAT from the current
//      directory, the program's own, then the installed data directory.
//  [x] The message box as SDL_ShowSimpleMessageBox, on standard error when
//      there is no display.
// Refused (the call fails, or the input makes no message):
//  [ ] A second window class, or a second window while one exists.
//  [ ] SetWindowLongA other than GWL_WNDPROC; PeekMessageA with a filter or
//      without PM_REMOVE; the left and middle buttons and the wheel.
//  [ ] Raster operations other than SRCCOPY and PATCOPY; sndPlaySoundA of a
//      file or alias; MCI commands other than the four of common/mci.h.
#pragma once

#include <SDL.h>

#include <bitset>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/common/stand_in_window.h"

namespace platform::sdl {

// --- Where the files that Windows finds by bare name live on this system
// (sdl_files.cpp): the INI file (GetPrivateProfileStringA) and fones.DAT.

// $XDG_CONFIG_HOME/mirabo, or $HOME/.config/mirabo when XDG_CONFIG_HOME is
// unset or empty (or not absolute, as the XDG rules ask).  Arguments are
// the environment values, null when unset.
std::filesystem::path ConfigDirectory(const char* xdgConfigHome, const char* home);

// A name with a slash or backslash is a path and stays as it is.
bool IsBareName(std::string_view name);

// `name` in `directory`: the exact name first, else the first entry whose
// name matches without regard to ASCII case, as on Windows' file systems.
std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& directory,
                                                      std::string_view name);

// The first directory of `directories` that holds `name` (see
// FindIgnoringCase).
std::optional<std::filesystem::path> FindInDirectories(
    const std::vector<std::filesystem::path>& directories, std::string_view name);

// The whole file, text or not; nothing when it cannot be read.
std::optional<std::string> ReadTextFile(const std::filesystem::path& path);

// --- SDL key codes to Win32 virtual keys.  sdl_keys.cpp

// The virtual key that WM_KEYDOWN and WM_KEYUP carry for a key: the generic
// VK_SHIFT, VK_CONTROL and VK_MENU for either side's modifier, keypad digits
// as VK_NUMPAD0..9 with Num Lock on and as the cursor keys without it, and
// Pause with Ctrl held as VK_CANCEL (Ctrl+Break).  Any other key (the
// punctuation keys, the locks, the Windows keys) is VK_PACKET, as Windows
// names a character that comes without a key: the program looks at none of
// them, and their characters still arrive as WM_CHAR.
std::uint8_t VirtualKeyOf(SDL_Keycode key, SDL_Scancode scancode, Uint16 modifiers);

// VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU or VK_RMENU for
// a modifier key, else 0.  GetKeyState answers for these as well.
std::uint8_t SidedVirtualKeyOf(SDL_Keycode key);

// Whether the right Alt key is AltGr in the keyboard layout in use, as the
// window system's keymap says (X11); false where it cannot be asked.
// Windows makes AltGr left Ctrl plus right Alt in layouts that have one,
// and right Alt plain Alt in those that do not; SDL reports right Alt in
// both.  sdl_keymap.cpp
bool RightAltIsAltGr(SDL_Window* window);

// --- The backend

// The window frame that GetSystemMetrics reports.  SDL draws no frame of
// its own, so these only need to agree with CreateWindowExA and
// GetWindowRect: an outer size of W x H gives a client area of
// W - 2 * kFrame by H - 2 * kFrame - kCaption.
inline constexpr int kFrame = 4;     // SM_CXFRAME, SM_CYFRAME
inline constexpr int kCaption = 20;  // SM_CYCAPTION

// A key message's lParam is a repeat count of 1 and the context code (Alt
// held), which DefWindowProcA reads for Alt+F4.  Nothing reads the rest.
using common::kAltHeldBit;

// Which keys are down at a message, by virtual key.
using KeySnapshot = std::bitset<256>;

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

// The glyph source of this backend (sdl_fonts.cpp): a face name resolved
// through fontconfig, rendered with SDL_ttf into fixed character cells of
// the size CreateFontA asked for.  SDL_ttf runs as long as the source.
std::unique_ptr<common::GlyphSource> CreateTtfGlyphs();

class SdlPlatform final : public common::OneWindowStandIn {
 public:
  SdlPlatform();
  ~SdlPlatform() override;

  // --- Messages (sdl_messages.cpp)
  bool PeekMessageA(MSG& message, HWND window, UINT filterMin, UINT filterMax,
                    UINT removeMessage) override;
  bool WaitMessage() override;
  bool TranslateMessage(const MSG& message) override;
  LRESULT DispatchMessageA(const MSG& message) override;
  void PostQuitMessage(int exitCode) override;
  SHORT GetKeyState(int virtualKey) override;

  // Asked at each press of right Alt; tests stand in for the window system.
  std::function<bool(SDL_Window*)> rightAltIsAltGr = &RightAltIsAltGr;

  // --- The window as SDL shows it (sdl_window.cpp); the rest of the
  // window calls are the shared ones (common/stand_in_window.h)
  bool ShowWindow(HWND window, int command) override;
  bool SetWindowTextA(HWND window, const char* text) override;
  bool GetWindowRect(HWND window, RECT& rect) override;
  int GetSystemMetrics(int index) override;

  // --- Process, files, time, message box (sdl_platform.cpp)
  DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, DWORD size, const char* fileName) override;
  DWORD GetModuleFileNameA(HINSTANCE module, char* buffer, DWORD size) override;
  void Sleep(DWORD milliseconds) override;
  [[noreturn]] void ExitProcess(UINT exitCode) override;
  int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) override;

 private:
  using Window = common::Window;

  // The shared stand-in's hooks (sdl_window.cpp)
  void Present(HWND window, const RECT& area) override;
  bool OpenNativeWindow(const std::string& title, int width, int height,
                        std::string& whyNot) override;
  HWND WindowNotOpened(const std::string& whyNot) override;
  POINT TrackSizesSet(POINT bounded) override;
  void WindowDestroyed(HWND window) override;

  // sdl_platform.cpp.  Closing the device completes the disk driver's file.
  void OpenAudio();
  void CloseAudio();

  // sdl_window.cpp
  void ApplyTrackSizes();

  // sdl_messages.cpp
  struct PostedKey {
    QueuedMessage* keyDown = nullptr;  // the key-down posted, or the one a repeat joined
    bool joined = false;
  };
  // Whose text an SDL_TEXTINPUT is: the first one after a character key's
  // key-down is that key's; any other is an input method's or a dead key's.
  struct KeyText {
    bool expected = false;
    std::uint64_t serial = 0;
    bool joined = false;      // a repeat folded into an earlier key-down, which has its text
    bool suppressed = false;  // Alt or Ctrl alone: no WM_CHAR of it
  };
  void PumpEvents();
  void Post(UINT message, WPARAM wParam, LPARAM lParam);
  bool AnythingToTake();
  void TranslateEvent(const SDL_Event& event);
  void TranslateKey(const SDL_KeyboardEvent& key);
  void SetKeyState(std::uint8_t virtualKey, std::uint8_t sided, bool pressed);
  void ApplyKeyState(const SDL_KeyboardEvent& key);
  PostedKey PostKey(std::uint8_t virtualKey, std::uint8_t sided, bool pressed, bool repeat,
                    Uint32 time);
  QueuedMessage* PendingRepeat(UINT message, std::uint8_t virtualKey);
  QueuedMessage* UntranslatedKeyDown(std::uint64_t serial);
  Uint32 InputWindowId();
  bool PointerOverClient(int x, int y);
  void TranslateText(const SDL_TextInputEvent& text);
  void TranslateWindowEvent(const SDL_WindowEvent& event);
  void TranslateMouse(const SDL_Event& event);

  bool videoAvailable_ = false;
  SDL_AudioDeviceID audioDevice_ = 0;
  // The one window's, while it exists.
  std::unique_ptr<SDL_Window, decltype(&SDL_DestroyWindow)> sdlWindow_{nullptr,
                                                                        &SDL_DestroyWindow};

  std::deque<QueuedMessage> queue_;
  std::optional<QueuedMessage> lastTaken_;  // the message PeekMessageA removed last
  KeySnapshot keys_;        // as the translated events leave them
  KeySnapshot takenKeys_;   // at the message last taken: what GetKeyState answers
  std::uint64_t nextKeySerial_ = 1;
  KeyText keyText_;
  bool altGrDown_ = false;      // right Alt went down as AltGr
  bool pointerInside_ = true;   // no SDL_WINDOWEVENT_LEAVE since the last enter
  bool quitPosted_ = false;
  int quitCode_ = 0;
};

}  // namespace platform::sdl
