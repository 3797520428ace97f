// The MCI sequencer player: Wine's real sequencer for open, length and close, and a stand-in
// device for the mode sequences, failures, the busy flag and repositioning of large files.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>
#include "TestUtil.h"
#include "TuneFiles.h"
#include "midi.h"
#include <map>
#include <vector>

namespace {

struct TStatus {
  std::string Text;
  int N;
};

// A stand-in MCI device: answers modes and errors as the test sets them and records every call.
class TStandInMci : public TMciDriver {
public:
  struct TCall {
    uint32_t Message;
    uintptr_t Flags;
    DWORD From = 0, To = 0, Port = 0;
  };
  std::vector<TCall> Calls;
  std::vector<uint32_t> Sleeps;
  std::map<uint32_t, uint32_t> FailOn; // message (or MCI_SET flag) -> error code
  DWORD Mode = MCI_MODE_STOP;
  DWORD Position = 1234;
  DWORD LengthMs = 90000;
  int Devices = 2;
  TMyMidi* Player = nullptr;
  std::vector<std::pair<int, int>> SeenWhileSleeping; // mode, position

  uint32_t SendCommand(uint32_t, uint32_t message, uintptr_t flags, uintptr_t params) override {
    TCall call{message, flags};
    uint32_t key = message == MCI_SET ? static_cast<uint32_t>(flags) : message;
    if (message == MCI_OPEN) reinterpret_cast<MCI_OPEN_PARMSA*>(params)->wDeviceID = 7;
    if (message == MCI_PLAY) {
      auto* p = reinterpret_cast<MCI_PLAY_PARMS*>(params);
      call.From = p->dwFrom;
      call.To = p->dwTo;
    }
    if (message == MCI_SET && (flags & MCI_SEQ_SET_PORT))
      call.Port = reinterpret_cast<MCI_SEQ_SET_PARMS*>(params)->dwPort;
    Calls.push_back(call);
    if (auto f = FailOn.find(key); f != FailOn.end()) return f->second;
    if (message == MCI_STATUS) {
      auto* s = reinterpret_cast<MCI_STATUS_PARMS*>(params);
      s->dwReturn = s->dwItem == MCI_STATUS_MODE     ? Mode
                    : s->dwItem == MCI_STATUS_LENGTH ? LengthMs
                                                     : Position;
    }
    return 0;
  }
  bool GetErrorString(uint32_t code, std::string& text) override {
    if (code == 999) return false;
    text = "stand-in error " + std::to_string(code);
    return true;
  }
  int MidiOutCount() override { return Devices; }
  std::string MidiOutName(int device) override { return "Synth " + std::to_string(device); }
  void Sleep(uint32_t ms) override {
    Sleeps.push_back(ms);
    if (Player) SeenWhileSleeping.push_back({Player->GetMode(), Player->GetPosition()});
  }
  int Count(uint32_t message) const {
    int n = 0;
    for (auto& c : Calls)
      n += c.Message == message;
    return n;
  }
};

// A corpus file at 120 beats a minute: Wine's sequencer reports lengths at that tempo whatever
// the file's tempo events say, so only there can its length be held against the reader's.
std::string SmallCorpusFile() {
  for (const auto& f : CorpusFiles("mma"))
    if (f.find("\\rec1.mid") != std::string::npos) return f;
  return CorpusFiles("mma").at(0);
}

} // namespace

// --- Wine's real sequencer ---------------------------------------------------------------------

TEST(MidiPlayerWine, OpensACorpusFileOnTheMapperReportsItsLengthAndCloses) {
  std::string file = SmallCorpusFile();
  TMyMidi player;
  std::vector<TStatus> statuses;
  player.OnStatus = [&](TMyMidi*, const std::string& t, int n) { statuses.push_back({t, n}); };
  TStringList ports;
  ASSERT_TRUE(player.ListOutputDevices(&ports));
  player.SetMidiOutPort(ports.Count() + 3); // a stored port that no longer exists
  player.SetMidiFile(file);
  uint32_t code = player.Open();
  ASSERT_EQ(code, 0u) << player.GetErrorText(code);
  EXPECT_EQ(player.MidiOutPort(), -1);
  EXPECT_NE(player.DeviceId(), -1);
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.back().Text, "Device ID is " + std::to_string(player.DeviceId()));
  EXPECT_EQ(player.FileSize(), int(ReadFileBytes(file).size()));
  int readerSeconds = TTuneFiles().GetMIDIDuration(file);
  ASSERT_GT(readerSeconds, 0);
  // The sequencer runs to the end of the last track, the reader to the last channel event.
  EXPECT_NEAR(player.Length() / 1000.0, readerSeconds, 1.0 + readerSeconds * 0.02);
  EXPECT_EQ(player.GetLength(), player.Length());
  // Wine's sequencer, with no MIDI output on this machine: opened it is stopped; played it
  // reports playing and never advances.
  EXPECT_EQ(player.GetMode(), mdStopped);
  player.Play();
  EXPECT_EQ(player.GetMode(), mdPlaying);
  EXPECT_EQ(player.GetPosition(), 0);
  player.Close();
  EXPECT_EQ(player.DeviceId(), -1);
  EXPECT_EQ(player.GetMode(), mdNotReady);
  EXPECT_EQ(player.GetPosition(), 0);
}

