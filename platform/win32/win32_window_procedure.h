// The bridge between the system's window procedures and the platform's.
//
// The system calls one real CALLBACK procedure, the trampoline, for every
// window of a class registered here; the trampoline finds the platform
// procedure of that window (or of its class) and calls it with the message,
// converting the records that a message points to.
#pragma once

#include "platform/win32/win32_convert.h"

namespace platform::win32 {

// The real procedure that RegisterClassA gives the system.
::LRESULT CALLBACK Trampoline(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam);

// Remembers the platform procedure of a registered class.  Class names are
// compared without regard to case, as the system does.
void RememberClassProcedure(const char* className, WNDPROC procedure);

// The platform procedure now serving a window: its own after
// SetWindowLongA, else its class's.  Nothing when neither is known.
WNDPROC ProcedureOf(::HWND window);

// Gives a window its own platform procedure (nothing: forget it).
void SetWindowProcedure(::HWND window, WNDPROC procedure);

// The system's DefWindowProcA, with the records that the platform hands
// over as its own structs (WM_GETMINMAXINFO) converted back and forth.
::LRESULT CallSystemDefault(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam);

// An exception cannot unwind through the system's frames that lie between
// a call such as DispatchMessageA and the trampoline.  The trampoline
// catches it and keeps it; the backend throws it again once the system call
// has returned.
void RethrowPendingException();

// Back to the state at start (the backend's constructor).
void ForgetProcedures();

}  // namespace platform::win32
