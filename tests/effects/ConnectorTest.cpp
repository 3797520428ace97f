// The connector fed by a test head that pushes known buffers: slots, frames with and without
// pacing, the buffer handed in, pause and stop, many pause cycles against a pushing thread, two
// connectors' loops, pumps that return, refused property changes and formats, a mu-law chain
// converted on the way, pop-up menus driven by real input while the loop runs, and a raising
// display.
#include <gtest/gtest.h>
#include "ExtCtrls.h"
#include "Guard.h"
#include "Handles.h"
#include "MMConect.h"
#include "MMLevel.h"
#include "MMLight.h"
#include "MMMeter.h"
#include "MMSpectr.h"
#include "Messages.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include <atomic>
#include <cmath>
#include <complex>
#include <cstring>
#include <thread>

namespace {

// The head of a test chain: it only holds the format.
struct THead : TMMDSPComponent {
  THead() : TMMDSPComponent(nullptr) {
    if (!FindMMClass("TEffectsHead")) {
      TMMClassInfo& c = RegisterMMClass<THead>("TEffectsHead", "TMMDSPComponent");
      c.Props = {DSPLinkProp("Input"), DSPLinkProp("Output")};
    }
  }
};

// A display that records what the connector hands it.
struct TCapture : TComponent {
  explicit TCapture(int size) : TComponent(nullptr), Size(size) {}
  int Size;
  int Formats = 0, Resets = 0;
  WAVEFORMATEX Format{};
  std::vector<std::string> Frames;
  std::atomic<size_t> Shown{0}; // the frames, for another thread to watch
  TMMConnectorSlot Slot() {
    TMMConnectorSlot s;
    s.Display = this;
    s.SetFormat = [this](const WAVEFORMATEX* f) {
      ++Formats;
      Format = *f;
    };
    s.Refresh = [this](const void* p) {
      Frames.emplace_back(static_cast<const char*>(p), Size);
      ++Shown;
    };
    s.Reset = [this] { ++Resets; };
    s.FrameSize = [this] { return Size; };
    return s;
  }
};

WAVEFORMATEX Pcm(int bits, int channels, int rate) {
  WAVEFORMATEX f;
  BuildPcmFormat(f, bits, channels, rate);
  return f;
}

// A wave buffer whose 16-bit words count up from first.
TWaveBuffer Counting(int bytes, int first = 0) {
  TWaveBuffer h = AllocWaveBuffer(bytes);
  auto* w = reinterpret_cast<uint16_t*>(h->lpData);
  for (int i = 0; i < bytes / 2; ++i)
    w[i] = uint16_t(first + i);
  h->dwBytesRecorded = bytes;
  return h;
}

uint16_t FirstWord(const std::string& frame) {
  uint16_t w;
  std::memcpy(&w, frame.data(), 2);
  return w;
}

struct TClock {
  int64_t Now = 1000000;
  TClock() {
    SetConnectorClock([this] { return Now; });
  }
  ~TClock() { SetConnectorClock(nullptr); }
};

// A connector below a head, opened with a format and a buffer size.
struct TChain {
  THead Head;
  TMMConnector Conn{nullptr};
  TChain(const WAVEFORMATEX& format, int bufferSize, bool realTime) {
    Conn.SetRealTime(realTime);
    Conn.SetBufferSize(bufferSize);
    WAVEFORMATEX f = format;
    Head.SetPWaveFormat(&f);
    Head.SetOutput(&Conn);
  }
  void Start() {
    Conn.Opened();
    Conn.Started();
  }
  void Push(TWaveBuffer h) { Conn.BufferReady(h.get()); }
};

} // namespace

TEST(Connector, PairRuleAndRemovedDisplays) {
  TForm form(nullptr);
  auto* level = new TMMLevel(&form);
  TMMConnector conn(nullptr);
  conn.SetLevel1(level);
  conn.SetLevel2(level);
  EXPECT_EQ(conn.Level(0), level);
  EXPECT_EQ(conn.Level(1), nullptr);
  TCapture spectrum(256);
  conn.SetSlot(8, spectrum.Slot());
  conn.SetSlot(9, spectrum.Slot()); // the spectrum slots may repeat one display
  EXPECT_EQ(conn.Spectrum(0), &spectrum);
  EXPECT_EQ(conn.Spectrum(1), &spectrum);
  delete level;
  EXPECT_EQ(conn.Level(0), nullptr);
  conn.ClearSlots();
  EXPECT_EQ(conn.Spectrum(0), nullptr);
}

