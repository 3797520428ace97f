// Plain system message boxes, behind a seam so that tests can answer them without a window.
#pragma once
#include "MessageKinds.h"
#include <functional>
#include <string>

// Shows MessageBoxA (flags as MB_*) and answers its IDOK/IDYES/... result. While a hook is set,
// the hook answers instead and no box appears.
int PlainMessageBox(const std::string& text, const std::string& caption, unsigned flags,
                    void* ownerWindow = nullptr);

// The same with the program's own kind and buttons. A lone Cancel or Abort button shows as OK and
// answers as offered, so that the caller hears the button it asked for; Help is left out (no
// topic to open).
TMessageAnswer PlainMessageBox(const std::string& text, const std::string& caption,
                               TMessageKind kind, TMessageButtons buttons,
                               void* ownerWindow = nullptr);

using TMessageBoxHook =
    std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;
void SetMessageBoxHook(TMessageBoxHook hook);
