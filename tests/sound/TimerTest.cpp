// The shared 25 ms timer on the real system timer: call rates, nesting of disables, removal
// while a client runs, and many starts and stops.
#include <gtest/gtest.h>
#include "MMUtils.h"
#include <atomic>

namespace {

void Count(TMMTimerHandle, void* data) {
  ++*static_cast<std::atomic<int>*>(data);
}

struct TSlow {
  std::atomic<int> Entered{0}, Left{0};
};

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