TEST(Connector, FourFramesFromOneBufferUnpaced) {
  TChain chain(Pcm(16, 2, 44100), 4096, false);
  chain.Conn.SetAutoTrigger(false);
  chain.Conn.SetSynchronize(false);
  TCapture display(1024);
  chain.Conn.SetSlot(0, display.Slot());
  chain.Start();
  ASSERT_TRUE(chain.Conn.IsConnectorStarted());
  EXPECT_EQ(display.Format.nSamplesPerSec, 44100u);
  chain.Push(Counting(4096));
  for (int i = 0; i < 6; ++i)
    chain.Conn.ProcessConnectorBuffer();
  ASSERT_EQ(display.Frames.size(), 4u);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(FirstWord(display.Frames[i]), i * 512);
  EXPECT_EQ(chain.Conn.FrameCount(cgLevels), 4);
}

TEST(Connector, PacedFramesFallDueAtTheirPlayTime) {
  TClock clock;
  TChain chain(Pcm(16, 2, 44100), 4096, false);
  chain.Conn.SetAutoTrigger(false);
  TCapture display(1024);
  chain.Conn.SetSlot(0, display.Slot());
  chain.Start();
  chain.Push(Counting(4096));
  chain.Conn.ProcessConnectorBuffer();
  EXPECT_EQ(display.Frames.size(), 1u);
  // 1024 bytes at 176400 bytes a second: 5804.99 microseconds.
  clock.Now += 5804;
  chain.Conn.ProcessConnectorBuffer();
  EXPECT_EQ(display.Frames.size(), 1u);
  clock.Now += 1;
  chain.Conn.ProcessConnectorBuffer();
  ASSERT_EQ(display.Frames.size(), 2u);
  EXPECT_EQ(FirstWord(display.Frames[1]), 512);
}

TEST(Connector, ShowsTheBufferHandedInWhateverItsLinkSays) {
  TClock clock;
  TChain chain(Pcm(16, 2, 44100), 4096, false);
  TCapture display(1024);
  chain.Conn.SetSlot(4, display.Slot());
  chain.Start();
  TWaveBuffer other = Counting(4096, 30000);
  TWaveBuffer own = Counting(4096, 7);
  own->lpNext = other.get();  // the driver's link to another header
  chain.Push(std::move(own)); // real-time off, trigger on: one pass at once
  FreeWaveBuffer(other);
  ASSERT_EQ(display.Frames.size(), 1u);
  EXPECT_EQ(FirstWord(display.Frames[0]), 7);
}

TEST(Connector, MetersAndLightsTakeTheirFrames) {
  TForm form(nullptr);
  form.SetBounds(20, 20, 400, 200);
  auto* meter = new TMMMeter(&form);
  auto* light = new TMMLight(&form);
  meter->SetParent(&form);
  light->SetBounds(180, 0, 150, 150);
  light->SetParent(&form);
  form.Show();
  TChain chain(Pcm(16, 1, 11025), 4096, false);
  chain.Conn.SetSynchronize(false);
  chain.Conn.SetMeter2(meter);
  chain.Conn.SetLight(0, light);
  chain.Start();
  EXPECT_EQ(meter->BitLength(), b16Bit); // the format reached both
  TWaveBuffer h = AllocWaveBuffer(4096);
  auto* s = reinterpret_cast<int16_t*>(h->lpData);
  for (int i = 0; i < 2048; ++i)
    s[i] = int16_t(16384 * std::sin(2 * 3.14159265358979 * 1000 * i / 11025));
  h->dwBytesRecorded = 4096;
  chain.Push(std::move(h)); // real-time off, trigger on: one pass at once
  EXPECT_EQ(chain.Conn.FrameCount(cgMeters), 1);
  EXPECT_EQ(chain.Conn.FrameCount(cgLights), 1);
  EXPECT_EQ(meter->Value(), 50); // -6 dB
}

TEST(Connector, RequestsWithoutTheOwnLoop) {
  TChain chain(Pcm(16, 2, 44100), 4096, true);
  chain.Conn.SetAutoTrigger(false);
  chain.Conn.SetSynchronize(false);
  TCapture display(1024);
  chain.Conn.SetSlot(0, display.Slot());
  chain.Start();
  ASSERT_TRUE(PumpUntil([&] { return chain.Conn.IsRunning(); }, 2000));
  EXPECT_EQ(TMMConnector::RunningLoops(), 0);
  chain.Push(Counting(4096));
  EXPECT_TRUE(display.Frames.empty()); // nothing without a request
  chain.Conn.DataArrived();            // on this thread: one pass at once
  EXPECT_EQ(display.Frames.size(), 1u);
  std::thread other([&] { chain.Conn.DataArrived(); });
  other.join();
  EXPECT_EQ(display.Frames.size(), 1u); // posted: it runs on this thread's next pump
  ASSERT_TRUE(PumpUntil([&] { return display.Frames.size() == 2; }, 2000));
  EXPECT_EQ(FirstWord(display.Frames[1]), 512);
}

