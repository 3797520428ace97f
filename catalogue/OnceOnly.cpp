// Hand-off of a second start's command line through a global atom and a window message.
#include "OnceOnly.h"
#include "Classes.h"
#include "SysUtils.h"
#include <windows.h>

std::string JoinInstanceParams(const std::vector<std::string>& params) {
  std::string text;
  for (size_t i = 0; i < params.size() && text.size() <= MaxInstanceParamsLength; ++i) {
    if (i) text += "\r\n";
    text += params[i];
  }
  if (text.size() > MaxInstanceParamsLength) text.resize(MaxInstanceParamsLength);
  return text;
}

void* FindPreviousInstance(const std::string& className) {
  DWORD self = GetCurrentProcessId();
  HWND wnd = nullptr;
  while ((wnd = FindWindowExA(nullptr, wnd, className.c_str(), nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(wnd, &owner);
    if (owner != self) return wnd;
  }
  return nullptr;
}

bool SendToPreviousInstance(const std::string& className, const std::vector<std::string>& params) {
  HWND wnd = static_cast<HWND>(FindPreviousInstance(className));
  if (!wnd) return false;
  ATOM atom = 0;
  if (!params.empty()) atom = GlobalAddAtomA(JoinInstanceParams(params).c_str());
  SendMessageA(wnd, WM_INSTANCEPARAMS, static_cast<WPARAM>(params.size()),
               static_cast<LPARAM>(atom));
  return true;
}

bool SendToPreviousInstance(const std::string& className) {
  std::vector<std::string> params;
  for (int i = 1; i <= ParamCount(); ++i)
    params.push_back(ParamStr(i));
  return SendToPreviousInstance(className, params);
}

void ReceiveInstanceParams(uintptr_t wParam, intptr_t lParam,
                           const TInstanceParamCallback& callback, void* target) {
  ATOM atom = static_cast<ATOM>(lParam);
  if (atom == 0) return;
  std::string text;
  if (wParam >= 1 && callback) {
    char buf[512];
    UINT n = GlobalGetAtomNameA(atom, buf, sizeof buf);
    text.assign(buf, n);
  }
  // Gone before the callbacks run, which may raise or run long commands.
  GlobalDeleteAtom(atom);
  if (text.empty()) return;
  TStringList lines;
  lines.SetText(text);
  for (int i = 0; i < lines.Count(); ++i)
    callback(target, lines[i], i + 1);
}
