#include "platform/win32/win32_window_procedure.h"

#include <cctype>
#include <exception>
#include <map>
#include <string>

namespace platform::win32 {

namespace {

struct ProcedureState {
  std::map<std::string, WNDPROC> byClass;  // lower-case class name
  std::map<::HWND, WNDPROC> byWindow;
  std::exception_ptr pendingException;
};

ProcedureState& State() {
  static ProcedureState state;
  return state;
}

std::string LowerCase(const char* text) {
  std::string lower = text != nullptr ? text : "";
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

::LRESULT Forward(WNDPROC procedure, ::HWND window, ::UINT message, ::WPARAM wParam,
                  ::LPARAM lParam) {
  if (message == WM_GETMINMAXINFO && lParam != 0) {
    auto* real = reinterpret_cast<::MINMAXINFO*>(lParam);
    MINMAXINFO info;
    CopyInto(info, *real);
    LRESULT result = procedure(Ours(window), message, static_cast<WPARAM>(wParam),
                               reinterpret_cast<LPARAM>(&info));
    CopyInto(*real, info);
    return static_cast<::LRESULT>(result);
  }
  return static_cast<::LRESULT>(procedure(Ours(window), message, static_cast<WPARAM>(wParam),
                                          static_cast<LPARAM>(lParam)));
}

}  // namespace

void RememberClassProcedure(const char* className, WNDPROC procedure) {
  State().byClass[LowerCase(className)] = procedure;
}

WNDPROC ProcedureOf(::HWND window) {
  auto& state = State();
  if (auto found = state.byWindow.find(window); found != state.byWindow.end()) {
    return found->second;
  }
  // The first messages (WM_GETMINMAXINFO, WM_NCCREATE) arrive while
  // CreateWindowExA runs, before the caller knows the window's handle.
  char className[256] = {};
  if (::GetClassNameA(window, className, sizeof className) == 0) return nullptr;
  if (auto found = state.byClass.find(LowerCase(className)); found != state.byClass.end()) {
    state.byWindow[window] = found->second;
    return found->second;
  }
  return nullptr;
}

void SetWindowProcedure(::HWND window, WNDPROC procedure) {
  if (procedure == nullptr) {
    State().byWindow.erase(window);
  } else {
    State().byWindow[window] = procedure;
  }
}

::LRESULT CALLBACK Trampoline(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
  WNDPROC procedure = ProcedureOf(window);
  ::LRESULT result = 0;
  if (procedure == nullptr) {
    result = ::DefWindowProcA(window, message, wParam, lParam);
  } else {
    try {
      result = Forward(procedure, window, message, wParam, lParam);
    } catch (...) {
      if (!State().pendingException) State().pendingException = std::current_exception();
      result = 0;
    }
  }
  if (message == WM_NCDESTROY) SetWindowProcedure(window, nullptr);
  return result;
}

::LRESULT CallSystemDefault(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
  if (message == WM_GETMINMAXINFO && lParam != 0) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    ::MINMAXINFO real{};
    CopyInto(real, *info);
    ::LRESULT result = ::DefWindowProcA(window, message, wParam, reinterpret_cast<::LPARAM>(&real));
    CopyInto(*info, real);
    return result;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

void RethrowPendingException() {
  auto& pending = State().pendingException;
  if (pending) {
    std::exception_ptr exception = pending;
    pending = nullptr;
    std::rethrow_exception(exception);
  }
}

void ForgetProcedures() {
  auto& state = State();
  state.byClass.clear();
  state.byWindow.clear();
  state.pendingException = nullptr;
}

}  // namespace platform::win32