TEST(Connector, NonPcmWithoutConversionLeavesDisplaysAlone) {
  WAVEFORMATEX mulaw = Pcm(8, 1, 8000);
  mulaw.wFormatTag = WAVE_FORMAT_MULAW;
  TCapture display(100);
  TChain chain(mulaw, 1024, false);
  chain.Conn.SetAutoConvert(false);
  chain.Conn.SetSlot(0, display.Slot());
  chain.Start();
  EXPECT_FALSE(chain.Conn.IsConnectorStarted());
  chain.Push(Counting(1024));
  chain.Conn.ProcessConnectorBuffer();
  EXPECT_EQ(display.Formats, 0);
  EXPECT_TRUE(display.Frames.empty());
  // A missing manager leaves a converting connector idle as well, and raises nothing.
  BindACM("NOSUCHACM32.DLL");
  TChain converting(mulaw, 1024, false);
  TCapture second(100);
  converting.Conn.SetSlot(0, second.Slot());
  EXPECT_NO_THROW(converting.Start());
  EXPECT_FALSE(converting.Conn.IsConnectorStarted());
  EXPECT_EQ(second.Formats, 0);
  BindACM();
}

TEST(Connector, RealTimeIsRefusedWhileOpen) {
  TChain chain(Pcm(8, 1, 11025), 1024, true);
  chain.Conn.Opened();
  try {
    chain.Conn.SetRealTime(false);
    FAIL() << "no exception";
  } catch (const EMMConnectorError& e) {
    EXPECT_STREQ(e.what(), "Change to property while device was open");
  }
  EXPECT_TRUE(chain.Conn.RealTime());
}

TEST(Connector, StopClearsDisplaysOnlyWhenAsked) {
  TForm form(nullptr);
  form.SetBounds(20, 20, 300, 100);
  auto* level = new TMMLevel(&form);
  level->SetParent(&form);
  form.Show();
  for (bool refresh : {false, true}) {
    SCOPED_TRACE(refresh);
    TChain chain(Pcm(8, 1, 11025), 1024, false);
    chain.Conn.SetRefreshOnStop(refresh);
    chain.Conn.SetLevel1(level);
    chain.Start();
    TWaveBuffer h = AllocWaveBuffer(1024);
    std::memset(h->lpData, 250, 1024);
    h->dwBytesRecorded = 1024;
    chain.Push(std::move(h));
    ASSERT_GT(level->CurrentSpots(), 90);
    chain.Conn.Stopped();
    EXPECT_EQ(level->CurrentSpots() > 90, !refresh);
  }
}

TEST(Connector, PauseShowsSilenceOnTheTimer) {
  TForm form(nullptr);
  form.SetBounds(20, 20, 300, 100);
  auto* level = new TMMLevel(&form);
  level->SetParent(&form);
  form.Show();
  TChain chain(Pcm(8, 1, 11025), 1024, true);
  chain.Conn.SetSynchronize(false);
  TCapture display(200);
  chain.Conn.SetSlot(4, display.Slot());
  chain.Conn.SetLevel1(level);
  chain.Start();
  TWaveBuffer h = AllocWaveBuffer(1024);
  std::memset(h->lpData, 250, 1024);
  h->dwBytesRecorded = 1024;
  chain.Push(std::move(h));
  ASSERT_TRUE(PumpUntil([&] { return chain.Conn.IsRunning() && !display.Frames.empty(); }, 5000));
  EXPECT_GT(level->CurrentSpots(), 90);
  chain.Conn.Paused();
  EXPECT_NE(chain.Conn.PauseTimerId(), 0u);
  // The 93 ms timer renews the silent buffer: the displays read silence.
  ASSERT_TRUE(PumpUntil(
      [&] {
        return chain.Conn.PauseCallbacks() >= 2 &&
               display.Frames.back() == std::string(200, char(128));
      },
      5000));
  EXPECT_EQ(level->CurrentSpots(), 0);
  chain.Conn.Restarted();
  EXPECT_EQ(chain.Conn.PauseTimerId(), 0u);
  chain.Conn.Stopped();
}

