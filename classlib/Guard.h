// The exception boundary: every window procedure, callback and thread entry runs its body through
// Guard, because an exception must never unwind through Windows' own frames.
#pragma once
#include <exception>
#include <functional>
#include <type_traits>

using TBoundaryHandler = std::function<void(std::exception_ptr)>;

// The application's handler for exceptions caught at a boundary; the application object installs
// its own. With none installed the message goes to the debugger output.
void SetBoundaryHandler(TBoundaryHandler handler);
TBoundaryHandler BoundaryHandler();
void HandleBoundaryException(std::exception_ptr e) noexcept;

// Runs body; an exception it raises goes to the boundary handler and fallback is returned.
template <class R, class F> R Guard(R fallback, F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    HandleBoundaryException(std::current_exception());
    return fallback;
  }
}

template <class F> void GuardVoid(F&& body) noexcept {
  try {
    body();
  } catch (...) {
    HandleBoundaryException(std::current_exception());
  }
}
