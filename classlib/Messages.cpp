// Message pumping for long waits.
#include "Messages.h"
#include "Guard.h"
#include <windows.h>

// Filled by the forms layer so modeless dialogs get their keyboard handling while we pump.
bool (*TbIsDialogMessageHook)(MSG&) = nullptr;

void ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit for the main loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (TbIsDialogMessageHook && TbIsDialogMessageHook(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& done, uint32_t timeoutMs, uint32_t pollMs) {
  DWORD start = GetTickCount();
  for (;;) {
    ProcessMessages();
    if (done()) return true;
    DWORD elapsed = GetTickCount() - start;
    if (timeoutMs != INFINITE_WAIT && elapsed >= timeoutMs) return false;
    DWORD wait = pollMs;
    if (timeoutMs != INFINITE_WAIT && timeoutMs - elapsed < wait) wait = timeoutMs - elapsed;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
  }
}
