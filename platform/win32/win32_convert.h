// Field-by-field copies between the platform's structs and the real Win32
// ones, and the handle casts.  The layouts happen to agree on 32-bit
// Windows, but nothing promises that, so nothing relies on it.
#pragma once

#include "platform/platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace platform::win32 {

// The platform's handles are opaque pointers that carry the real handle's
// value unchanged.
inline ::HWND Real(HWND window) { return reinterpret_cast<::HWND>(window); }
inline ::HDC Real(HDC dc) { return reinterpret_cast<::HDC>(dc); }
inline ::HGDIOBJ Real(HGDIOBJ object) { return reinterpret_cast<::HGDIOBJ>(object); }
inline ::HMENU Real(HMENU menu) { return reinterpret_cast<::HMENU>(menu); }
inline ::HINSTANCE Real(HINSTANCE instance) { return reinterpret_cast<::HINSTANCE>(instance); }
inline ::HICON Real(HICON icon) { return reinterpret_cast<::HICON>(icon); }

inline HWND Ours(::HWND window) { return reinterpret_cast<HWND>(window); }
inline HDC Ours(::HDC dc) { return reinterpret_cast<HDC>(dc); }
inline HGDIOBJ Ours(::HGDIOBJ object) { return reinterpret_cast<HGDIOBJ>(object); }
inline HMENU Ours(::HMENU menu) { return reinterpret_cast<HMENU>(menu); }
inline HINSTANCE Ours(::HINSTANCE instance) { return reinterpret_cast<HINSTANCE>(instance); }
inline HICON Ours(::HICON icon) { return reinterpret_cast<HICON>(icon); }

inline ::POINT Real(const POINT& point) { return ::POINT{point.x, point.y}; }
inline POINT Ours(const ::POINT& point) {
  return POINT{static_cast<LONG>(point.x), static_cast<LONG>(point.y)};
}

inline ::RECT Real(const RECT& rect) { return ::RECT{rect.left, rect.top, rect.right, rect.bottom}; }
inline RECT Ours(const ::RECT& rect) {
  return RECT{static_cast<LONG>(rect.left), static_cast<LONG>(rect.top),
              static_cast<LONG>(rect.right), static_cast<LONG>(rect.bottom)};
}

inline ::MSG Real(const MSG& message) {
  ::MSG real{};
  real.hwnd = Real(message.hwnd);
  real.message = message.message;
  real.wParam = static_cast<::WPARAM>(message.wParam);
  real.lParam = static_cast<::LPARAM>(message.lParam);
  real.time = message.time;
  real.pt = Real(message.pt);
  return real;
}
inline MSG Ours(const ::MSG& real) {
  MSG message;
  message.hwnd = Ours(real.hwnd);
  message.message = real.message;
  message.wParam = static_cast<WPARAM>(real.wParam);
  message.lParam = static_cast<LPARAM>(real.lParam);
  message.time = static_cast<DWORD>(real.time);
  message.pt = Ours(real.pt);
  return message;
}

inline void CopyInto(::MINMAXINFO& real, const MINMAXINFO& info) {
  real.ptReserved = Real(info.ptReserved);
  real.ptMaxSize = Real(info.ptMaxSize);
  real.ptMaxPosition = Real(info.ptMaxPosition);
  real.ptMinTrackSize = Real(info.ptMinTrackSize);
  real.ptMaxTrackSize = Real(info.ptMaxTrackSize);
}
inline void CopyInto(MINMAXINFO& info, const ::MINMAXINFO& real) {
  info.ptReserved = Ours(real.ptReserved);
  info.ptMaxSize = Ours(real.ptMaxSize);
  info.ptMaxPosition = Ours(real.ptMaxPosition);
  info.ptMinTrackSize = Ours(real.ptMinTrackSize);
  info.ptMaxTrackSize = Ours(real.ptMaxTrackSize);
}

inline void CopyInto(PAINTSTRUCT& paint, const ::PAINTSTRUCT& real) {
  paint.hdc = Ours(real.hdc);
  paint.fErase = real.fErase != FALSE;
  paint.rcPaint = Ours(real.rcPaint);
}

inline void CopyInto(TEXTMETRICA& metrics, const ::TEXTMETRICA& real) {
  metrics.tmHeight = static_cast<LONG>(real.tmHeight);
  metrics.tmAscent = static_cast<LONG>(real.tmAscent);
  metrics.tmDescent = static_cast<LONG>(real.tmDescent);
  metrics.tmInternalLeading = static_cast<LONG>(real.tmInternalLeading);
  metrics.tmExternalLeading = static_cast<LONG>(real.tmExternalLeading);
  metrics.tmAveCharWidth = static_cast<LONG>(real.tmAveCharWidth);
  metrics.tmMaxCharWidth = static_cast<LONG>(real.tmMaxCharWidth);
  metrics.tmWeight = static_cast<LONG>(real.tmWeight);
  metrics.tmOverhang = static_cast<LONG>(real.tmOverhang);
}

}  // namespace platform::win32
