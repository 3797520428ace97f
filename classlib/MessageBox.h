// Plain system message boxes, behind a seam so that tests can answer them without a window.
#pragma once
#include <functional>
#include <string>

// Shows MessageBoxA (flags as MB_*) and answers its IDOK/IDYES/... result. While a hook is set,
// the hook answers instead and no box appears.
int PlainMessageBox(const std::string& text, const std::string& caption, unsigned flags,
                    void* ownerWindow = nullptr);

using TMessageBoxHook =
    std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;
void SetMessageBoxHook(TMessageBoxHook hook);
