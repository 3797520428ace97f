// Threads and critical sections of the class library, shaped after the Win32 objects beneath.
#pragma once
#include <windows.h>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

// A thread object. It is always created suspended: the derived object must be complete before
// Execute may run, so the creator calls Resume. Execute runs behind the exception boundary.
// Wait for a running thread (WaitFor) before deleting it from outside; one never resumed may be
// deleted at once, and its Execute then never runs.
class TThread {
public:
  TThread();
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Resume();
  void Suspend();
  // Asks Execute to end; Execute polls Terminated.
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  // Waits until Execute has returned and answers ReturnValue. Not for a thread that frees itself.
  DWORD WaitFor();
  // When set, the object deletes itself on its own thread once Execute has returned.
  bool FreeOnTerminate() const { return FFreeOnTerminate; }
  void SetFreeOnTerminate(bool value) { FFreeOnTerminate = value; }
  // THREAD_PRIORITY_* values.
  int Priority() const;
  void SetPriority(int value);
  HANDLE Handle() const { return FHandle; }
  DWORD ThreadID() const { return FThreadID; }
  bool Suspended() const { return FSuspended; }
  bool Finished() const { return FFinished; }

protected:
  virtual void Execute() = 0;
  DWORD ReturnValue = 0;

private:
  static unsigned __stdcall ThreadProc(void* param);
  HANDLE FHandle = nullptr;
  DWORD FThreadID = 0;
  volatile bool FTerminated = false;
  volatile bool FFinished = false;
  volatile bool FFreeOnTerminate = false;
  volatile bool FSkipExecute = false;
  bool FSuspended = true;
};

// A recursive lock over a Win32 critical section.
class TCriticalSection {
public:
  TCriticalSection() { InitializeCriticalSection(&FSection); }
  ~TCriticalSection() { DeleteCriticalSection(&FSection); }
  TCriticalSection(const TCriticalSection&) = delete;
  TCriticalSection& operator=(const TCriticalSection&) = delete;
  void Enter() { EnterCriticalSection(&FSection); }
  void Leave() { LeaveCriticalSection(&FSection); }
  bool TryEnter() { return TryEnterCriticalSection(&FSection) != 0; }

private:
  CRITICAL_SECTION FSection;
};

// Holds a critical section for the life of a scope (released also when an exception leaves).
class TLockGuard {
public:
  explicit TLockGuard(TCriticalSection& section) : FSection(section) { FSection.Enter(); }
  ~TLockGuard() { FSection.Leave(); }
  TLockGuard(const TLockGuard&) = delete;
  TLockGuard& operator=(const TLockGuard&) = delete;

private:
  TCriticalSection& FSection;
};

// A piece of work run on a thread of its own while the window thread goes on: it starts at once;
// the window thread waits for it quietly or with its messages running, then takes what it threw.
class TAsideWork {
public:
  explicit TAsideWork(std::function<void()> work);
  // Waits for the end of the work if the window thread did not.
  ~TAsideWork();
  TAsideWork(const TAsideWork&) = delete;
  TAsideWork& operator=(const TAsideWork&) = delete;

  // Waits at most ms without running messages; answers whether the work has ended.
  bool WaitQuietly(uint32_t ms);
  // Waits for the end, running this thread's messages meanwhile (as WaitFor does).
  void WaitRunningMessages();
  // After the end: throws what the work threw, if anything.
  void Rethrow();

private:
  class TWorker;
  std::unique_ptr<TWorker> FWorker;
};
