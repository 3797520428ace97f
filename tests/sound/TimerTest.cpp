// The shared 25 ms timer on the real system timer: call rates, nesting of disables, removal
// while a client runs, many starts and stops, and a failing client reported once on the window
// thread.
// Rates are counted in the timer's own ticks (a client of the shortest interval counts them), and
// its pace against a system timer of 25 ms, so that a loaded machine, which only delays ticks,
// cannot make a test fail.
#include <gtest/gtest.h>
#include "Guard.h"
#include "MMUtils.h"
#include "Messages.h"
#include "SysUtils.h"
#include "TestUtil.h"
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

// A client slow to return, as a display that takes long to draw.
void Slow(TMMTimerHandle, void* data) {
  auto* s = static_cast<TSlow*>(data);
  ++s->Entered;
  Sleep(50);
  ++s->Left;
}

} // namespace

TEST(SharedTimer, IntervalsGiveTheirCallRates) {
  // Ticks seen by a client added before the three and removed after them (outer), and by one
  // added after them and removed before them (inner): each of the three saw a number of ticks
  // between the two, and an interval of n ticks makes every nth tick a call.
  std::atomic<int> outer{0}, inner{0}, n25{0}, n30{0}, n100{0};
  TSystemTicks system(MMTimerTick);
  ASSERT_TRUE(system.Running());
  TMMTimerHandle o = AddTimerClient(25, false, Count, &outer);
  TMMTimerHandle a = AddTimerClient(25, false, Count, &n25);
  TMMTimerHandle b = AddTimerClient(30, false, Count, &n30);
  TMMTimerHandle c = AddTimerClient(100, false, Count, &n100);
  TMMTimerHandle i = AddTimerClient(25, false, Count, &inner);
  ASSERT_TRUE(o && a && b && c && i);
  EXPECT_TRUE(TimerRunning());
  EXPECT_TRUE(PumpUntil([&] { return inner.load() >= 80; }, 60000)) << "the timer ticks";
  RemoveTimerClient(i);
  RemoveTimerClient(a);
  RemoveTimerClient(b);
  RemoveTimerClient(c);
  RemoveTimerClient(o);
  const int systemTicks = system.Count();
  printf("ticks %d..%d, calls %d %d %d, %d system ticks\n", inner.load(), outer.load(), n25.load(),
         n30.load(), n100.load(), systemTicks);
  EXPECT_GE(n25.load(), inner.load());
  EXPECT_LE(n25.load(), outer.load());
  EXPECT_GE(n30.load(), inner.load() / 2); // 30 ms is two ticks
  EXPECT_LE(n30.load(), outer.load() / 2);
  EXPECT_GE(n100.load(), inner.load() / 4);
  EXPECT_LE(n100.load(), outer.load() / 4);
  // Late ticks are fewer, never more: no more than the system's 25 ms timer ticked meanwhile.
  EXPECT_LE(outer.load(), systemTicks + 2);
  EXPECT_FALSE(TimerRunning());
  EXPECT_EQ(TimerClientCount(), 0);
}

TEST(SharedTimer, DisablesNestAndShortIntervalsAreRaised) {
  // A client of the shortest interval, always enabled, counts the ticks; waits are in its ticks.
  std::atomic<int> ticks{0}, n{0};
  TMMTimerHandle clock = AddTimerClient(25, false, Count, &ticks);
  auto waitTicks = [&](int more) {
    const int until = ticks.load() + more;
    EXPECT_TRUE(PumpUntil([&] { return ticks.load() >= until; }, 30000)) << "the timer ticks";
  };
  TMMTimerHandle a = AddTimerClient(10, true, Count, &n);
  waitTicks(6);
  EXPECT_EQ(n.load(), 0); // started disabled
  EnableTimerClient(a);
  DisableTimerClient(a);
  DisableTimerClient(a);
  EnableTimerClient(a);
  int held = n.load();
  waitTicks(6);
  EXPECT_EQ(n.load(), held); // one disable still holds
  EnableTimerClient(a);
  EnableTimerClient(a); // a third enable keeps the count at 0
  int running = 0, passed = 0, systemTicks = 0;
  {
    TSystemTicks system(MMTimerTick);
    ASSERT_TRUE(system.Running());
    const int from = ticks.load();
    waitTicks(12);
    running = n.load() - held;
    passed = ticks.load() - from;
    systemTicks = system.Count();
  }
  // Every tick, not every 10 ms: the calls follow the ticks (a tick either way for the moments
  // the counts were read), and no more than the system's 25 ms timer ticked meanwhile.
  EXPECT_GE(running, passed - 2);
  EXPECT_LE(running, passed + 2);
  EXPECT_LE(running, systemTicks + 2);
  // A handle that was never registered changes nothing.
  TMMTimerClient* stranger = reinterpret_cast<TMMTimerClient*>(&n);
  DisableTimerClient(stranger);
  RemoveTimerClient(stranger);
  EXPECT_EQ(TimerClientCount(), 2);
  RemoveTimerClient(a);
  RemoveTimerClient(clock);
}

