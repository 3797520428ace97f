// The exception boundary's handler slot.
#include "Guard.h"
#include "SysUtils.h"
#include <windows.h>

static TBoundaryHandler& Handler() {
  static TBoundaryHandler handler;
  return handler;
}

void SetBoundaryHandler(TBoundaryHandler handler) {
  Handler() = std::move(handler);
}
TBoundaryHandler BoundaryHandler() {
  return Handler();
}

void HandleBoundaryException(std::exception_ptr e) noexcept {
  try {
    if (Handler()) {
      Handler()(e);
      return;
    }
    OutputDebugStringA(("Unhandled exception: " + ExceptionMessage(e)).c_str());
  } catch (...) {
    // The handler itself failed; nothing further may leave this boundary.
    OutputDebugStringA("Exception in the exception handler");
  }
}
