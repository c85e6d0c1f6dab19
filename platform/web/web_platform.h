// The browser stand-in for the Win32 calls: the program compiled to
// WebAssembly, its window a canvas on a web page.  It holds what the
// program calls and no more.
//
// Implemented:
//  [x] One window class and one window at a time, with the messages Windows
//      sends while it creates, shows, updates, paints and destroys it; the
//      client area is a 32-bit pixel surface shown on the page's canvas when
//      a drawing ends.  No frame: the canvas is the client area.
//  [x] SW_SHOWMAXIMIZED as the largest size the window's track sizes allow
//      on the screen; the title as the page's title; DefWindowProcA's
//      Alt+F4 and WM_CLOSE.
//  [x] The keyboard by place (KeyboardEvent.code) and character
//      (KeyboardEvent.key) as Windows' messages, in Windows' order, with
//      GetKeyState as of each message (web_queue.h); the right mouse button
//      and mouse moves over the canvas.
//  [x] The screen's text, as drawn, in the page's live region
//      (web_screen_text.h).
//  [x] GDI, caret and sound as the shared stand-in does them
//      (platform/common/stand_in.h), with glyphs drawn by the page from its
//      font (web_fonts.h) and the mixer played through the page
//      (web_audio.h).
//  [x] Sleep and WaitMessage give the page its thread back while they wait.
//  [x] MIRABO.INI from the page address; fones.DAT fetched with the page.
//  [x] The message box as a dialog of the page, waited for.
// Refused (the call fails, or the input makes no message):
//  [ ] A second window class, and a second window while one exists.
//  [ ] SetWindowLongA other than GWL_WNDPROC.
//  [ ] The left and middle buttons and the wheel.
//  [ ] Raster operations other than SRCCOPY and PATCOPY; sndPlaySoundA of a
//      file or alias; MCI commands other than the four of
//      platform/common/mci.h.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/common/stand_in_window.h"
#include "platform/web/web_audio.h"
#include "platform/web/web_browser.h"
#include "platform/web/web_queue.h"
#include "platform/web/web_screen_text.h"

namespace platform::web {

class WebPlatform final : public common::OneWindowStandIn {
 public:
  explicit WebPlatform(std::unique_ptr<Browser> browser);
  ~WebPlatform() override;
  WebPlatform(const WebPlatform&) = delete;
  WebPlatform& operator=(const WebPlatform&) = delete;

  // --- Messages (web_messages.cpp)
  bool PeekMessageA(MSG& message, HWND window, UINT filterMin, UINT filterMax,
                    UINT removeMessage) override;
  bool WaitMessage() override;
  bool TranslateMessage(const MSG& message) override;
  LRESULT DispatchMessageA(const MSG& message) override;
  void PostQuitMessage(int exitCode) override;
  SHORT GetKeyState(int virtualKey) override;

  // --- The window as the page shows it (web_window.cpp); the rest of the
  // window calls are the shared ones (platform/common/stand_in_window.h)
  bool ShowWindow(HWND window, int command) override;
  bool SetWindowTextA(HWND window, const char* text) override;
  bool GetWindowRect(HWND window, RECT& rect) override;
  int GetSystemMetrics(int index) override;

  // --- Drawing as the shared stand-in does it, with the screen's text
  // kept beside (web_window.cpp)
  HDC GetDC(HWND window) override;
  int ReleaseDC(HWND window, HDC dc) override;
  bool TextOutA(HDC dc, int x, int y, const char* text, int count) override;
  bool BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
              DWORD rop) override;
  bool PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) override;

  // --- Process, files, time, sound, message box (web_platform.cpp)
  DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, DWORD size, const char* fileName) override;
  DWORD GetModuleFileNameA(HINSTANCE module, char* buffer, DWORD size) override;
  void Sleep(DWORD milliseconds) override;
  [[noreturn]] void ExitProcess(UINT exitCode) override;
  bool MessageBeep(UINT type) override;
  MCIERROR mciSendStringA(const char* command, char* returnString, UINT returnLength,
                          HWND callback) override;
  bool sndPlaySoundA(const void* sound, UINT flags) override;
  int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) override;

 private:
  using Window = common::Window;

  explicit WebPlatform(Browser* browser);  // takes it

  // The shared stand-in's hooks (web_window.cpp)
  void Present(HWND window, const RECT& area) override;
  bool OpenNativeWindow(const std::string& title, int width, int height,
                        std::string& whyNot) override;
  HWND WindowNotOpened(const std::string& whyNot) override;
  void WindowDestroyed(HWND window) override;
  void Erased(const RECT& area) override;
  void ResizeClient(int width, int height) override;

  // web_window.cpp
  void ShowScreenText();

  // web_messages.cpp
  void PumpEvents();
  void TranslateEvent(const PageEvent& event);
  bool AnythingToTake();
  HWND DirtyWindow();

  std::unique_ptr<Browser> ownedBrowser_;
  Browser& browser_;
  std::unique_ptr<WebAudio> audio_;
  std::set<HDC> windowContexts_;        // the DCs that draw on the window
  MessageQueue queue_;
  ScreenText screenText_;
  std::vector<std::uint8_t> rgba_;  // what Present hands the page
};

}  // namespace platform::web