TEST(MidiPlayerWine, MissingFileFailsToOpenAndLeavesNoDevice) {
  TMyMidi player;
  std::vector<TStatus> statuses;
  player.OnStatus = [&](TMyMidi*, const std::string& t, int n) { statuses.push_back({t, n}); };
  TScratchDir dir("player");
  player.SetMidiFile(dir / "missing.mid");
  uint32_t code = player.Open();
  EXPECT_NE(code, 0u);
  EXPECT_EQ(player.DeviceId(), -1);
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.back().Text, "Error opening MCI device");
  EXPECT_EQ(statuses.back().N, int(code));
  EXPECT_NE(player.GetErrorText(code), "Undefined error code");
}

TEST(MidiPlayerWine, WithoutADeviceCallsRefuseOrAnswerNothing) {
  TMyMidi player;
  std::vector<TStatus> statuses;
  player.OnStatus = [&](TMyMidi*, const std::string& t, int n) { statuses.push_back({t, n}); };
  EXPECT_EQ(player.GetLength(), 0);
  ASSERT_EQ(statuses.size(), 1u);
  EXPECT_EQ(statuses[0].Text, "No MIDI device open");
  try {
    player.Pause();
    ADD_FAILURE();
  } catch (const EMyMidi& e) {
    EXPECT_EQ(e.Message(), "No MCI device open");
  }
  EXPECT_THROW(player.Stop(), EMyMidi);
  EXPECT_NO_THROW(player.Play());
  EXPECT_NO_THROW(player.Close());
  EXPECT_EQ(player.GetMode(), mdNotReady);
  EXPECT_EQ(player.GetErrorText(0x7FFF), "Undefined error code");
}

// --- a stand-in device ---------------------------------------------------------------------------

TEST(MidiPlayerStandIn, ModesMapAndAFailedQueryReportsOrRaises) {
  TStandInMci mci;
  TMyMidi player(&mci);
  TScratchDir dir("standin");
  WriteFileBytes(dir / "a.mid", "MThd");
  player.SetMidiFile(dir / "a.mid");
  ASSERT_EQ(player.Open(), 0u);
  EXPECT_EQ(player.DeviceId(), 7);
  struct {
    DWORD Device;
    TMidiMode Mode;
  } table[] = {{MCI_MODE_NOT_READY, mdNotReady}, {MCI_MODE_PAUSE, mdPaused},
               {MCI_MODE_PLAY, mdPlaying},       {MCI_MODE_STOP, mdStopped},
               {MCI_MODE_OPEN, mdOpen},          {MCI_MODE_SEEK, mdSeeking},
               {MCI_MODE_RECORD, mdOther}};
  for (auto& row : table) {
    mci.Mode = row.Device;
    EXPECT_EQ(player.GetMode(), row.Mode);
  }
  mci.FailOn[MCI_STATUS] = 277;
  EXPECT_THROW(player.GetMode(), EMyMidi); // no OnStatus handler
  std::vector<TStatus> statuses;
  player.OnStatus = [&](TMyMidi*, const std::string& t, int n) { statuses.push_back({t, n}); };
  EXPECT_EQ(player.GetMode(), mdError);
  ASSERT_EQ(statuses.size(), 1u);
  EXPECT_EQ(statuses[0].Text, "stand-in error 277");
  EXPECT_EQ(statuses[0].N, 277);
  EXPECT_EQ(player.GetPosition(), 0);
  EXPECT_EQ(player.GetLength(), 0);
  EXPECT_EQ(player.LastError(), "stand-in error 277");
  player.Close();
  EXPECT_EQ(mci.Count(MCI_CLOSE), 1);
}

