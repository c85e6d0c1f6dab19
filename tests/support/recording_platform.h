// The recording double: a platform with a virtual clock, scripted input and
// a record of every call.  Sleep advances the clock at once, so a whole game
// runs in milliseconds.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace doubles {

using namespace platform;

// Thrown by ExitProcess so that a test can watch the program end.
struct ProcessExited {
  UINT exitCode;
};

// Thrown by WaitMessage when nothing is scripted any more: the program
// would wait for ever.
struct NothingMoreScripted {};

struct TextRun {
  HDC dc;
  int x;
  int y;
  std::string text;
  COLORREF foreground;
  COLORREF background;
};

struct SoundCall {
  std::vector<std::uint8_t> image;  // empty for a stop
  UINT flags;
  std::uint64_t at;
};

struct MessageBoxCall {
  std::string text;
  std::string caption;
  UINT type;
};

struct ScriptedMessage {
  std::uint64_t at;
  MSG message;
  std::map<int, bool> keyState;  // applied when the message is taken
};

class RecordingPlatform : public Platform {
 public:
  RecordingPlatform();

  // --- What the world looks like
  std::optional<std::string> iniText;  // nothing: no MIRABO.INI
  std::string moduleFileName = "C:\\Jogos\\mirabo.exe";
  int screenWidth = 1280;
  int screenHeight = 1024;
  int frameWidth = 4;     // SM_CXFRAME
  int frameHeight = 4;    // SM_CYFRAME
  int captionHeight = 19; // SM_CYCAPTION
  int externalLeading = 0;
  int overhang = 0;  // tmOverhang of every font
  // The update rectangle of the next BeginPaint, once; otherwise the whole
  // client area.
  std::optional<RECT> nextPaintRect;
  bool activateOnShow = true;  // ShowWindow makes the window active and focused
  bool isActiveWindow = true;  // GetActiveWindow answers our window
  bool refuseWindows = false;  // CreateWindowExA fails
  MCIERROR mciResult = 0;

  // --- Scripted input, delivered by PeekMessageA once the clock reaches it
  void Script(std::uint64_t at, UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
              std::map<int, bool> keyState = {});
  void ScriptChar(std::uint64_t at, std::uint8_t character);
  void ScriptKey(std::uint64_t at, int virtualKey, std::map<int, bool> keyState = {});
  void SetKeyDown(int virtualKey, bool down);

  // --- Observation: called around every message DispatchMessageA hands to
  // the window procedure, nested dispatches included, so that a test can
  // look at the program's state between messages.
  std::function<void(const MSG&)> beforeDispatch;
  std::function<void(const MSG&)> afterDispatch;

  // --- The record
  std::vector<std::string> calls;  // every call, as "Name(args)"
  std::vector<TextRun> textRuns;
  std::vector<std::string> mciCommands;
  std::vector<SoundCall> sounds;
  std::vector<MessageBoxCall> messageBoxes;
  std::vector<std::string> titles;  // every title the window had, in order
  std::vector<UINT> beeps;
  std::uint64_t now = 0;  // the virtual clock, in milliseconds
  // Drawing calls (SelectObject, colours, text, pixel copies, metrics) made
  // on a device context that was already released.
  int staleContextUses = 0;

  // The text the window shows, one string per row of cells of the given
  // size, built from the text runs and pixel copies drawn on the window.
  std::vector<std::string> ShownText(int cellWidth, int lineHeight, int columns, int rows) const;
  // The colours shown at a cell: foreground and background.
  std::pair<COLORREF, COLORREF> ShownColours(int cellWidth, int lineHeight, int column, int row) const;

  // Calls whose text starts with prefix.
  std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
  void ClearRecord();

  HWND Window() const { return window_.handle; }
  bool WindowExists() const { return window_.exists; }
  bool WindowInvalid() const { return window_.invalid; }
  WNDPROC WindowProcedure() const { return window_.procedure; }
  const RECT& OuterRect() const { return window_.outer; }
  int ShowCommand() const { return window_.showCommand; }
  bool CaretVisible() const { return caret_.shown && caret_.exists; }
  bool CaretExists() const { return caret_.exists; }
  POINT CaretPosition() const { return caret_.position; }
  bool CloseMenuItemEnabled() const { return closeItemEnabled_; }
  int LiveGdiObjects() const;

  // --- Platform
  bool PeekMessageA(MSG& message, HWND window, UINT filterMin, UINT filterMax,
                    UINT removeMessage) override;
  bool WaitMessage() override;
  bool TranslateMessage(const MSG& message) override;
  LRESULT DispatchMessageA(const MSG& message) override;
  void PostQuitMessage(int exitCode) override;
  SHORT GetKeyState(int virtualKey) override;
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
  HWND GetActiveWindow() override;
  int GetSystemMetrics(int index) override;
  bool InvalidateRect(HWND window, const RECT* rect, bool erase) override;
  HDC BeginPaint(HWND window, PAINTSTRUCT& paint) override;
  bool EndPaint(HWND window, const PAINTSTRUCT& paint) override;
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
  bool CreateCaret(HWND window, HBITMAP bitmap, int width, int height) override;
  bool SetCaretPos(int x, int y) override;
  bool ShowCaret(HWND window) override;
  bool DestroyCaret() override;
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
  struct GdiObject {
    enum class Kind { Font, Brush, Bitmap } kind = Kind::Font;
    bool stock = false;
    bool deleted = false;
    int height = 0;  // fonts: cell height; bitmaps: size
    int width = 0;
    int weight = 0;
    std::string face;
    COLORREF colour = 0;
  };
  struct DeviceContext {
    HWND window = nullptr;  // null: the screen or a memory context
    bool memory = false;
    bool released = false;
    HGDIOBJ font = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ bitmap = nullptr;
    COLORREF textColour = 0;
    COLORREF backColour = Rgb(255, 255, 255);
  };
  struct Glyph {
    char character;
    COLORREF foreground;
    COLORREF background;
  };
  struct WindowRecord {
    HWND handle = nullptr;
    bool exists = false;
    WNDPROC procedure = nullptr;
    RECT outer;
    bool invalid = false;
    bool eraseRequested = false;
    int showCommand = 0;
  };
  struct CaretRecord {
    bool exists = false;
    bool shown = false;
    POINT position;
  };

  void Record(std::string call);
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam);
  GdiObject* Object(HGDIOBJ handle);
  DeviceContext* Context(HDC handle);
  // The context behind handle, or null when there is none; counts a use of
  // a released context.
  DeviceContext* LiveContext(HDC handle);
  int FontWidth(const DeviceContext& dc);
  int FontHeight(const DeviceContext& dc);

  std::deque<ScriptedMessage> script_;
  std::deque<MSG> posted_;
  std::map<int, bool> keyDown_;
  std::map<std::string, WNDPROC> classes_;
  std::vector<GdiObject> objects_;  // handle = index + 1
  std::vector<DeviceContext> contexts_;
  std::map<std::pair<int, int>, Glyph> shown_;  // by pixel origin on the window
  WindowRecord window_;
  CaretRecord caret_;
  bool closeItemEnabled_ = false;
};

// Installs a fresh double as the platform and resets every module's state;
// uninstalls it at the end of the test.
class PlatformFixture {
 public:
  PlatformFixture();
  ~PlatformFixture();
  RecordingPlatform& os() { return os_; }

 private:
  RecordingPlatform os_;
};

// Runs body until the program ends; answers the exit code, or nothing when
// body returned without ending the program.
std::optional<UINT> RunUntilExit(const std::function<void()>& body);

}  // namespace doubles
