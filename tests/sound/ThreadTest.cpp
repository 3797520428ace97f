// The class library's thread object: suspended creation, waiting for the result, termination,
// freeing itself, and deletion before it ever ran.
#include <gtest/gtest.h>
#include "TestUtil.h"
#include "Threads.h"
#include <atomic>

namespace {

struct TCounter : TThread {
  std::atomic<int>* Runs;
  std::atomic<bool>* Freed = nullptr;
  explicit TCounter(std::atomic<int>* runs) : Runs(runs) {}
  ~TCounter() override {
    if (Freed) *Freed = true;
  }
  void Execute() override {
    ++*Runs;
    while (!Terminated())
      SwitchToThread(); // polls, as Execute is meant to
    ReturnValue = 42;
  }
};

} // namespace

TEST(ClassThreads, RunsOnlyWhenResumedAndEndsOnRequest) {
  std::atomic<int> runs{0};
  TCounter t(&runs);
  // Created suspended: the system holds the thread once (read by suspending it again).
  EXPECT_EQ(SuspendThread(t.Handle()), 1u);
  ResumeThread(t.Handle());
  EXPECT_EQ(runs.load(), 0);
  t.SetPriority(THREAD_PRIORITY_ABOVE_NORMAL);
  EXPECT_EQ(t.Priority(), THREAD_PRIORITY_ABOVE_NORMAL);
  t.Resume();
  EXPECT_TRUE(PollUntil([&] { return runs.load() > 0; }));
  EXPECT_FALSE(t.Finished());
  t.Terminate();
  EXPECT_EQ(t.WaitFor(), 42u);
  EXPECT_TRUE(t.Finished());

  // Deleted before it ever ran: Execute never runs.
  auto* never = new TCounter(&runs);
  delete never;
  EXPECT_EQ(runs.load(), 1);
}

TEST(ClassThreads, FreesItselfWhenAsked) {
  std::atomic<int> runs{0};
  std::atomic<bool> freed{false};
  auto* t = new TCounter(&runs);
  t->Freed = &freed;
  t->SetFreeOnTerminate(true);
  t->Terminate(); // ends as soon as it starts
  t->Resume();
  EXPECT_TRUE(PollUntil([&] { return freed.load(); }));
  EXPECT_EQ(runs.load(), 1);
}

TEST(ClassThreads, CriticalSectionExcludesAndReenters) {
  TCriticalSection cs;
  std::atomic<int> inside{0}, most{0};
  struct TWorker : TThread {
    TCriticalSection* Cs;
    std::atomic<int>*In, *Most;
    void Execute() override {
      for (int i = 0; i < 200; ++i) {
        TLockGuard lock(*Cs);
        TLockGuard again(*Cs); // the same thread may enter twice
        int now = ++*In;
        if (now > *Most) *Most = now;
        --*In;
      }
    }
  };
  TWorker a, b;
  for (TWorker* w : {&a, &b}) {
    w->Cs = &cs;
    w->In = &inside;
    w->Most = &most;
    w->Resume();
  }
  a.WaitFor();
  b.WaitFor();
  EXPECT_EQ(most.load(), 1);
}
