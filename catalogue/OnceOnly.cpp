// Hand-off of a second start's command line through a global atom and a window message.
#include "OnceOnly.h"
#include "Classes.h"
#include "MessageBox.h"
#include "SysUtils.h"
#include <windows.h>

namespace {

const char* const NoAnswerText =
    "Tonalbrook is already running but does not answer. Please try again later.";

} // namespace

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

THandOffResult HandToInstance(void* window, const std::vector<std::string>& params,
                              unsigned timeoutMs) {
  HWND wnd = static_cast<HWND>(window);
  ATOM atom = 0;
  if (!params.empty()) atom = GlobalAddAtomA(JoinInstanceParams(params).c_str());
  DWORD_PTR result = 0;
  // A first instance that stopped answering must not hang this start as well.
  if (SendMessageTimeoutA(wnd, WM_INSTANCEPARAMS, static_cast<WPARAM>(params.size()),
                          static_cast<LPARAM>(atom), SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs,
                          &result))
    return THandOffResult::Taken;
  // Not delivered: the receiver never deletes the atom now, so it is this side's to delete.
  if (atom) GlobalDeleteAtom(atom);
  return IsWindow(wnd) ? THandOffResult::NoAnswer : THandOffResult::Gone;
}

bool SendToPreviousInstance(const std::string& className, const std::vector<std::string>& params,
                            unsigned waitMs) {
  // Held for the rest of the process once taken: a start that finds it held knows an instance is
  // running or starting, even before that instance has made its window.
  static HANDLE lock = nullptr;
  static bool owned = false;
  if (!lock) lock = CreateMutexA(nullptr, FALSE, (className + ".OnceOnly").c_str());
  const DWORD started = GetTickCount();
  for (;;) {
    if (HWND wnd = static_cast<HWND>(FindPreviousInstance(className))) {
      switch (HandToInstance(wnd, params, waitMs)) {
      case THandOffResult::Taken:
        return true;
      case THandOffResult::NoAnswer:
        PlainMessageBox(NoAnswerText, "Tonalbrook", TMessageKind::Warning, TMessageButtons::OK);
        return true;
      case THandOffResult::Gone:
        break; // it was closing: look again
      }
    }
    if (!lock || owned) return false;
    DWORD w = WaitForSingleObject(lock, 50);
    if (w == WAIT_OBJECT_0 || w == WAIT_ABANDONED) {
      // Ours now; one more look, for a window of an instance that holds no lock.
      owned = true;
      continue;
    }
    if (GetTickCount() - started > waitMs) {
      PlainMessageBox(NoAnswerText, "Tonalbrook", TMessageKind::Warning, TMessageButtons::OK);
      return true;
    }
  }
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
