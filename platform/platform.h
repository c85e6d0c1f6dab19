// The one seam between the program and the world outside the process.
//
// Every operation stands for one Win32 call and keeps its name, its
// arguments and its meaning, so that the console code reads like the Win32
// program it is.  Windows-only types become opaque handles and small
// structs with the Win32 field names.  Three backends implement it:
// platform/win32 (the real calls), platform/sdl (an SDL2 stand-in) and the
// recording double in tests/.
//
// This header must be included before <windows.h> wherever both are used:
// windows.h defines the message and style constants below as macros.
#pragma once

#if defined(WM_CREATE) || defined(SW_SHOW)
#error "include platform/platform.h before <windows.h>"
#endif

#include <cstdint>

#include "platform/virtual_keys.h"

namespace platform {

// ---------------------------------------------------------------------------
// Scalar types, as Win32 spells them
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using SHORT = std::int16_t;
using ATOM = std::uint16_t;
using COLORREF = std::uint32_t;  // red + green * 256 + blue * 65536
using MCIERROR = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LONG_PTR = std::intptr_t;

// Opaque handles.  Fonts, brushes and bitmaps are all GDI objects, as in
// Win32 where each converts to HGDIOBJ.
struct WindowObject;
struct DeviceContextObject;
struct GdiObjectHandle;
struct MenuObject;
struct InstanceObject;
struct IconObject;
using HWND = WindowObject*;
using HDC = DeviceContextObject*;
using HGDIOBJ = GdiObjectHandle*;
using HFONT = HGDIOBJ;
using HBRUSH = HGDIOBJ;
using HBITMAP = HGDIOBJ;
using HMENU = MenuObject*;
using HINSTANCE = InstanceObject*;
using HICON = IconObject*;
using HCURSOR = IconObject*;

using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------
// Structs
struct POINT {
  LONG x = 0;
  LONG y = 0;

  bool operator==(const POINT&) const = default;
};

struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt;

  bool operator==(const MSG&) const = default;
};

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  bool fErase = false;
  RECT rcPaint;
};

struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
};

struct TEXTMETRICA {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  LONG tmOverhang = 0;
};

struct WNDCLASSA {
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;
  const char* lpszMenuName = nullptr;
  const char* lpszClassName = nullptr;
};

// ---------------------------------------------------------------------------
// Constants (the Win32 values)

// Window messages
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_GETMINMAXINFO = 0x0024;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;

// PeekMessageA
constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;

// Window styles, ShowWindow, SetWindowLongA
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);
constexpr int SW_SHOW = 5;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int GWL_WNDPROC = -4;
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;

// System menu
constexpr UINT SC_CLOSE = 0xF060;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;

// GetSystemMetrics
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;

// GetStockObject
constexpr int BLACK_BRUSH = 4;
constexpr int OEM_FIXED_FONT = 10;
constexpr int SYSTEM_FONT = 13;
constexpr int SYSTEM_FIXED_FONT = 16;

// Raster operations
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD PATCOPY = 0x00F00021;

// CreateFontA
constexpr DWORD ANSI_CHARSET = 0;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

// LoadIconA, LoadCursorA
constexpr int IDI_APPLICATION = 32512;
constexpr int IDC_ARROW = 32512;

// sndPlaySoundA
constexpr UINT SND_SYNC = 0x0000;
constexpr UINT SND_ASYNC = 0x0001;
constexpr UINT SND_NODEFAULT = 0x0002;
constexpr UINT SND_MEMORY = 0x0004;
constexpr UINT SND_LOOP = 0x0008;

// MessageBoxA
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_TASKMODAL = 0x00002000;

// ---------------------------------------------------------------------------
// The interface
class Platform {
 public:
  virtual ~Platform() = default;

  // --- Messages
  virtual bool PeekMessageA(MSG& message, HWND window, UINT filterMin, UINT filterMax,
                            UINT removeMessage) = 0;
  virtual bool WaitMessage() = 0;
  virtual bool TranslateMessage(const MSG& message) = 0;
  virtual LRESULT DispatchMessageA(const MSG& message) = 0;
  virtual void PostQuitMessage(int exitCode) = 0;
  virtual SHORT GetKeyState(int virtualKey) = 0;