TEST(Connector, ManyPauseCyclesLeaveNoTickAfterTheStop) {
  // 64 bytes at 176400 bytes a second round to a 0 ms period: the timer runs every 1 ms.
  TChain chain(Pcm(16, 2, 44100), 64, true);
  TCapture display(16);
  chain.Conn.SetSlot(0, display.Slot());
  std::atomic<bool> done{false};
  std::atomic<int> pushed{0};
  std::thread pusher([&] {
    TWaveBuffer h = Counting(64);
    while (!done) {
      chain.Conn.BufferReady(h.get());
      ++pushed;
    }
    FreeWaveBuffer(h);
  });
  chain.Conn.Opened();
  int late = 0, ticked = 0;
  // Some pauses last until the timer has ticked, others are ended at once.
  auto tickWhilePaused = [&] {
    const int now = chain.Conn.PauseCallbacks();
    EXPECT_TRUE(PollUntil([&] { return chain.Conn.PauseCallbacks() > now; }, 5000));
  };
  for (int i = 0; i < 500; ++i) {
    chain.Conn.Started();
    chain.Conn.Paused();
    if (i % 3 != 0) tickWhilePaused();
    chain.Conn.Restarted();
    chain.Conn.Paused();
    if (i % 2 == 0) tickWhilePaused();
    chain.Conn.Stopped();
    const int after = chain.Conn.PauseCallbacks();
    ticked = after;
    if (i % 50 == 0) {
      // Past every tick the 1 ms timer would still have made.
      EXPECT_TRUE(WaitPastSystemTimer(3));
      late += chain.Conn.PauseCallbacks() != after;
    }
  }
  done = true;
  pusher.join();
  EXPECT_EQ(late, 0);
  EXPECT_GT(ticked, 100);
  EXPECT_GT(pushed.load(), 0);
  ProcessMessages(); // the queued starts find the connector stopped
  EXPECT_FALSE(chain.Conn.IsRunning());
  printf("%d ticks in 500 cycles, %d buffers pushed\n", ticked, pushed.load());
}

TEST(Connector, DestroyingOneLoopKeepsTheOtherRunning) {
  auto* a = new TChain(Pcm(8, 1, 11025), 512, true);
  TChain b(Pcm(8, 1, 11025), 512, true);
  TCapture da(128), db(128);
  for (TChain* c : {a, &b}) {
    c->Conn.SetSynchronize(false);
    c->Conn.SetSlot(0, (c == a ? da : db).Slot());
    c->Start();
  }
  auto pushing = [&](TChain* c) {
    TWaveBuffer h = Counting(512);
    c->Conn.BufferReady(h.get());
    FreeWaveBuffer(h);
  };
  ASSERT_TRUE(PumpUntil(
      [&] {
        pushing(a);
        pushing(&b);
        return da.Frames.size() > 20 && db.Frames.size() > 20;
      },
      5000));
  EXPECT_EQ(TMMConnector::RunningLoops(), 2);
  // Every pump returns while the loops run: the queue runs dry between their steps, and a wait
  // ends on its condition and at its bound.
  ProcessMessages();
  EXPECT_TRUE(PumpQueued());
  const int stepsNow = TMMConnector::StepsRun();
  EXPECT_TRUE(PumpUntil([&] { return TMMConnector::StepsRun() > stepsNow + 10; }, 5000));
  EXPECT_FALSE(PumpUntil([] { return false; }, 100));

  delete a;
  EXPECT_EQ(TMMConnector::RunningLoops(), 1);
  const size_t before = db.Frames.size();
  PumpUntil(
      [&] {
        pushing(&b);
        return db.Frames.size() > before + 20;
      },
      5000);
  EXPECT_GT(db.Frames.size(), before + 20);
  b.Conn.Stopped();
  EXPECT_EQ(TMMConnector::RunningLoops(), 0);
  // The loop's message that was posted already runs out, and no step runs after it.
  EXPECT_TRUE(PumpQueued());
  const int steps = TMMConnector::StepsRun();
  EXPECT_TRUE(PumpQueued());
  EXPECT_EQ(TMMConnector::StepsRun(), steps);
}

