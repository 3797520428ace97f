// Recording from the test sound server's devices in each handling mode, dumped for the Python
// checker; the property rules, stops during a handler, rollback after driver failures, and many
// open-close cycles.
#include <gtest/gtest.h>
#include "Dialogs.h"
#include "Guard.h"
#include "Handles.h"
#include "MMWavIn.h"
#include "Messages.h"
#include "TestUtil.h"
#include <atomic>
#include <fstream>
#include <mutex>

namespace {

// A chain member below the recorder, to see what the walks do to it.
struct TTail : TMMDSPComponent {
  TTail() : TMMDSPComponent(nullptr) {
    if (!FindMMClass("TWaveInTail")) {
      TMMClassInfo& c = RegisterMMClass<TTail>("TWaveInTail", "TMMDSPComponent");
      c.Props = {DSPLinkProp("Input"), DSPLinkProp("Output")};
    }
  }
};

struct TWin95 {
  explicit TWin95(bool on) : FWas(Win95Platform()) { SetWin95Platform(on); }
  ~TWin95() { SetWin95Platform(FWas); }
  bool FWas;
};

std::string CheckDir() {
  std::string dir = WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  dir += "sound_wavein\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

// Collects what the chain hands on, from whatever thread.
struct TTake {
  std::mutex Lock;
  std::atomic<int> Count{0};
  std::atomic<uint32_t> Bytes{0};
  std::vector<DWORD> Recorded, Threads;
  std::string Data;
  void Attach(TMMWaveIn& w, int keep) {
    w.OnBufferReady = [this, keep](TObject*, WAVEHDR* h) {
      std::lock_guard<std::mutex> guard(Lock);
      Bytes += h->dwBytesRecorded;
      if (static_cast<int>(Recorded.size()) < keep) {
        Recorded.push_back(h->dwBytesRecorded);
        Threads.push_back(GetCurrentThreadId());
        Data.append(h->lpData, h->dwBytesRecorded);
      }
      ++Count;
    };
  }
};

int FindDevice(const std::string& name) {
  for (UINT i = 0; i < waveInGetNumDevs(); ++i) {
    WAVEINCAPSA caps{};
    if (waveInGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR && name == caps.szPname)
      return static_cast<int>(i);
  }
  return -2;
}

// Records 40 buffers in one setup, checks the counts and the handling thread, and dumps them.
void Record(const std::string& setup, TMMWaveIn& w) {
  SCOPED_TRACE(setup);
  TTail tail;
  w.SetOutput(&tail);
  TTake take;
  take.Attach(w, 40);
  int stops = 0;
  w.OnStop = [&](TObject*) { ++stops; };
  w.Start();
  EXPECT_TRUE(tail.IsOpen());
  EXPECT_TRUE(tail.IsStarted());
  ASSERT_TRUE(PumpUntil([&] { return take.Count >= 40; }, 15000)) << take.Count;
  w.Stop();
  PumpUntil([&] { return stops > 0; }, 5000);
  EXPECT_EQ(stops, 1);
  const int handled = take.Count;
  EXPECT_EQ(w.BytesRecorded(), take.Bytes.load());
  EXPECT_EQ(w.BytesRecorded(), static_cast<uint32_t>(handled) * 2048u);
  w.Close();
  EXPECT_FALSE(tail.IsOpen());
  EXPECT_TRUE(w.InState(TMMWaveIn::wsClosed));

  std::lock_guard<std::mutex> guard(take.Lock);
  ASSERT_EQ(take.Recorded.size(), 40u);
  for (DWORD n : take.Recorded)
    EXPECT_EQ(n, 2048u);
  const DWORD main = GetCurrentThreadId();
  for (DWORD t : take.Threads) {
    if (w.CallBackMode() == cmWindow)
      EXPECT_EQ(t, main);
    else
      EXPECT_NE(t, main);
    EXPECT_EQ(t, take.Threads[0]); // one handling thread throughout
  }
  std::string dir = CheckDir();
  WriteFileBytes(dir + setup + ".raw", take.Data);
  const WAVEFORMATEX* f = w.PWaveFormat();
  std::string info = "bits " + std::to_string(f->wBitsPerSample) + "\nchannels " +
                     std::to_string(f->nChannels) + "\nrate " + std::to_string(f->nSamplesPerSec) +
                     "\nbuffers";
  for (DWORD n : take.Recorded)
    info += " " + std::to_string(n);
  WriteFileBytes(dir + setup + ".txt", info + "\n");
}

WAVEFORMATEX Pcm(int bits, int channels, int rate) {
  WAVEFORMATEX f{};
  BuildPcmFormat(f, bits, channels, rate);
  return f;
}

} // namespace

TEST(WaveInRecording, MainWindowSetupInEachMode) {
  {
    TMMWaveIn w(nullptr);
    w.SetMode(mStereo); // the main window's recorder: everything else at its default
    EXPECT_EQ(w.DeviceID(), 0);
    EXPECT_EQ(w.SampleRate(), 11025);
    EXPECT_EQ(w.NumBuffers(), 10);
    EXPECT_EQ(w.GetBufferSize(), 2048);
    Record("window", w);
  }
  {
    TMMWaveIn w(nullptr);
    w.SetMode(mStereo);
    w.SetCallBackMode(cmThread);
    Record("thread", w);
    EXPECT_FALSE(w.HasWorker());
  }
  {
    TWin95 win95(true);
    TMMWaveIn w(nullptr);
    w.SetMode(mStereo);
    w.SetCallBackMode(cmCallback);
    ASSERT_EQ(w.CallBackMode(), cmCallback);
    Record("callback", w);
  }
  EXPECT_EQ(DSPThreadCount(), 0);
}

TEST(WaveInRecording, MapperAndMonitorByName) {
  {
    TMMWaveIn w(nullptr);
    w.SetDeviceID(MapperId);
    w.SetSampleRate(44100);
    w.SetBitLength(b16Bit);
    EXPECT_EQ(w.DeviceID(), MapperId);
    Record("mapper", w);
  }
  {
    int monitor = FindDevice("Monitor of Null Output");
    ASSERT_GE(monitor, 0);
    TMMWaveIn w(nullptr);
    w.SetDeviceID(monitor);
    EXPECT_EQ(w.ProductName(), "Monitor of Null Output");
    w.SetBitLength(b16Bit);
    Record("monitor", w);
  }
}

TEST(WaveInRules, PropertiesClampAndRefuseWhileOpen) {
  TMMWaveIn w(nullptr);
  w.SetSampleRate(5000);
  EXPECT_EQ(w.SampleRate(), 8000);
  w.SetSampleRate(200000);
  EXPECT_EQ(w.SampleRate(), 100000);
  EXPECT_EQ(w.PWaveFormat()->nSamplesPerSec, 100000u);
  w.SetSampleRate(11025);
  w.SetNumBuffers(1);
  EXPECT_EQ(w.NumBuffers(), 10);
  w.SetNumBuffers(1000);
  EXPECT_EQ(w.NumBuffers(), 500);
  w.SetNumBuffers(4);
  w.SetBufferSize(10);
  EXPECT_EQ(w.GetBufferSize(), 32);
  w.SetBufferSize(2048);
  w.SetMode(mQuadro);
  EXPECT_EQ(w.Mode(), mMono);
  // A format set from outside sets the properties.
  WAVEFORMATEX f = Pcm(16, 2, 22050);
  w.SetPWaveFormat(&f);
  EXPECT_EQ(w.SampleRate(), 22050);
  EXPECT_EQ(w.BitLength(), b16Bit);
  EXPECT_EQ(w.Mode(), mStereo);

  int errors = 0;
  w.OnError = [&](TObject*) { ++errors; };
  w.Open();
  EXPECT_TRUE(w.InState(TMMWaveIn::wsOpen));
  EXPECT_NO_THROW(w.SetSampleRate(22050));
  try {
    w.SetDeviceID(0);
    ADD_FAILURE() << "device changed while open";
  } catch (const EMMWaveInError& e) {
    EXPECT_EQ(e.Message(), "Change to property while device was open");
  }
  EXPECT_THROW(w.SetNumBuffers(6), EMMWaveInError);
  EXPECT_THROW(w.SetCallBackMode(cmWindow), EMMWaveInError);
  EXPECT_EQ(errors, 3);
  int restarts = 0;
  w.OnRestart = [&](TObject*) { ++restarts; };
  w.Restart(); // not paused: nothing
  EXPECT_EQ(restarts, 0);
  w.Close();
  EXPECT_EQ(WaveInErrorText(12345), "Specified error number is out of range (unknown error)");
}

TEST(WaveInRules, CapabilityBitsDecideByBandChannelsAndBits) {
  WAVEINCAPSA caps{};
  caps.dwFormats = WAVE_FORMAT_1S08 | WAVE_FORMAT_2M16 | WAVE_FORMAT_4S16;
  EXPECT_TRUE(WaveInCapsAllow(caps, Pcm(8, 2, 11025)));
  EXPECT_FALSE(WaveInCapsAllow(caps, Pcm(8, 1, 11025)));
  EXPECT_TRUE(WaveInCapsAllow(caps, Pcm(8, 2, 8000)));
  EXPECT_FALSE(WaveInCapsAllow(caps, Pcm(8, 2, 11026))); // the second band
  EXPECT_TRUE(WaveInCapsAllow(caps, Pcm(16, 1, 22050)));
  EXPECT_FALSE(WaveInCapsAllow(caps, Pcm(16, 2, 22050)));
  EXPECT_TRUE(WaveInCapsAllow(caps, Pcm(16, 2, 48000)));
  EXPECT_FALSE(WaveInCapsAllow(caps, Pcm(16, 1, 44100)));
  // Outside the table the driver's query decides alone.
  EXPECT_TRUE(WaveInCapsAllow(caps, Pcm(16, 1, 96000)));
  EXPECT_TRUE(WaveInCapsAllow(caps, Pcm(8, 1, 7999)));
  EXPECT_TRUE(WaveInCapsAllow(caps, Pcm(24, 1, 44100)));
  EXPECT_TRUE(WaveInCapsAllow(caps, Pcm(16, 4, 44100)));
}

TEST(WaveInRules, CallbackModeOnlyOnTheWindows95Family) {
  TWin95 nt(false);
  TModalAnswers answers;
  answers.Push(IDOK);
  TMMWaveIn w(nullptr);
  w.SetCallBackMode(cmCallback);
  EXPECT_EQ(w.CallBackMode(), cmWindow);
  ASSERT_EQ(answers.Asked().size(), 1u);
  EXPECT_EQ(answers.Asked()[0].Caption, "TMMWaveIn");
  EXPECT_EQ(answers.Asked()[0].Text, "\"CallBacks\" are called at interrupt time !\n\r"
                                     "This is currently only supported under Windows 95");
  w.SetCallBackMode(cmThread);
  EXPECT_EQ(w.CallBackMode(), cmThread);
}

TEST(WaveInFailures, DriverRefusalsAreReportedAndRolledBack) {
  const int threadsBefore = DSPThreadCount();
  TMMWaveIn w(nullptr);
  TTail tail;
  w.SetOutput(&tail);
  w.SetCallBackMode(cmThread);
  // 24-bit PCM passes the driver's query and fails the open.
  WAVEFORMATEX f24 = Pcm(24, 1, 44100);
  w.SetPWaveFormat(&f24);
  try {
    w.Start();
    ADD_FAILURE() << "24-bit recording started";
  } catch (const EMMWaveInError& e) {
    EXPECT_EQ(e.Message().rfind("WaveInOpen:\n\r", 0), 0u) << e.Message();
    EXPECT_GT(e.Message().size(), 14u);
  }
  EXPECT_EQ(w.LastResult(), static_cast<MMRESULT>(WAVERR_BADFORMAT));
  EXPECT_FALSE(tail.IsOpen());
  EXPECT_FALSE(w.HasWorker());
  EXPECT_EQ(DSPThreadCount(), threadsBefore);
  EXPECT_TRUE(w.InState(TMMWaveIn::wsClosed));
  EXPECT_EQ(w.Handle(), nullptr);
  // A valid format now records.
  WAVEFORMATEX f16 = Pcm(16, 1, 44100);
  w.SetPWaveFormat(&f16);
  TTake take;
  take.Attach(w, 0);
  w.Start();
  EXPECT_TRUE(PumpUntil([&] { return take.Count >= 3; }, 15000));
  w.Close();
  EXPECT_FALSE(w.HasWorker());

  // A compressed format the device cannot record.
  WAVEFORMATEX adpcm{};
  adpcm.wFormatTag = 2;
  adpcm.nChannels = 1;
  adpcm.nSamplesPerSec = 11025;
  adpcm.nAvgBytesPerSec = 5588;
  adpcm.nBlockAlign = 256;
  adpcm.wBitsPerSample = 4;
  w.SetPWaveFormat(&adpcm);
  try {
    w.Open();
    ADD_FAILURE() << "ADPCM opened";
  } catch (const EMMWaveInError& e) {
    EXPECT_EQ(e.Message(), "WaveInOpen:\n\rThe actual device can't record this format");
  }
  w.SetPWaveFormat(&f16);

  // A device number beyond the devices.
  w.SetDeviceID(7);
  EXPECT_EQ(w.DeviceID(), badDeviceId);
  EXPECT_EQ(w.ProductName(), "No wave audio recording device found");
  try {
    w.Start();
    ADD_FAILURE() << "started without a device";
  } catch (const EMMWaveInError& e) {
    EXPECT_EQ(e.Message(), "Invalid DeviceID");
  }
}

TEST(WaveInFailures, ForeignAndStaleBuffersAreIgnored) {
  TMMWaveIn w(nullptr);
  TTake take;
  take.Attach(w, 0);
  w.Start();
  ASSERT_TRUE(PumpUntil([&] { return take.Count >= 1; }, 15000));
  w.Pause(); // nothing arrives now
  ProcessMessages();
  const int count = take.Count;
  const uint32_t bytes = w.BytesRecorded();
  TWaveBuffer foreign = AllocWaveBuffer(2048);
  foreign->dwBytesRecorded = 2048;
  foreign->dwFlags = WHDR_DONE | WHDR_PREPARED;
  SendMessageA(w.WindowHandle(), MM_WIM_DATA, reinterpret_cast<WPARAM>(w.Handle()),
               reinterpret_cast<LPARAM>(foreign.get()));
  // One of our own, but still with the driver (not done).
  SendMessageA(w.WindowHandle(), MM_WIM_DATA, reinterpret_cast<WPARAM>(w.Handle()),
               reinterpret_cast<LPARAM>(w.Buffer(0)->dwFlags & WHDR_DONE ? nullptr : w.Buffer(0)));
  EXPECT_EQ(take.Count.load(), count);
  EXPECT_EQ(w.BytesRecorded(), bytes);
  FreeWaveBuffer(foreign);
  w.Close();
}

TEST(WaveInStop, StopDuringAThreadModeHandlerCompletesOnce) {
  TMMWaveIn w(nullptr);
  w.SetCallBackMode(cmThread);
  std::atomic<bool> inside{false};
  std::atomic<int> handled{0};
  // The first handler runs until the stop and the close have been asked for.
  TKernelHandle asked(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  w.OnBufferReady = [&](TObject*, WAVEHDR*) {
    if (handled++ == 0) {
      inside = true;
      WaitForSingleObject(asked.Get(), 10000);
      inside = false;
    }
  };
  int stops = 0, closes = 0;
  w.OnStop = [&](TObject*) { ++stops; };
  w.OnClose = [&](TObject*) { ++closes; };
  w.Start();
  ASSERT_TRUE(PumpUntil([&] { return inside.load(); }, 15000));
  w.Stop();
  EXPECT_EQ(stops, 0); // the handler still runs: it finishes the stop
  w.Close();           // waits for that stop
  EXPECT_EQ(closes, 0);
  EXPECT_TRUE(inside.load());
  SetEvent(asked.Get());
  ASSERT_TRUE(PumpUntil([&] { return closes == 1; }, 5000));
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(handled.load(), 1); // nothing was queued again after the stop
  EXPECT_TRUE(w.InState(TMMWaveIn::wsClosed));
  EXPECT_FALSE(w.HasWorker());
}

TEST(WaveInStop, HundredCyclesPerModeLeaveNothingBehind) {
  TWin95 win95(true);
  for (TMMCBMode mode : {cmWindow, cmThread, cmCallback}) {
    SCOPED_TRACE(mode);
    TMMWaveIn w(nullptr);
    w.SetCallBackMode(mode);
    w.SetNumBuffers(4);
    DWORD handlesBefore = 0, handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
    int stops = 0, closes = 0;
    w.OnStop = [&](TObject*) { ++stops; };
    w.OnClose = [&](TObject*) { ++closes; };
    for (int i = 0; i < 100; ++i) {
      w.Start();
      if (i % 25 == 0) PumpUntil([] { return false; }, 100);
      w.Stop();
      w.Close();
      ASSERT_TRUE(w.InState(TMMWaveIn::wsClosed));
    }
    ProcessMessages();
    EXPECT_EQ(stops, 100);
    EXPECT_EQ(closes, 100);
    EXPECT_EQ(DSPThreadCount(), 0);
    EXPECT_FALSE(w.HasWorker());
    EXPECT_EQ(w.Handle(), nullptr);
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(w.Buffer(i), nullptr);
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_LE(handlesAfter, handlesBefore + 4) << handlesBefore << " -> " << handlesAfter;
  }
}

TEST(WaveInFailures, AWorkerFailureIsShownAndClosedOnTheWindowThread) {
  std::vector<std::pair<std::string, DWORD>> shown;
  SetBoundaryHandler([&](std::exception_ptr e) {
    shown.push_back({ExceptionMessage(e), GetCurrentThreadId()});
  });
  {
    TMMWaveIn w(nullptr);
    w.SetCallBackMode(cmThread);
    int closes = 0;
    w.OnClose = [&](TObject*) { ++closes; };
    w.OnBufferReady = [](TObject*, WAVEHDR*) { throw Exception("display failed"); };
    w.Start();
    EXPECT_TRUE(PumpUntil([&] { return closes == 1; }, 15000));
    EXPECT_TRUE(w.ThreadFailed());
    EXPECT_FALSE(w.HasWorker());
    EXPECT_TRUE(w.InState(TMMWaveIn::wsClosed));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, "display failed");
    EXPECT_EQ(shown[0].second, GetCurrentThreadId());
  }
  SetBoundaryHandler([](std::exception_ptr e) {
    ADD_FAILURE() << "exception reached a boundary: " << ExceptionMessage(e);
  });
  EXPECT_EQ(DSPThreadCount(), 0);
}

TEST(WaveInStop, RelinkingAStartedRecorderStopsTheDevice) {
  TMMWaveIn w(nullptr);
  TTail tail;
  w.SetOutput(&tail);
  TTake take;
  take.Attach(w, 0);
  int stops = 0;
  w.OnStop = [&](TObject*) { ++stops; };
  w.Start();
  ASSERT_TRUE(PumpUntil([&] { return take.Count >= 1; }, 15000));
  w.SetOutput(nullptr);
  EXPECT_EQ(stops, 1);
  EXPECT_FALSE(w.InState(TMMWaveIn::wsStarted));
  const int count = take.Count;
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(take.Count.load(), count); // the device stopped with the component
  EXPECT_NO_THROW(w.Close());
  EXPECT_TRUE(w.InState(TMMWaveIn::wsClosed));
}