  // --- Window class and window
  virtual ATOM RegisterClassA(const WNDCLASSA& windowClass) = 0;
  virtual HINSTANCE GetModuleHandleA(const char* moduleName) = 0;
  virtual HICON LoadIconA(HINSTANCE instance, int resourceId) = 0;
  virtual HCURSOR LoadCursorA(HINSTANCE instance, int resourceId) = 0;
  virtual HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName,
                               DWORD style, int x, int y, int width, int height, HWND parent,
                               HMENU menu, HINSTANCE instance, void* param) = 0;
  virtual bool ShowWindow(HWND window, int command) = 0;
  virtual bool UpdateWindow(HWND window) = 0;
  virtual bool DestroyWindow(HWND window) = 0;
  virtual LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Only GWL_WNDPROC is used: the new value is a WNDPROC, or
  // DefaultWindowProc (below) to hand the window to the system.
  virtual LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR newLong) = 0;
  virtual bool SetWindowTextA(HWND window, const char* text) = 0;
  virtual HMENU GetSystemMenu(HWND window, bool revert) = 0;
  virtual bool EnableMenuItem(HMENU menu, UINT item, UINT enable) = 0;
  virtual bool GetWindowRect(HWND window, RECT& rect) = 0;
  virtual HWND GetActiveWindow() = 0;
  virtual int GetSystemMetrics(int index) = 0;

  // --- Painting
  virtual bool InvalidateRect(HWND window, const RECT* rect, bool erase) = 0;
  virtual HDC BeginPaint(HWND window, PAINTSTRUCT& paint) = 0;
  virtual bool EndPaint(HWND window, const PAINTSTRUCT& paint) = 0;
  virtual HDC GetDC(HWND window) = 0;  // no window: the screen
  virtual int ReleaseDC(HWND window, HDC dc) = 0;
  virtual HDC CreateCompatibleDC(HDC dc) = 0;
  virtual bool DeleteDC(HDC dc) = 0;
  virtual HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) = 0;
  virtual HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) = 0;
  virtual HGDIOBJ GetStockObject(int index) = 0;
  virtual bool DeleteObject(HGDIOBJ object) = 0;
  virtual HBRUSH CreateSolidBrush(COLORREF colour) = 0;
  virtual COLORREF SetTextColor(HDC dc, COLORREF colour) = 0;
  virtual COLORREF SetBkColor(HDC dc, COLORREF colour) = 0;
  virtual bool TextOutA(HDC dc, int x, int y, const char* text, int count) = 0;
  virtual bool BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX,
                      int sourceY, DWORD rop) = 0;
  virtual bool StretchBlt(HDC dest, int x, int y, int width, int height, HDC source,
                          int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                          DWORD rop) = 0;
  virtual bool PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) = 0;

  // --- Fonts
  virtual HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                            DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                            DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                            DWORD pitchAndFamily, const char* faceName) = 0;
  virtual bool GetTextMetricsA(HDC dc, TEXTMETRICA& metrics) = 0;

  // --- Caret
  virtual bool CreateCaret(HWND window, HBITMAP bitmap, int width, int height) = 0;
  virtual bool SetCaretPos(int x, int y) = 0;
  virtual bool ShowCaret(HWND window) = 0;
  virtual bool DestroyCaret() = 0;

  // --- Process, files, time
  virtual DWORD GetPrivateProfileStringA(const char* section, const char* key,
                                         const char* defaultValue, char* buffer, DWORD size,
                                         const char* fileName) = 0;
  virtual DWORD GetModuleFileNameA(HINSTANCE module, char* buffer, DWORD size) = 0;
  virtual void Sleep(DWORD milliseconds) = 0;
  [[noreturn]] virtual void ExitProcess(UINT exitCode) = 0;

  // --- Sound and the message box
  virtual bool MessageBeep(UINT type) = 0;
  virtual MCIERROR mciSendStringA(const char* command, char* returnString, UINT returnLength,
                                  HWND callback) = 0;
  virtual bool sndPlaySoundA(const void* sound, UINT flags) = 0;
  virtual int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) = 0;
};

// The backend in use.  The program installs its backend once at start;
// tests install the recording double.
Platform& Os();
void InstallPlatform(Platform* backend);

// Stands for the system's DefWindowProcA wherever a window procedure is
// expected (SetWindowLongA with GWL_WNDPROC).
LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Helpers that Win32 provides as macros.
constexpr COLORREF Rgb(BYTE red, BYTE green, BYTE blue) {
  return static_cast<COLORREF>(red) | (static_cast<COLORREF>(green) << 8) |
         (static_cast<COLORREF>(blue) << 16);
}
constexpr WORD LowWord(LPARAM value) { return static_cast<WORD>(value & 0xFFFF); }
constexpr WORD HighWord(LPARAM value) { return static_cast<WORD>((value >> 16) & 0xFFFF); }
constexpr LPARAM MakeLParam(int low, int high) {
  return static_cast<LPARAM>((static_cast<DWORD>(low) & 0xFFFF) |
                             ((static_cast<DWORD>(high) & 0xFFFF) << 16));
}

}  // namespace platform