TEST(Connector, MuLawConvertedOnTheWay) {
  // A 1000 Hz sine at 8000 Hz, mu-law coded by the peer tool.
  const std::string dir = OracleDir("acm");
  std::string fmt = ReadFileBytes(dir + "mulaw.fmt"), data = ReadFileBytes(dir + "mulaw.data");
  TChain chain(*reinterpret_cast<WAVEFORMATEX*>(fmt.data()), 1024, false);
  chain.Conn.SetSynchronize(false);
  TCapture spectrum(256); // 128 samples of 16 bits
  chain.Conn.SetSlot(8, spectrum.Slot());
  // And a spectrum display of 128 points beside it.
  TForm form(nullptr);
  form.SetBounds(20, 20, 300, 200);
  auto* display = new TMMSpectrum(&form);
  display->SetFFTLength(128);
  display->SetBounds(0, 0, 256, 150);
  display->SetParent(&form);
  form.Show();
  chain.Conn.SetSpectrum(1, display);
  EXPECT_EQ(spectrum.Format.wFormatTag, WAVE_FORMAT_PCM); // the suggested format, before start
  chain.Start();
  ASSERT_TRUE(chain.Conn.IsConnectorStarted());
  EXPECT_TRUE(chain.Conn.IsConverting());
  EXPECT_EQ(spectrum.Format.wBitsPerSample, 16);
  EXPECT_EQ(spectrum.Format.nSamplesPerSec, 8000u);
  for (int at = 0; at + 1024 <= 8192; at += 1024) {
    TWaveBuffer h = AllocWaveBuffer(1024);
    std::memcpy(h->lpData, data.data() + at, 1024);
    h->dwBytesRecorded = 1024;
    chain.Push(std::move(h));
    for (int i = 0; i < 10; ++i)
      chain.Conn.ProcessConnectorBuffer();
  }
  // 2048 bytes of PCM per buffer: eight frames each.
  ASSERT_EQ(spectrum.Frames.size(), 64u);
  // The strongest bin of a 128-point transform: 1000 / (8000 / 128) = 16.
  const std::string& f = spectrum.Frames[20];
  const auto* s = reinterpret_cast<const int16_t*>(f.data());
  int best = 0;
  double bestPower = 0;
  for (int k = 1; k < 64; ++k) {
    std::complex<double> sum = 0;
    for (int n = 0; n < 128; ++n)
      sum += double(s[n]) * std::polar(1.0, -2 * 3.14159265358979 * k * n / 128);
    if (std::norm(sum) > bestPower) bestPower = std::norm(sum), best = k;
  }
  EXPECT_EQ(best, 16);
  EXPECT_LE(std::abs(display->PeakFrequency() - 1000), 8000.0 / 128) << display->PeakFrequency();
}

namespace {

// A connector with its own loop, fed by a thread as the recorder feeds it, until stopped.
struct TFedLoop {
  TChain Chain{Pcm(8, 2, 11025), 2048, true};
  TCapture Display{128};
  std::atomic<bool> Stop{false};
  std::thread Feeder;
  TFedLoop() {
    Chain.Conn.SetSlot(0, Display.Slot());
    Chain.Start();
    Feeder = std::thread([this] {
      while (!Stop) {
        TWaveBuffer h = Counting(2048);
        Chain.Conn.BufferReady(h.get());
        FreeWaveBuffer(h);
        Sleep(90); // 2048 bytes of 11025 Hz 8-bit stereo: 93 ms
      }
    });
  }
  ~TFedLoop() {
    Stop = true;
    Feeder.join();
    Chain.Conn.Stopped();
  }
};

void SendKey(WORD vk) {
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

void SendMouse(DWORD flags, POINT p = {}) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    in.mi.dx = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  }
  SendInput(1, &in, sizeof(INPUT));
}

// Whether the menu shows its item at index as selected.
bool Selected(HMENU menu, int index) {
  return (GetMenuState(menu, index, MF_BYPOSITION) & MF_HILITE) != 0;
}

// Moves onto the point, as a hand does (the menu selects the item under the mouse), and clicks
// once the menu shows the item there selected.
void SendClick(POINT p, HMENU menu, int item) {
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, {p.x - 3, p.y});
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, p);
  PollUntil([&] { return Selected(menu, item); }, 5000);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  SendMouse(MOUSEEVENTF_LEFTUP);
}

// A pop-up menu of three commands chosen by real input from another thread while the system's
// menu loop runs; answers the command TrackPopupMenu returned and the frames shown meanwhile.
struct TMenuRun {
  UINT Command = 0;
  size_t Frames = 0;
  RECT Item{}; // the menu's window, for the failure message
};

