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

namespace {

TPumpResult PumpOne(int& quitCode, unsigned long* queuedAt, UINT remove) {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, remove)) return TPumpResult::Empty;
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

// What waited when it was called, with PeekMessage's remove flags (which may leave out kinds).
void Drain(UINT remove) {
  // Only what was queued before the call: a timer whose handler takes longer than its period
  // would otherwise keep the queue from ever running dry, and the caller would never get back.
  const DWORD start = GetTickCount();
  int quitCode = 0;
  ++gDrainDepth;
  TScopeExit leave([] { --gDrainDepth; });
  for (;;) {
    DWORD queuedAt = 0;
    switch (PumpOne(quitCode, &queuedAt, remove)) {
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

} // namespace

TPumpResult PumpOneMessage(int& quitCode, unsigned long* queuedAt) {
  return PumpOne(quitCode, queuedAt, PM_REMOVE);
}

void ProcessMessages() {
  Drain(PM_REMOVE);
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

TLoopPump::TLoopPump(uint32_t paintIntervalMs)
    : FInterval(paintIntervalMs), FLastPaint(GetTickCount()) {}

void TLoopPump::Run() {
  if (GetTickCount() - FLastPaint >= FInterval) {
    LetMessagesRun();
    FLastPaint = GetTickCount();
    return;
  }
  if (gWaitDepth > 0) {
    AnswerSentMessages();
    return;
  }
  ++gWaitDepth;
  TScopeExit leave([] { --gWaitDepth; });
  Drain(PM_REMOVE | PM_QS_INPUT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE);
}

int DrainDepth() {
  return gDrainDepth;
}

int WaitDepth() {
  return gWaitDepth;
}
