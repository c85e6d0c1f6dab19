// The real Win32 calls: each operation is the one call it is named after,
// with the arguments the program passes.  What happens here beyond the call
// is bookkeeping the handle and struct types force on us: the platform's
// window procedures are reached through one real trampoline, and the real
// PAINTSTRUCT of a paint bracket is kept until its EndPaint.
//
// platform/platform.h comes first (through win32_convert.h): its constants
// share their names with windows.h's macros.  After windows.h only the
// system's spelling of a constant may be used in this file.
#include "platform/win32/win32_convert.h"
#include "platform/win32/win32_window_procedure.h"

#include <mmsystem.h>

#include <map>
#include <memory>

#include "platform/native.h"

namespace platform::win32 {

namespace {

class Win32Platform final : public Platform {
 public:
  Win32Platform() { ForgetProcedures(); }

  // --- Messages
  bool PeekMessageA(MSG& message, HWND window, UINT filterMin, UINT filterMax,
                    UINT removeMessage) override {
    ::MSG real{};
    // Sent messages are delivered to their window procedures inside this call.
    BOOL found = ::PeekMessageA(&real, Real(window), filterMin, filterMax, removeMessage);
    RethrowPendingException();
    if (found) message = Ours(real);
    return found != FALSE;
  }

  bool WaitMessage() override {
    BOOL result = ::WaitMessage();
    RethrowPendingException();
    return result != FALSE;
  }

  bool TranslateMessage(const MSG& message) override {
    ::MSG real = Real(message);
    return ::TranslateMessage(&real) != FALSE;
  }

  LRESULT DispatchMessageA(const MSG& message) override {
    ::MSG real = Real(message);
    ::LRESULT result = ::DispatchMessageA(&real);
    RethrowPendingException();
    return static_cast<LRESULT>(result);
  }

  void PostQuitMessage(int exitCode) override { ::PostQuitMessage(exitCode); }

  SHORT GetKeyState(int virtualKey) override { return ::GetKeyState(virtualKey); }

  // --- Window class and window
  ATOM RegisterClassA(const WNDCLASSA& windowClass) override {
    RememberClassProcedure(windowClass.lpszClassName, windowClass.lpfnWndProc);
    ::WNDCLASSA real{};
    real.style = windowClass.style;
    real.lpfnWndProc = &Trampoline;
    real.cbClsExtra = windowClass.cbClsExtra;
    real.cbWndExtra = windowClass.cbWndExtra;
    real.hInstance = Real(windowClass.hInstance);
    real.hIcon = Real(windowClass.hIcon);
    real.hCursor = Real(windowClass.hCursor);
    real.hbrBackground = reinterpret_cast<::HBRUSH>(Real(windowClass.hbrBackground));
    real.lpszMenuName = windowClass.lpszMenuName;
    real.lpszClassName = windowClass.lpszClassName;
    return ::RegisterClassA(&real);
  }

  HINSTANCE GetModuleHandleA(const char* moduleName) override {
    return Ours(::GetModuleHandleA(moduleName));
  }

  HICON LoadIconA(HINSTANCE instance, int resourceId) override {
    return Ours(::LoadIconA(Real(instance), MAKEINTRESOURCEA(resourceId)));
  }

  HCURSOR LoadCursorA(HINSTANCE instance, int resourceId) override {
    return Ours(::LoadCursorA(Real(instance), MAKEINTRESOURCEA(resourceId)));
  }

  HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName,
                       DWORD style, int x, int y, int width, int height, HWND parent,
                       HMENU menu, HINSTANCE instance, void* param) override {
    ::HWND window = ::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height,
                                      Real(parent), Real(menu), Real(instance), param);
    RethrowPendingException();
    return Ours(window);
  }

  bool ShowWindow(HWND window, int command) override {
    BOOL wasVisible = ::ShowWindow(Real(window), command);
    RethrowPendingException();
    return wasVisible != FALSE;
  }

  bool UpdateWindow(HWND window) override {
    BOOL result = ::UpdateWindow(Real(window));
    RethrowPendingException();
    return result != FALSE;
  }

  bool DestroyWindow(HWND window) override {
    BOOL result = ::DestroyWindow(Real(window));
    RethrowPendingException();
    return result != FALSE;
  }

  LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    // The default processing may send further messages (Alt+F4 ends in a
    // WM_CLOSE sent from here).
    ::LRESULT result = CallSystemDefault(Real(window), message, static_cast<::WPARAM>(wParam),
                                         static_cast<::LPARAM>(lParam));
    RethrowPendingException();
    return static_cast<LRESULT>(result);
  }

  LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR newLong) override {
    ::HWND real = Real(window);
    if (index != GWLP_WNDPROC) {
      return static_cast<LONG_PTR>(::SetWindowLongPtrA(real, index, static_cast<::LONG_PTR>(newLong)));
    }
    WNDPROC previousProcedure = ProcedureOf(real);
    ::LONG_PTR previous = 0;
    if (newLong == reinterpret_cast<LONG_PTR>(&DefaultWindowProc)) {
      // The window goes to the system: the trampoline is not called again.
      previous = ::SetWindowLongPtrA(real, GWLP_WNDPROC, reinterpret_cast<::LONG_PTR>(&::DefWindowProcA));
      SetWindowProcedure(real, nullptr);
    } else {
      SetWindowProcedure(real, reinterpret_cast<WNDPROC>(newLong));
      previous = ::SetWindowLongPtrA(real, GWLP_WNDPROC, reinterpret_cast<::LONG_PTR>(&Trampoline));
    }
    // The previous procedure, in the caller's terms.
    if (previous == reinterpret_cast<::LONG_PTR>(&Trampoline)) {
      return reinterpret_cast<LONG_PTR>(previousProcedure);
    }
    if (previous == reinterpret_cast<::LONG_PTR>(&::DefWindowProcA)) {
      return reinterpret_cast<LONG_PTR>(&DefaultWindowProc);
    }
    return static_cast<LONG_PTR>(previous);
  }

  bool SetWindowTextA(HWND window, const char* text) override {
    return ::SetWindowTextA(Real(window), text) != FALSE;
  }

  HMENU GetSystemMenu(HWND window, bool revert) override {
    return Ours(::GetSystemMenu(Real(window), revert ? TRUE : FALSE));
  }

  bool EnableMenuItem(HMENU menu, UINT item, UINT enable) override {
    // The answer is the item's previous state, or -1 when there is no such item.
    return ::EnableMenuItem(Real(menu), item, enable) != -1;
  }

  bool GetWindowRect(HWND window, RECT& rect) override {
    ::RECT real{};
    BOOL result = ::GetWindowRect(Real(window), &real);
    if (result) rect = Ours(real);
    return result != FALSE;
  }

  HWND GetActiveWindow() override { return Ours(::GetActiveWindow()); }

  int GetSystemMetrics(int index) override { return ::GetSystemMetrics(index); }

  // --- Painting
  bool InvalidateRect(HWND window, const RECT* rect, bool erase) override {
    ::RECT real{};
    if (rect != nullptr) real = Real(*rect);
    return ::InvalidateRect(Real(window), rect != nullptr ? &real : nullptr,
                            erase ? TRUE : FALSE) != FALSE;
  }

  HDC BeginPaint(HWND window, PAINTSTRUCT& paint) override {
    ::PAINTSTRUCT real{};
    ::HDC dc = ::BeginPaint(Real(window), &real);
    RethrowPendingException();  // erasing sends WM_ERASEBKGND
    CopyInto(paint, real);
    if (dc != nullptr) openPaints_[dc] = real;
    return Ours(dc);
  }

  bool EndPaint(HWND window, const PAINTSTRUCT& paint) override {
    ::PAINTSTRUCT real{};
    if (auto found = openPaints_.find(Real(paint.hdc)); found != openPaints_.end()) {
      real = found->second;
      openPaints_.erase(found);
    } else {
      real.hdc = Real(paint.hdc);
      real.fErase = paint.fErase ? TRUE : FALSE;
      real.rcPaint = Real(paint.rcPaint);
    }
    return ::EndPaint(Real(window), &real) != FALSE;
  }

  HDC GetDC(HWND window) override { return Ours(::GetDC(Real(window))); }

  int ReleaseDC(HWND window, HDC dc) override { return ::ReleaseDC(Real(window), Real(dc)); }

  HDC CreateCompatibleDC(HDC dc) override { return Ours(::CreateCompatibleDC(Real(dc))); }

  bool DeleteDC(HDC dc) override { return ::DeleteDC(Real(dc)) != FALSE; }

  HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) override {
    return Ours(static_cast<::HGDIOBJ>(::CreateCompatibleBitmap(Real(dc), width, height)));
  }

  HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) override {
    return Ours(::SelectObject(Real(dc), Real(object)));
  }

  HGDIOBJ GetStockObject(int index) override { return Ours(::GetStockObject(index)); }

  bool DeleteObject(HGDIOBJ object) override { return ::DeleteObject(Real(object)) != FALSE; }

  HBRUSH CreateSolidBrush(COLORREF colour) override {
    return Ours(static_cast<::HGDIOBJ>(::CreateSolidBrush(colour)));
  }

  COLORREF SetTextColor(HDC dc, COLORREF colour) override {
    return static_cast<COLORREF>(::SetTextColor(Real(dc), colour));
  }

  COLORREF SetBkColor(HDC dc, COLORREF colour) override {
    return static_cast<COLORREF>(::SetBkColor(Real(dc), colour));
  }

  bool TextOutA(HDC dc, int x, int y, const char* text, int count) override {
    return ::TextOutA(Real(dc), x, y, text, count) != FALSE;
  }

  bool BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX,
              int sourceY, DWORD rop) override {
    return ::BitBlt(Real(dest), x, y, width, height, Real(source), sourceX, sourceY, rop) !=
           FALSE;
  }

  bool StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX,
                  int sourceY, int sourceWidth, int sourceHeight, DWORD rop) override {
    return ::StretchBlt(Real(dest), x, y, width, height, Real(source), sourceX, sourceY,
                        sourceWidth, sourceHeight, rop) != FALSE;
  }

  bool PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) override {
    return ::PatBlt(Real(dc), x, y, width, height, rop) != FALSE;
  }

  // --- Fonts
  HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                    DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                    DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                    DWORD pitchAndFamily, const char* faceName) override {
    return Ours(static_cast<::HGDIOBJ>(
        ::CreateFontA(height, width, escapement, orientation, weight, italic, underline,
                      strikeOut, charSet, outPrecision, clipPrecision, quality, pitchAndFamily,
                      faceName)));
  }

  bool GetTextMetricsA(HDC dc, TEXTMETRICA& metrics) override {
    ::TEXTMETRICA real{};
    BOOL result = ::GetTextMetricsA(Real(dc), &real);
    if (result) CopyInto(metrics, real);
    return result != FALSE;
  }

  // --- Caret
  bool CreateCaret(HWND window, HBITMAP bitmap, int width, int height) override {
    return ::CreateCaret(Real(window), reinterpret_cast<::HBITMAP>(Real(bitmap)), width,
                         height) != FALSE;
  }

  bool SetCaretPos(int x, int y) override { return ::SetCaretPos(x, y) != FALSE; }

  bool ShowCaret(HWND window) override { return ::ShowCaret(Real(window)) != FALSE; }

  bool DestroyCaret() override { return ::DestroyCaret() != FALSE; }

  // --- Process, files, time
  DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, DWORD size, const char* fileName) override {
    // A bare file name is looked for in the Windows directory: the system's rule.
    return static_cast<DWORD>(
        ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName));
  }

  DWORD GetModuleFileNameA(HINSTANCE module, char* buffer, DWORD size) override {
    return static_cast<DWORD>(::GetModuleFileNameA(Real(module), buffer, size));
  }

  void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }

  [[noreturn]] void ExitProcess(UINT exitCode) override { ::ExitProcess(exitCode); }

  // --- Sound and the message box
  bool MessageBeep(UINT type) override { return ::MessageBeep(type) != FALSE; }

  MCIERROR mciSendStringA(const char* command, char* returnString, UINT returnLength,
                          HWND callback) override {
    return static_cast<MCIERROR>(
        ::mciSendStringA(command, returnString, returnLength, Real(callback)));
  }

  bool sndPlaySoundA(const void* sound, UINT flags) override {
    return ::sndPlaySoundA(static_cast<const char*>(sound), flags) != FALSE;
  }

  int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) override {
    // The box runs its own message loop, which serves our window too.
    int answer = ::MessageBoxA(Real(owner), text, caption, type);
    RethrowPendingException();
    return answer;
  }

 private:
  // The real record of every paint bracket still open, by its device context.
  std::map<::HDC, ::PAINTSTRUCT> openPaints_;
};

}  // namespace

}  // namespace platform::win32

namespace platform {

std::unique_ptr<Platform> CreateNativePlatform() {
  return std::make_unique<win32::Win32Platform>();
}

}  // namespace platform