TMenuRun ChooseSecond(TForm& form, TCapture& display, bool byMouse) {
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, 101, "&First");
  AppendMenuA(menu, MF_STRING, 102, "&Second");
  AppendMenuA(menu, MF_STRING, 103, "&Third");
  HWND owner = form.Handle();
  SetForegroundWindow(owner);
  ProcessMessages();
  TKernelHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  size_t before = 0;
  RECT itemRect{};
  HDESK desktop = GetThreadDesktop(GetCurrentThreadId());
  std::thread input([&] {
    SetThreadDesktop(desktop); // input goes to the test's own desktop
    // The menu is up once its window shows.
    HWND popup = nullptr;
    const bool up = PollUntil(
        [&] {
          return (popup = FindWindowA("#32768", nullptr)) != nullptr && IsWindowVisible(popup);
        },
        10000);
    // The displays go on inside the menu's loop: a few frames before the input comes.
    const size_t shown = display.Shown.load();
    PollUntil([&] { return display.Shown.load() > shown + 6; }, 10000);
    if (up && byMouse) {
      // The menu's window, its three items of one height between a border above and below.
      RECT r{};
      GetWindowRect(popup, &r);
      itemRect = r;
      const int border = 3, h = (r.bottom - r.top - 2 * border) / 3;
      SendClick({(r.left + r.right) / 2, r.top + border + h + h / 2}, menu, 1);
    } else if (up) {
      // Each key once the menu has taken the one before.
      SendKey(VK_DOWN);
      PollUntil([&] { return Selected(menu, 0); }, 5000);
      SendKey(VK_DOWN);
      PollUntil([&] { return Selected(menu, 1); }, 5000);
      SendKey(VK_RETURN);
    }
    // Nothing chosen: the menu is closed, so that the test ends either way.
    if (WaitForSingleObject(done.Get(), 10000) != WAIT_OBJECT_0)
      PostMessageA(owner, WM_CANCELMODE, 0, 0);
  });
  POINT at{form.Left() + 40, form.Top() + 60};
  before = display.Frames.size();
  TMenuRun run;
  run.Command = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                                 at.x, at.y, 0, owner, nullptr));
  run.Frames = display.Frames.size() - before;
  SetEvent(done.Get());
  input.join();
  run.Item = itemRect;
  DestroyMenu(menu);
  return run;
}

} // namespace

TEST(ConnectorLoop, PopupMenusTakeTheirInputWhileTheDisplaysRun) {
  TForm form(nullptr);
  form.SetBounds(60, 60, 300, 200);
  form.Show();
  TFedLoop loop;
  ASSERT_TRUE(PumpUntil([&] { return loop.Display.Frames.size() > 20; }, 5000));
  for (bool byMouse : {false, true, false, true}) {
    SCOPED_TRACE(byMouse ? "mouse" : "keys");
    TMenuRun run = ChooseSecond(form, loop.Display, byMouse);
    EXPECT_EQ(run.Command, 102u) << "menu at " << run.Item.left << "," << run.Item.top << " "
                                 << run.Item.right << "," << run.Item.bottom;
    // The displays went on inside the menu's loop.
    EXPECT_GT(run.Frames, 5u);
  }
}

TEST(ConnectorLoop, ARaisingDisplayIsReportedOnceAndTheOthersGoOn) {
  std::vector<std::string> shown;
  SetBoundaryHandler([&](std::exception_ptr e) { shown.push_back(ExceptionMessage(e)); });
  {
    TFedLoop loop;
    TCapture broken(256);
    TMMConnectorSlot slot = broken.Slot();
    slot.Refresh = [](const void*) { throw Exception("spectrum failed"); };
    loop.Chain.Conn.SetSlot(8, slot);
    loop.Chain.Conn.Stopped();
    loop.Chain.Start();
    ASSERT_TRUE(PumpUntil([&] { return !shown.empty(); }, 5000));
    const size_t frames = loop.Display.Frames.size();
    EXPECT_TRUE(PumpUntil([&] { return loop.Display.Frames.size() > frames + 20; }, 5000))
        << "the level bars stopped with the spectrum";
    EXPECT_EQ(shown, std::vector<std::string>{"spectrum failed"});
    // The next start reports anew.
    loop.Chain.Conn.Stopped();
    loop.Chain.Start();
    EXPECT_TRUE(PumpUntil([&] { return shown.size() == 2; }, 5000));
    EXPECT_TRUE(PumpQueued()); // reports posted meanwhile are shown
    EXPECT_EQ(shown.size(), 2u);
    loop.Chain.Conn.ClearSlots();
  }
  SetBoundaryHandler([](std::exception_ptr e) {
    ADD_FAILURE() << "exception reached a boundary: " << ExceptionMessage(e);
  });
}

TEST(ConnectorLoop, TheHintFollowsTheControlUnderAStillMouse) {
  TForm form(nullptr);
  form.SetBounds(60, 60, 300, 200);
  form.SetHint("|the form");
  auto* panel = new TPanel(&form);
  panel->SetBounds(20, 20, 200, 120);
  panel->SetHint("|the panel");
  panel->SetParent(&form);
  form.Show();
  ProcessMessages();
  POINT centre{100, 60};
  ClientToScreen(panel->Handle(), &centre);
  SetCursorPos(centre.x, centre.y);
  TFedLoop loop;
  EXPECT_TRUE(PumpUntil([] { return Application->Hint() == "the panel"; }, 5000))
      << Application->Hint();
  // The mouse stays; the panel goes from under it.
  panel->SetVisible(false);
  EXPECT_TRUE(PumpUntil([] { return Application->Hint() == "the form"; }, 5000))
      << Application->Hint();
}

