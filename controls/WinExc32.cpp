// Runs another program and waits for its end while this program's windows keep answering.
#include "WinExc32.h"
#include <vector>
#include <windows.h>

// Filled by the forms layer so modeless dialogs get their keyboard handling while we pump.
extern bool (*TbIsDialogMessageHook)(MSG&);

namespace {

// Runs every waiting message; answers false when a quit message came, leaving its code.
bool RunPendingMessages(int& quitCode) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quitCode = static_cast<int>(msg.wParam);
      return false;
    }
    if (TbIsDialogMessageHook && TbIsDialogMessageHook(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}

} // namespace

uint32_t RunAndWait(const std::string& commandLine, int showMode, uint32_t* exitCode) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK;
  startup.wShowWindow = static_cast<WORD>(showMode);
  PROCESS_INFORMATION process{};
  // CreateProcessA may write into the command line.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &startup, &process))
    return GetLastError();
  CloseHandle(process.hThread);

  // Waiting on the process itself, not polling its exit code, so that a program that ends with
  // the code STILL_ACTIVE (259) is noticed too.
  uint32_t result = 0;
  for (;;) {
    int quitCode = 0;
    if (!RunPendingMessages(quitCode)) {
      PostQuitMessage(quitCode);
      result = RUN_WAIT_QUIT;
      break;
    }
    DWORD woke =
        MsgWaitForMultipleObjectsEx(1, &process.hProcess, 100, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0) break;
    if (woke == WAIT_FAILED) {
      // Cannot wait on the handle: fall back to reading the exit code.
      DWORD code = 0;
      if (!GetExitCodeProcess(process.hProcess, &code) || code != STILL_ACTIVE) break;
      Sleep(10);
    }
  }
  if (exitCode) {
    DWORD code = 0;
    *exitCode = GetExitCodeProcess(process.hProcess, &code) ? code : 0;
  }
  CloseHandle(process.hProcess);
  return result;
}
