// Threads of the class library.
#include "Threads.h"
#include "Guard.h"
#include "Messages.h"
#include "SysUtils.h"
#include <process.h>

TThread::TThread() {
  unsigned id = 0;
  FHandle = reinterpret_cast<HANDLE>(
      _beginthreadex(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &id));
  if (!FHandle) RaiseLastOSError();
  FThreadID = id;
}

TThread::~TThread() {
  // Deleting a running thread from outside ends it first; a thread that frees itself is past
  // Execute here and must not wait for itself.
  if (FHandle && !FFinished && GetCurrentThreadId() != FThreadID) {
    Terminate();
    if (FSuspended) {
      FSkipExecute = true; // the derived part is gone: Execute must not run
      Resume();
    }
    WaitForSingleObject(FHandle, INFINITE);
  }
  if (FHandle) CloseHandle(FHandle);
}

unsigned __stdcall TThread::ThreadProc(void* param) {
  auto* self = static_cast<TThread*>(param);
  if (!self->FSkipExecute) GuardVoid([&] { self->Execute(); });
  DWORD result = self->ReturnValue;
  const bool freeSelf = self->FFreeOnTerminate;
  self->FFinished = true;
  if (freeSelf) GuardVoid([&] { delete self; });
  return result;
}

void TThread::Resume() {
  if (!FSuspended) return;
  FSuspended = false;
  ResumeThread(FHandle);
}

void TThread::Suspend() {
  if (FSuspended) return;
  FSuspended = true;
  SuspendThread(FHandle);
}

DWORD TThread::WaitFor() {
  if (GetCurrentThreadId() == FThreadID) return ReturnValue;
  WaitForSingleObject(FHandle, INFINITE);
  DWORD code = 0;
  GetExitCodeThread(FHandle, &code);
  return code;
}

int TThread::Priority() const {
  return GetThreadPriority(FHandle);
}

void TThread::SetPriority(int value) {
  SetThreadPriority(FHandle, value);
}

class TAsideWork::TWorker : public TThread {
public:
  explicit TWorker(std::function<void()> work) : FWork(std::move(work)) {}
  std::exception_ptr Failure;

protected:
  void Execute() override {
    try {
      FWork();
    } catch (...) {
      Failure = std::current_exception();
    }
  }

private:
  std::function<void()> FWork;
};

TAsideWork::TAsideWork(std::function<void()> work)
    : FWorker(std::make_unique<TWorker>(std::move(work))) {
  FWorker->Resume();
}

TAsideWork::~TAsideWork() {
  FWorker->WaitFor();
}

bool TAsideWork::WaitQuietly(uint32_t ms) {
  return WaitForSingleObject(FWorker->Handle(), ms) == WAIT_OBJECT_0;
}

void TAsideWork::WaitRunningMessages() {
  ::WaitFor([this] { return WaitQuietly(0); }, INFINITE_WAIT);
}

void TAsideWork::Rethrow() {
  FWorker->WaitFor();
  if (FWorker->Failure) std::rethrow_exception(FWorker->Failure);
}