namespace {

// A stream of 2048-byte buffers of 8-bit stereo at 11025 Hz (93 ms each) pushed by a thread at
// about their play rate, while this thread runs the application's own message handling, as the
// program's loop does, until every frame of the stream fell due at each display or the loop has
// run 60 steps past the last buffer.
struct TPacedStream {
  static constexpr int Bytes = 2048;
  TChain Chain{Pcm(8, 2, 11025), Bytes, true};
  // The buffer's bytes; silence unless the maker says otherwise.
  std::function<void(int index, uint8_t* data)> Make;

  void Run(int buffers, const std::function<bool()>& allDue) {
    std::atomic<bool> pushed{false};
    const DWORD self = GetCurrentThreadId();
    std::thread feeder([&] {
      for (int b = 0; b < buffers; ++b) {
        TWaveBuffer h = AllocWaveBuffer(Bytes);
        std::memset(h->lpData, 128, Bytes);
        if (Make) Make(b, reinterpret_cast<uint8_t*>(h->lpData));
        h->dwBytesRecorded = Bytes;
        Chain.Conn.BufferReady(h.get());
        FreeWaveBuffer(h);
        PostThreadMessageA(self, WM_NULL, 0, 0);
        Sleep(90);
      }
      pushed = true;
      PostThreadMessageA(self, WM_NULL, 0, 0);
    });
    int stepsAfter = -1;
    while (true) {
      Application->HandleMessage();
      if (!pushed) continue;
      if (stepsAfter < 0) stepsAfter = TMMConnector::StepsRun();
      if (allDue() || TMMConnector::StepsRun() > stepsAfter + 60) break;
    }
    feeder.join();
  }
};

} // namespace

TEST(ConnectorFrames, AClickOfOneFrameLightsTheLevelsPeakMarkAndHoldsIt) {
  TForm form(nullptr);
  form.SetBounds(40, 40, 260, 80);
  auto* level = new TMMLevel(&form);
  level->SetBounds(10, 10, 200, 17); // 99 spots inside the default bevel
  level->SetParent(&form);
  form.Show();
  ProcessMessages();
  ASSERT_EQ(level->NumSpots(), 99);
  ASSERT_EQ(level->PeakDelay(), 20);

  // Each shared-timer tick, after the bar's own ageing (registered before), notes whether the
  // peak mark is lit: the hold is counted in the timer's ticks, not in time.
  struct TWatch {
    TMMCustomLevel* Level;
    std::atomic<int> Lit{0}, Highest{0};
    std::atomic<bool> Out{false};
  } watch{level};
  TMMTimerHandle watcher = AddTimerClient(
      25, false,
      [](TMMTimerHandle, void* data) {
        auto* w = static_cast<TWatch*>(data);
        const int peak = w->Level->PeakSpots();
        if (peak > 0 && !w->Out) ++w->Lit;
        if (peak == 0 && w->Lit > 0) w->Out = true;
        if (peak > w->Highest) w->Highest = peak;
      },
      &watch);

  TPacedStream stream;
  stream.Chain.Conn.SetLevel1(level);
  // One level frame (50 sample frames, 100 bytes) at full scale in the middle of the fourth
  // buffer; everything else silent.
  stream.Make = [](int index, uint8_t* data) {
    if (index == 3) std::memset(data + 1300, 255, 100);
  };
  stream.Chain.Start();
  // 20 frames of 100 bytes in each 2048-byte buffer; 60 buffers: the hold (41 ticks of 25 ms)
  // ends well before the stream does.
  constexpr int Buffers = 60, Due = Buffers * 20;
  stream.Run(Buffers, [&] { return stream.Chain.Conn.FramesDue(0) >= Due && watch.Out; });
  RemoveTimerClient(watcher);

  EXPECT_EQ(stream.Chain.Conn.FramesDue(0), Due);
  EXPECT_EQ(stream.Chain.Conn.FramesReceived(0), Due) << "a frame due never reached the bar";
  // 255 on both channels: (255 - 128) x 256 = 32512, -0.07 dB: round(34.93 x 99 / 35) = 99 of
  // 99 spots at -35 dB.
  EXPECT_EQ(watch.Highest.load(), 99) << "the click never lit the peak mark";
  // Held (2 x PeakDelay + 1) ticks from the frame's tick: lit when 40 or 41 ticks looked.
  EXPECT_TRUE(watch.Out.load()) << "the peak mark never went out";
  EXPECT_GE(watch.Lit.load(), 40);
  EXPECT_LE(watch.Lit.load(), 41);
  stream.Chain.Conn.Stopped();
}