TEST(SharedTimer, RemovalWaitsForARunningClient) {
  TSlow s;
  TMMTimerHandle a = AddTimerClient(50, false, Slow, &s);
  EXPECT_TRUE(PollUntil([&] { return s.Entered.load() > s.Left.load(); })) << "the client runs";
  // Most likely still inside; either way the removal must not return while it is.
  RemoveTimerClient(a);
  EXPECT_EQ(s.Entered.load(), s.Left.load());
  int after = s.Entered.load();
  EXPECT_FALSE(TimerRunning());
  // Nothing runs after the removal: another client sees the timer tick on without it.
  std::atomic<int> ticks{0};
  TMMTimerHandle clock = AddTimerClient(25, false, Count, &ticks);
  EXPECT_TRUE(PumpUntil([&] { return ticks.load() >= 5; }, 30000));
  RemoveTimerClient(clock);
  EXPECT_EQ(s.Entered.load(), after);
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
    // Now and then the client stays until it has been called.
    if (i % 20 == 0) {
      const int before = n.load();
      ASSERT_TRUE(PumpUntil([&] { return n.load() > before; }, 30000));
    }
    RemoveTimerClient(h);
    ASSERT_FALSE(TimerRunning());
  }
  std::atomic<int> last{0};
  TMMTimerHandle h = AddTimerClient(25, false, Count, &last);
  // The timer still starts anew and ticks.
  EXPECT_TRUE(PumpUntil([&] { return last.load() >= 4; }, 30000)) << last.load();
  RemoveTimerClient(h);
}

TEST(SharedTimer, AFailingClientIsReportedOnceOnTheWindowThreadAndTheOthersTickOn) {
  std::vector<std::pair<std::string, DWORD>> shown;
  SetBoundaryHandler([&](std::exception_ptr e) {
    shown.push_back({ExceptionMessage(e), GetCurrentThreadId()});
  });
  std::atomic<int> calls{0};
  TMMTimerHandle failing = AddTimerClient(25, false, Fail, nullptr);
  TMMTimerHandle counting = AddTimerClient(25, false, Count, &calls);
  ASSERT_TRUE(failing && counting);
  // Forty ticks of the counting client: the failing one had as many chances to raise again.
  EXPECT_TRUE(PumpUntil([&] { return !shown.empty() && calls >= 40; }, 30000));
  RemoveTimerClient(failing);
  RemoveTimerClient(counting);
  EXPECT_TRUE(PumpQueued());
  SetBoundaryHandler([](std::exception_ptr e) {
    ADD_FAILURE() << "exception reached a boundary: " << ExceptionMessage(e);
  });
  ASSERT_EQ(shown.size(), 1u) << "a client that keeps raising is reported once";
  EXPECT_EQ(shown[0].first, "peak ageing failed");
  EXPECT_EQ(shown[0].second, GetCurrentThreadId()) << "reported on the timer thread";
  EXPECT_GE(calls.load(), 40) << "the client after the failing one was skipped";
  EXPECT_FALSE(TimerRunning());

  // A new registration of the same procedure is a new client, reported anew.
  shown.clear();
  SetBoundaryHandler([&](std::exception_ptr e) {
    shown.push_back({ExceptionMessage(e), GetCurrentThreadId()});
  });
  failing = AddTimerClient(25, false, Fail, nullptr);
  EXPECT_TRUE(PumpUntil([&] { return !shown.empty(); }, 30000));
  RemoveTimerClient(failing);
  EXPECT_TRUE(PumpQueued());
  SetBoundaryHandler([](std::exception_ptr e) {
    ADD_FAILURE() << "exception reached a boundary: " << ExceptionMessage(e);
  });
  EXPECT_EQ(shown.size(), 1u);
}
