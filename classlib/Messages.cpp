// Message pumping for long waits.
#include "Messages.h"
#include "Guard.h"
#include "Handles.h"
#include <windows.h>

bool (*TbIsDialogMessageHook)(MSG&) = nullptr;

namespace {

int gWaitDepth = 0;
int gDrainDepth = 0;

// Runs only the messages other threads sent to this one, so that they are not kept waiting.
void AnswerSentMessages() {
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

bool Loop(const std::function<bool()>& done, uint32_t timeoutMs, uint32_t pollMs, bool pump) {
  DWORD start = GetTickCount();
  for (;;) {
    if (pump)
      ProcessMessages();
    else
      AnswerSentMessages();
    if (done()) return true;
    DWORD elapsed = GetTickCount() - start;
    if (timeoutMs != INFINITE_WAIT && elapsed >= timeoutMs) return false;
    DWORD wait = pollMs;
    if (timeoutMs != INFINITE_WAIT && timeoutMs - elapsed < wait) wait = timeoutMs - elapsed;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, pump ? QS_ALLINPUT : QS_SENDMESSAGE);
  }
}

} // namespace

TPumpResult PumpOneMessage(int& quitCode, unsigned long* queuedAt) {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return TPumpResult::Empty;
  if (queuedAt) *queuedAt = msg.time;
  if (msg.message == WM_QUIT) {
    quitCode = static_cast<int>(msg.wParam);
    return TPumpResult::Quit;
  }
  // The hook runs command handlers (short cuts, Enter on a button): a key whose handler raised
  // counts as consumed, so it is not typed into the control as well.
  bool consumed = Guard(true, [&] { return TbIsDialogMessageHook && TbIsDialogMessageHook(msg); });
  if (!consumed) {
    GuardVoid([&] {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    });
  }
  return TPumpResult::Handled;
}

void ProcessMessages() {
  // Only what was queued before the call: a timer whose handler takes longer than its period
  // would otherwise keep the queue from ever running dry, and the caller would never get back.
  const DWORD start = GetTickCount();
  int quitCode = 0;
  ++gDrainDepth;
  TScopeExit leave([] { --gDrainDepth; });
  for (;;) {
    DWORD queuedAt = 0;
    switch (PumpOneMessage(quitCode, &queuedAt)) {
    case TPumpResult::Empty:
      return;
    case TPumpResult::Quit:
      // Leave the quit for the main loop.
      PostQuitMessage(quitCode);
      return;
    case TPumpResult::Handled:
      if (static_cast<LONG>(queuedAt - start) > 0) return;
      break;
    }
  }
}

bool PumpUntil(const std::function<bool()>& done, uint32_t timeoutMs, uint32_t pollMs) {
  return Loop(done, timeoutMs, pollMs, true);
}

bool WaitFor(const std::function<bool()>& done, uint32_t timeoutMs, uint32_t pollMs) {
  bool outermost = gWaitDepth == 0;
  ++gWaitDepth;
  TScopeExit leave([] { --gWaitDepth; });
  return Loop(done, timeoutMs, pollMs, outermost);
}

void LetMessagesRun() {
  if (gWaitDepth > 0) {
    AnswerSentMessages();
    return;
  }
  ++gWaitDepth;
  TScopeExit leave([] { --gWaitDepth; });
  ProcessMessages();
}

int DrainDepth() {
  return gDrainDepth;
}

int WaitDepth() {
  return gWaitDepth;
}
