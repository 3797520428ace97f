// The shared 25 ms timer on the real system timer: call rates, nesting of disables, removal
// while a client runs, many starts and stops, and a failing client reported on the window thread.
#include <gtest/gtest.h>
#include "Guard.h"
#include "MMUtils.h"
#include "Messages.h"
#include "SysUtils.h"
#include <atomic>
#include <string>
#include <utility>
#include <vector>

namespace {

void Count(TMMTimerHandle, void* data) {
  ++*static_cast<std::atomic<int>*>(data);
}

struct TSlow {
  std::atomic<int> Entered{0}, Left{0};
};

void Fail(TMMTimerHandle, void*) {
  throw Exception("peak ageing failed");
}

void Slow(TMMTimerHandle, void* data) {
  auto* s = static_cast<TSlow*>(data);
  ++s->Entered;
  Sleep(50);
  ++s->Left;
}

} // namespace

TEST(SharedTimer, IntervalsGiveTheirCallRates) {
  std::atomic<int> n25{0}, n30{0}, n100{0};
  TMMTimerHandle a = AddTimerClient(25, false, Count, &n25);
  TMMTimerHandle b = AddTimerClient(30, false, Count, &n30);
  TMMTimerHandle c = AddTimerClient(100, false, Count, &n100);
  ASSERT_TRUE(a && b && c);
  EXPECT_TRUE(TimerRunning());
  Sleep(2000);
  RemoveTimerClient(a);
  RemoveTimerClient(b);
  RemoveTimerClient(c);
  printf("calls in 2 s: %d %d %d\n", n25.load(), n30.load(), n100.load());
  EXPECT_NEAR(n25.load(), 80, 12);
  EXPECT_NEAR(n30.load(), 40, 6);
  EXPECT_NEAR(n100.load(), 20, 3);
  EXPECT_FALSE(TimerRunning());
  EXPECT_EQ(TimerClientCount(), 0);
}

TEST(SharedTimer, DisablesNestAndShortIntervalsAreRaised) {
  std::atomic<int> n{0};
  TMMTimerHandle a = AddTimerClient(10, true, Count, &n);
  Sleep(150);
  EXPECT_EQ(n.load(), 0); // started disabled
  EnableTimerClient(a);
  DisableTimerClient(a);
  DisableTimerClient(a);
  EnableTimerClient(a);
  int held = n.load();
  Sleep(150);
  EXPECT_EQ(n.load(), held); // one disable still holds
  EnableTimerClient(a);
  EnableTimerClient(a); // a third enable keeps the count at 0
  Sleep(300);
  int running = n.load();
  EXPECT_GE(running, held + 6); // every 25 ms, not every 10
  EXPECT_LE(running, held + 16);
  // A handle that was never registered changes nothing.
  TMMTimerClient* stranger = reinterpret_cast<TMMTimerClient*>(&n);
  DisableTimerClient(stranger);
  RemoveTimerClient(stranger);
  EXPECT_EQ(TimerClientCount(), 1);
  RemoveTimerClient(a);
}

TEST(SharedTimer, RemovalWaitsForARunningClient) {
  TSlow s;
  TMMTimerHandle a = AddTimerClient(50, false, Slow, &s);
  for (int i = 0; i < 200 && s.Entered.load() == s.Left.load(); ++i)
    Sleep(1);
  // Most likely inside now; either way the removal must not return while it is.
  RemoveTimerClient(a);
  EXPECT_EQ(s.Entered.load(), s.Left.load());
  int after = s.Entered.load();
  Sleep(120);
  EXPECT_EQ(s.Entered.load(), after); // nothing runs after the removal
  EXPECT_FALSE(TimerRunning());
}

TEST(SharedTimer, ManyCyclesAndRestarts) {
  std::atomic<int> n{0};
  TMMTimerHandle keep = AddTimerClient(25, false, Count, &n);
  for (int i = 0; i < 1000; ++i) {
    TMMTimerHandle h = AddTimerClient(25 + i % 50, i % 2 == 0, Count, &n);
    ASSERT_NE(h, nullptr);
    RemoveTimerClient(h);
  }
  EXPECT_EQ(TimerClientCount(), 1);
  RemoveTimerClient(keep);
  for (int i = 0; i < 200; ++i) {
    TMMTimerHandle h = AddTimerClient(25, false, Count, &n);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(TimerRunning());
    if (i % 20 == 0) Sleep(30);
    RemoveTimerClient(h);
    ASSERT_FALSE(TimerRunning());
  }
  std::atomic<int> last{0};
  TMMTimerHandle h = AddTimerClient(25, false, Count, &last);
  Sleep(200);
  EXPECT_GE(last.load(), 4); // the timer still starts anew and ticks
  RemoveTimerClient(h);
}

TEST(SharedTimer, AFailingClientIsReportedOnTheWindowThreadAndTheOthersTickOn) {
  std::vector<std::pair<std::string, DWORD>> shown;
  SetBoundaryHandler([&](std::exception_ptr e) {
    shown.push_back({ExceptionMessage(e), GetCurrentThreadId()});
  });
  std::atomic<int> calls{0};
  TMMTimerHandle failing = AddTimerClient(25, false, Fail, nullptr);
  TMMTimerHandle counting = AddTimerClient(25, false, Count, &calls);
  ASSERT_TRUE(failing && counting);
  EXPECT_TRUE(PumpUntil([&] { return shown.size() >= 3 && calls >= 10; }, 5000));
  // Removed on the window thread while the failing client keeps raising: a report shown from the
  // tick would keep the removal waiting for it.
  RemoveTimerClient(failing);
  RemoveTimerClient(counting);
  PumpUntil([] { return false; }, 100);
  SetBoundaryHandler([](std::exception_ptr e) {
    ADD_FAILURE() << "exception reached a boundary: " << ExceptionMessage(e);
  });
  ASSERT_GE(shown.size(), 3u);
  for (const auto& [text, thread] : shown) {
    EXPECT_EQ(text, "peak ageing failed");
    EXPECT_EQ(thread, GetCurrentThreadId()) << "reported on the timer thread";
  }
  EXPECT_GE(calls.load(), 10) << "the client after the failing one was skipped";
  EXPECT_FALSE(TimerRunning());
}