TEST(ConnectorFrames, ARaisingFirstDisplayStopsNoneOfTheOthers) {
  std::vector<std::string> shown;
  SetBoundaryHandler([&](std::exception_ptr e) { shown.push_back(ExceptionMessage(e)); });
  {
    TPacedStream stream;
    TCapture broken(100), level2(100), meter(100), scope(256), light(128), spectrum(256),
        spectrogram(512);
    TMMConnectorSlot raising = broken.Slot();
    raising.Refresh = [](const void*) { throw Exception("level failed"); };
    TMMConnector& conn = stream.Chain.Conn;
    conn.SetSlot(0, raising); // served first of all
    conn.SetSlot(1, level2.Slot());
    conn.SetSlot(2, meter.Slot());
    conn.SetSlot(4, scope.Slot());
    conn.SetSlot(6, light.Slot());
    conn.SetSlot(8, spectrum.Slot());
    conn.SetSlot(12, spectrogram.Slot());
    stream.Chain.Start();
    // Frames of each size in one 2048-byte buffer, counted by hand: (2048 - need) / need + 1.
    struct TExpect {
      int Slot;
      TCapture* Display;
      int PerBuffer;
    };
    const TExpect expected[] = {{1, &level2, 20}, {2, &meter, 20},   {4, &scope, 8},
                                {6, &light, 16},  {8, &spectrum, 8}, {12, &spectrogram, 4}};
    constexpr int Buffers = 12;
    stream.Run(Buffers, [&] {
      for (const TExpect& e : expected)
        if (conn.FramesDue(e.Slot) < Buffers * e.PerBuffer) return false;
      return true;
    });
    for (const TExpect& e : expected) {
      SCOPED_TRACE("slot " + std::to_string(e.Slot));
      EXPECT_EQ(conn.FramesDue(e.Slot), Buffers * e.PerBuffer);
      EXPECT_EQ(int(e.Display->Frames.size()), Buffers * e.PerBuffer);
      EXPECT_EQ(conn.FramesReceived(e.Slot), Buffers * e.PerBuffer);
    }
    // The raising display: set aside after its first frame, its frames still fall due.
    EXPECT_TRUE(conn.SetAside(0));
    EXPECT_EQ(conn.FramesReceived(0), 0);
    EXPECT_EQ(conn.FramesDue(0), Buffers * 20);
    EXPECT_TRUE(PumpQueued());
    EXPECT_EQ(shown, std::vector<std::string>{"level failed"}) << "reported once";
    // The next start takes it back, and its failure is reported anew.
    conn.Stopped();
    stream.Chain.Start();
    EXPECT_FALSE(conn.SetAside(0));
    stream.Run(2, [&] { return conn.FramesDue(1) >= 2 * 20; });
    EXPECT_TRUE(PumpQueued());
    EXPECT_EQ(shown.size(), 2u);
    conn.Stopped();
    conn.ClearSlots();
  }
  SetBoundaryHandler([](std::exception_ptr e) {
    ADD_FAILURE() << "exception reached a boundary: " << ExceptionMessage(e);
  });
}

TEST(ConnectorFrames, SpeedSetsTheStepPeriodAndEveryFrameStillArrives) {
  TPacedStream stream;
  TMMConnector other(nullptr);
  EXPECT_EQ(TMMConnector::StepPeriod(), 50u);
  stream.Chain.Conn.SetSpeed(0); // clamped to 1
  EXPECT_EQ(stream.Chain.Conn.Speed(), 1);
  EXPECT_EQ(TMMConnector::StepPeriod(), 50u) << "the other connector's 5000 rules";
  other.SetSpeed(2500);
  EXPECT_EQ(TMMConnector::StepPeriod(), 300u); // 50 + 2500 / 10
  other.SetSpeed(1);
  EXPECT_EQ(TMMConnector::StepPeriod(), 549u); // 50 + 4999 / 10
  // Eleven 93 ms buffers go by in about two steps of 549 ms: every frame still reaches the bar.
  TCapture display(100);
  stream.Chain.Conn.SetSlot(0, display.Slot());
  stream.Chain.Start();
  const int steps = TMMConnector::StepsRun();
  stream.Run(11, [&] { return stream.Chain.Conn.FramesDue(0) >= 11 * 20; });
  EXPECT_EQ(int(display.Frames.size()), 11 * 20);
  EXPECT_LT(TMMConnector::StepsRun() - steps, 11) << "fewer steps than buffers";
  stream.Chain.Conn.Stopped();
  other.SetSpeed(5000);
  stream.Chain.Conn.SetSpeed(5000);
  EXPECT_EQ(TMMConnector::StepPeriod(), 50u);
}