TEST(MidiPlayerStandIn, OpenFailuresCloseAgainWithTheirTexts) {
  TStandInMci mci;
  TMyMidi player(&mci);
  std::vector<TStatus> statuses;
  player.OnStatus = [&](TMyMidi*, const std::string& t, int n) { statuses.push_back({t, n}); };
  mci.FailOn[MCI_SEQ_SET_PORT] = 301;
  player.SetMidiOutPort(1);
  EXPECT_EQ(player.Open(), 301u);
  EXPECT_EQ(statuses.back().Text, "Error setting port: stand-in error 301");
  EXPECT_EQ(statuses.back().N, 301);
  EXPECT_EQ(player.DeviceId(), -1);
  EXPECT_EQ(mci.Count(MCI_CLOSE), 1);
  EXPECT_EQ(mci.Calls.back().Message, uint32_t(MCI_CLOSE));
  mci.FailOn.clear();
  mci.FailOn[MCI_SET_TIME_FORMAT] = 302;
  EXPECT_EQ(player.Open(), 302u);
  EXPECT_EQ(statuses.back().Text, "Error opening MCI device");
  EXPECT_EQ(player.DeviceId(), -1);
  mci.FailOn.clear();
  mci.FailOn[MCI_OPEN] = 999; // a code without text
  EXPECT_EQ(player.Open(), 999u);
  EXPECT_EQ(player.LastError(), "Undefined error code");
  EXPECT_EQ(player.DeviceId(), -1);
  // A stored port beyond the devices plays through the mapper; one that exists is kept.
  mci.FailOn.clear();
  mci.Calls.clear();
  player.SetMidiOutPort(2);
  ASSERT_EQ(player.Open(), 0u);
  EXPECT_EQ(player.MidiOutPort(), -1);
  bool sawMapper = false;
  for (auto& c : mci.Calls)
    sawMapper |= c.Message == MCI_SET && c.Port == DWORD(MIDI_MAPPER);
  EXPECT_TRUE(sawMapper);
  player.SetMidiOutPort(1);
  ASSERT_EQ(player.Open(), 0u);
  EXPECT_EQ(player.MidiOutPort(), 1);
  EXPECT_EQ(mci.Count(MCI_CLOSE), mci.Count(MCI_OPEN) - 1); // reopening closed the former
  TStringList list;
  player.ListOutputDevices(&list);
  EXPECT_EQ(list.Text(), "0,Synth 0\r\n1,Synth 1\r\n");
  EXPECT_FALSE(player.ListOutputDevices(nullptr));
}

TEST(MidiPlayerStandIn, PlayPauseResumeAndTheirFailures) {
  TStandInMci mci;
  TMyMidi player(&mci);
  ASSERT_EQ(player.Open(), 0u);
  player.Resume(); // nothing kept: nothing happens
  EXPECT_EQ(mci.Count(MCI_PLAY), 0);
  player.Play();
  EXPECT_EQ(mci.Calls.back().From, 0u);
  EXPECT_EQ(mci.Calls.back().Flags & MCI_WAIT, 0u);
  mci.Position = 4321;
  EXPECT_EQ(player.Pause(), 4321);
  EXPECT_EQ(player.KeptPosition(), 4321);
  player.Resume();
  EXPECT_EQ(player.KeptPosition(), -1);
  EXPECT_EQ(mci.Calls.back().From, 4321u);
  EXPECT_EQ(mci.Calls.back().To, 90000u);
  mci.FailOn[MCI_PLAY] = 310;
  try {
    player.Play();
    ADD_FAILURE();
  } catch (const EMyMidi& e) {
    EXPECT_EQ(e.Message(), "stand-in error 310");
  }
  mci.FailOn[MCI_STOP] = 311;
  EXPECT_THROW(player.Stop(), EMyMidi);
  mci.FailOn[MCI_PAUSE] = 312;
  EXPECT_THROW(player.Pause(), EMyMidi);
}

TEST(MidiPlayerStandIn, LargeFilesStopAndWaitAroundRepositioningFromJustAbove250000Bytes) {
  TScratchDir dir("large");
  WriteFileBytes(dir / "exact.mid", std::string(250000, 'x'));
  WriteFileBytes(dir / "above.mid", std::string(250001, 'x'));
  TStandInMci mci;
  TMyMidi player(&mci);
  mci.Player = &player;
  std::vector<TStatus> statuses;
  player.OnStatus = [&](TMyMidi*, const std::string& t, int n) { statuses.push_back({t, n}); };

  player.SetMidiFile(dir / "exact.mid");
  ASSERT_EQ(player.Open(), 0u);
  mci.Calls.clear();
  player.SetPosition(5000);
  EXPECT_TRUE(mci.Sleeps.empty());
  EXPECT_EQ(mci.Count(MCI_STOP), 0);
  ASSERT_EQ(mci.Calls.size(), 1u);
  EXPECT_EQ(mci.Calls[0].From, 5000u);
  EXPECT_EQ(statuses.back().Text, "No apparent problem setting position");

  player.SetMidiFile(dir / "above.mid");
  ASSERT_EQ(player.Open(), 0u);
  mci.Calls.clear();
  player.SetPosition(6000);
  ASSERT_EQ(mci.Calls.size(), 2u);
  EXPECT_EQ(mci.Calls[0].Message, uint32_t(MCI_STOP));
  EXPECT_EQ(mci.Calls[1].From, 6000u);
  EXPECT_EQ(mci.Sleeps, (std::vector<uint32_t>{500, 2500}));
  // Pollers are kept away from the device while it is repositioned.
  for (auto& seen : mci.SeenWhileSleeping)
    EXPECT_EQ(seen, std::make_pair(int(mdSeeking), 0));
  EXPECT_FALSE(player.Busy());
  mci.Mode = MCI_MODE_PLAY;
  EXPECT_EQ(player.GetMode(), mdPlaying);

  // A failed stop skips the play but still waits, and reports the failure.
  mci.FailOn[MCI_STOP] = 320;
  mci.Calls.clear();
  player.SetPosition(7000);
  EXPECT_EQ(mci.Count(MCI_PLAY), 0);
  EXPECT_EQ(statuses.back().Text, "Error setting new play position");
  EXPECT_EQ(statuses.back().N, 320);
  EXPECT_FALSE(player.Busy());
}
