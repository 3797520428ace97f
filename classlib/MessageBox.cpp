// Plain system message boxes behind a test seam.
#include "MessageBox.h"
#include <windows.h>

static TMessageBoxHook& Hook() {
  static TMessageBoxHook hook;
  return hook;
}

void SetMessageBoxHook(TMessageBoxHook hook) { Hook() = std::move(hook); }

int PlainMessageBox(const std::string& text, const std::string& caption, unsigned flags,
                    void* ownerWindow) {
  if (Hook()) return Hook()(text, caption, flags);
  return MessageBoxA(static_cast<HWND>(ownerWindow), text.c_str(), caption.c_str(), flags);
}
