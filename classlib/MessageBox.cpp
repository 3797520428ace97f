// Plain system message boxes behind a test seam.
#include "MessageBox.h"
#include <windows.h>

static TMessageBoxHook& Hook() {
  static TMessageBoxHook hook;
  return hook;
}

void SetMessageBoxHook(TMessageBoxHook hook) {
  Hook() = std::move(hook);
}

int PlainMessageBox(const std::string& text, const std::string& caption, unsigned flags,
                    void* ownerWindow) {
  if (Hook()) return Hook()(text, caption, flags);
  return MessageBoxA(static_cast<HWND>(ownerWindow), text.c_str(), caption.c_str(), flags);
}

TMessageAnswer PlainMessageBox(const std::string& text, const std::string& caption,
                               TMessageKind kind, TMessageButtons buttons, void* ownerWindow) {
  static const unsigned icons[] = {MB_ICONWARNING, MB_ICONERROR, MB_ICONINFORMATION,
                                   MB_ICONQUESTION};
  using B = TMessageButtons;
  bool yesNo = Contains(buttons, B::Yes | B::No), cancel = Contains(buttons, B::Cancel);
  unsigned set = yesNo && cancel                      ? MB_YESNOCANCEL
                 : yesNo                              ? MB_YESNO
                 : cancel && Contains(buttons, B::OK) ? MB_OKCANCEL
                                                      : MB_OK;
  int answer = PlainMessageBox(text, caption, icons[static_cast<int>(kind) & 3] | set, ownerWindow);
  if (set == MB_OK && answer == IDOK && !Contains(buttons, B::OK)) {
    if (Contains(buttons, B::Cancel)) return TMessageAnswer::Cancel;
    if (Contains(buttons, B::Abort)) return TMessageAnswer::Abort;
  }
  return static_cast<TMessageAnswer>(answer);
}
