// Runs another program and waits for its end while this program's windows keep answering.
#include "WinExc32.h"
#include "Handles.h"
#include "Messages.h"
#include <vector>
#include <windows.h>

namespace {

// Runs every waiting message; answers false when a quit message came, leaving its code.
bool RunPendingMessages(int& quitCode) {
  for (;;) {
    switch (PumpOneMessage(quitCode)) {
    case TPumpResult::Empty:
      return true;
    case TPumpResult::Quit:
      return false;
    case TPumpResult::Handled:
      break;
    }
  }
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
  TKernelHandle threadOwner(process.hThread); // unused, closed with the process handle
  TKernelHandle processOwner(process.hProcess);

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
  return result;
}
