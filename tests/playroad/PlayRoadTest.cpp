// The play road and player timer: titles from the store to the play file, resets, refusals,
// durations, stepping at a title's end and mode waits that always end. There is no MIDI output
// here, so a stand-in sequencer plays the songs that must end; one smoke test uses Wine's own.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>
#include <functional>
#include <map>
#include <vector>
#include "PlayRoad.h"
#include "ResetStreams.h"
#include "Settings.h"
#include "TestUtil.h"

namespace {

// A small Standard MIDI File: one note, and a text event naming the title so files differ.
std::string TitleSmf(const std::string& name) {
  std::string track;
  track += std::string("\x00\xFF\x01", 3) + char(name.size()) + name;
  track += std::string("\x00\x90\x3C\x40\x60\x80\x3C\x00\x00\xFF\x2F\x00", 12);
  std::string smf("MThd\0\0\0\x06\0\0\0\x01\0\x78MTrk", 18);
  uint32_t n = static_cast<uint32_t>(track.size());
  smf += char(n >> 24);
  smf += char(n >> 16);
  smf += char(n >> 8);
  smf += char(n);
  return smf + track;
}

// A stand-in sequencer. Open notes the file and its bytes at that moment; play, pause, stop and
// close move the mode as a device would. A reset (".dat") ends by itself after a few mode
// queries unless ResetsNeverEnd; titles play until the test ends them.
class TStandInSequencer : public TMciDriver {
public:
  struct TOpened {
    std::string Name;
    std::string Bytes;
    bool ResetFilesPresent; // M.dat or S.dat on disk when this file was opened
  };
  std::vector<TOpened> Opened;
  std::string TrashFolder;
  std::map<std::string, uint32_t> FailOn; // "open", "play", "status" -> error code
  std::map<uint32_t, std::string> ErrorTexts;
  DWORD Mode = MCI_MODE_STOP;
  DWORD Position = 0;
  DWORD TitleLengthMs = 93500;
  bool ResetsNeverEnd = false;
  bool Open = false;
  int Pauses = 0;
  int Closes = 0;
  std::function<void()> OnOpen;

  bool PlayingReset() const {
    return !Opened.empty() && ExtractFileExt(Opened.back().Name) == ".dat";
  }
  void EndSong() { Mode = MCI_MODE_STOP; }

  uint32_t SendCommand(uint32_t, uint32_t message, uintptr_t flags, uintptr_t params) override {
    switch (message) {
    case MCI_OPEN: {
      if (FailOn.count("open")) return FailOn["open"];
      auto* p = reinterpret_cast<MCI_OPEN_PARMSA*>(params);
      std::string name = p->lpstrElementName;
      Opened.push_back({name, ReadFileBytes(name),
                        FileExists(TrashFolder + "M.dat") || FileExists(TrashFolder + "S.dat")});
      p->wDeviceID = 3;
      if (OnOpen) OnOpen();
      Open = true;
      Mode = MCI_MODE_STOP;
      Position = 0;
      return 0;
    }
    case MCI_PLAY:
      if (FailOn.count("play")) return FailOn["play"];
      Mode = MCI_MODE_PLAY;
      QueriesWhilePlaying = 0;
      return 0;
    case MCI_PAUSE:
      ++Pauses;
      Mode = MCI_MODE_PAUSE;
      return 0;
    case MCI_STOP:
      Mode = MCI_MODE_STOP;
      return 0;
    case MCI_CLOSE:
      ++Closes;
      Open = false;
      return 0;
    case MCI_SET:
      return 0;
    case MCI_STATUS: {
      if (FailOn.count("status")) return FailOn["status"];
      auto* s = reinterpret_cast<MCI_STATUS_PARMS*>(params);
      if (s->dwItem == MCI_STATUS_LENGTH)
        s->dwReturn = PlayingReset() ? 480 : TitleLengthMs;
      else if (s->dwItem == MCI_STATUS_POSITION)
        s->dwReturn = Position;
      else {
        if (Mode == MCI_MODE_PLAY && PlayingReset() && !ResetsNeverEnd && ++QueriesWhilePlaying > 2)
          Mode = MCI_MODE_STOP;
        s->dwReturn = Mode;
      }
      (void)flags;
      return 0;
    }
    }
    return 0;
  }
  bool GetErrorString(uint32_t code, std::string& text) override {
    auto t = ErrorTexts.find(code);
    text = t != ErrorTexts.end() ? t->second : "stand-in error " + std::to_string(code);
    return true;
  }
  int MidiOutCount() override { return 1; }
  std::string MidiOutName(int) override { return "Stand-in synth"; }
  void Sleep(uint32_t) override {}

  std::vector<std::string> OpenedNames() const {
    std::vector<std::string> names;
    for (auto& o : Opened)
      names.push_back(ExtractFileName(o.Name));
    return names;
  }

private:
  int QueriesWhilePlaying = 0;
};

// The catalogue store: stored archives by key, durations and deletions as they arrive.
class TFakeStore : public TPlayStore {
public:
  std::map<int, std::string> Archives;
  std::map<int, TTuneRec> Records;
  std::map<int, int> Durations;
  std::vector<int> Deleted;
  // Keeps the written archive open (readable, not deletable) until the test closes Lock.
  bool LockArchive = false;
  HANDLE Lock = INVALID_HANDLE_VALUE;

  bool ExtractTuneData(const std::string& target, TTuneRec& rec, int key) override {
    auto a = Archives.find(key);
    if (a == Archives.end()) return false;
    WriteFileBytes(target, a->second);
    if (LockArchive)
      Lock = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
    rec = Records[key];
    return true;
  }
  bool SetDuration(int seconds, int key) override {
    Durations[key] = seconds;
    return true;
  }
  bool DeleteTune(int key, bool) override {
    Deleted.push_back(key);
    return true;
  }
};

struct TBox {
  std::string Text;
  TMessageKind Kind;
  TMessageButtons Buttons;
};

class TFakeView : public TPlayRoadView {
public:
  std::vector<TBox> Boxes;
  TMessageAnswer Answer = TMessageAnswer::No;
  std::vector<std::string> StateMessages;
  int BusyNotices = 0;
  TTuneInfo LastInfo;
  int SliderPosition = -1, SliderMax = -1;

  TMessageAnswer ShowMessageBox(const std::string& text, TMessageKind kind, int,
                                TMessageButtons buttons) override {
    Boxes.push_back({text, kind, buttons});
    return Answer;
  }
  void Beep() override {}
  void ShowTuneInfo(const TTuneInfo& info) override { LastInfo = info; }
  void ShowStateMessage(const std::string& text, int) override { StateMessages.push_back(text); }
  void ShowDeviceBusyNotice() override { ++BusyNotices; }
  void SetSlider(int position, int maximum) override {
    SliderPosition = position;
    SliderMax = maximum;
  }
  void SendPluginPosition(int) override {}
};

class PlayRoadTest : public ::testing::Test {
protected:
  TScratchDir Dir{"playroad"};
  TStandInSequencer Device;
  TMyMidi Player{&Device};
  TTuneFiles Files;
  TFakeStore Store;
  TFakeView View;
  TPlayRoad Road{Dir.Path(), Player, Files, Store, View};

  void SetUp() override {
    ForceDirectories(Dir / "TempTune");
    ForceDirectories(Dir / "TempTrash");
    Device.TrashFolder = Road.TrashFolder();
    Files.OnMessageBox = [](const std::string&, TMessageKind, int, TMessageButtons) {
      return TMessageAnswer::Cancel;
    };
  }

  // Stores a title under key as the catalogue does: one file in a zip archive.
  void AddTitle(int key, const std::string& bytes, const std::string& title = "A Title") {
    std::string file = Dir / ("source" + std::to_string(key) + ".mid");
    WriteFileBytes(file, bytes);
    std::string archive = Dir / "pack.zip";
    ASSERT_TRUE(Files.ZipOneFile(file, archive));
    Store.Archives[key] = ReadFileBytes(archive);
    DeleteFile(archive);
    DeleteFile(file);
    TTuneRec rec;
    rec.MasterKey = key;
    rec.Title = "  " + title + " ";
    rec.FirstName = "Ada ";
    rec.LastName = " Byron";
    rec.CategoryName = " Classics ";
    Store.Records[key] = rec;
  }
  void SetProgram(std::initializer_list<int> keys) {
    TStringList list;
    for (int k : keys)
      list.Add(std::to_string(k));
    Road.Program().AppendToProgram(list);
  }
  std::string PlayFileBytes() { return ReadFileBytes(Road.PlayFile()); }
};

TEST(ResetStreams, AreSmallMidiFilesWithTheirSystemExclusiveMessages) {
  // The streams as the built program carries them, read from Tonalbrook.exe itself.
  std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
  HMODULE program = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr) << exe;
  std::string gm = ResetStreamResource(program, "GMRESET");
  std::string gs = ResetStreamResource(program, "GSRESET");
  FreeLibrary(program);
  ASSERT_EQ(gm.size(), 49u);
  ASSERT_EQ(gs.size(), 82u);
  EXPECT_EQ(gm.substr(0, 18), std::string("MThd\0\0\0\x06\0\0\0\x01\0\x78MTrk", 18));
  EXPECT_EQ(gs.substr(0, 18), std::string("MThd\0\0\0\x06\0\0\0\x01\0\x78MTrk", 18));
  EXPECT_NE(gm.find(std::string("\xF0\x05\x7E\x7F\x09\x01\xF7", 7)), std::string::npos);
  EXPECT_NE(gs.find(std::string("\xF0\x0A\x41\x10\x42\x12\x40\x00\x7F\x00\x41\xF7", 12)),
            std::string::npos);
  EXPECT_EQ(gm.substr(gm.size() - 3), std::string("\xFF\x2F\x00", 3));
  EXPECT_EQ(gs.substr(gs.size() - 3), std::string("\xFF\x2F\x00", 3));
  // Test programs carry no resources: the built-in copies stand in, the same bytes.
  EXPECT_EQ(LoadResetStream("GMRESET"), gm);
  EXPECT_EQ(LoadResetStream("GSRESET"), gs);
  // Our own reader takes them as MIDI files of well under a second.
  TScratchDir dir("resets");
  TTuneFiles files;
  WriteFileBytes(dir / "M.dat", gm);
  WriteFileBytes(dir / "S.dat", gs);
  EXPECT_EQ(files.GetMIDIDuration(dir / "M.dat"), 0);
  EXPECT_EQ(files.GetMIDIDuration(dir / "S.dat"), 0);
}

TEST_F(PlayRoadTest, ATitlePlaysFromThePlayFileAndItsDurationIsStored) {
  const std::string song = TitleSmf("first");
  AddTitle(11, song);
  SetProgram({11});
  Road.Program().SetPlaying(true);
  ASSERT_TRUE(Road.PlayFromMasterKey(11));
  EXPECT_EQ(PlayFileBytes(), song);
  EXPECT_EQ(Device.OpenedNames(), std::vector<std::string>{"AInternal.MID"});
  EXPECT_EQ(Player.GetMode(), mdPlaying);
  EXPECT_EQ(Store.Durations[11], 93);
  EXPECT_EQ(View.SliderMax, 93);
  EXPECT_EQ(Road.TitleText(), "A Title");
  EXPECT_EQ(Road.ArtistText(), "Ada Byron");
  EXPECT_EQ(Road.CategoryText(), "Classics");
  EXPECT_EQ(Road.MasterKeyPlaying(), 11);
  EXPECT_TRUE(Road.Timer1Enabled());
  EXPECT_FALSE(Road.StartInProgress());
  EXPECT_TRUE(View.Boxes.empty());
  // The work archive and the extracted file are gone; only the play file is left.
  EXPECT_FALSE(FileExists(Road.TuneFolder() + "AAAZip.Zip"));
  EXPECT_FALSE(FileExists(Road.TuneFolder() + "source11.mid"));

  // The next title replaces the play file.
  const std::string second = TitleSmf("second");
  AddTitle(12, second);
  ASSERT_TRUE(Road.PlayFromMasterKey(12));
  EXPECT_EQ(PlayFileBytes(), second);
}

TEST_F(PlayRoadTest, TheHiddenDebugModeTracesEachStepOfAStart) {
  AddTitle(1, TitleSmf("one"));
  View.Answer = TMessageAnswer::OK;
  ASSERT_TRUE(Road.PlayFromMasterKey(1));
  EXPECT_TRUE(View.Boxes.empty()); // silent unless the hidden item is ticked
  Road.SetDebugMode(true);
  ASSERT_TRUE(Road.PlayFromMasterKey(1));
  std::vector<std::string> texts;
  for (auto& b : View.Boxes) {
    texts.push_back(b.Text);
    EXPECT_EQ(b.Kind, TMessageKind::Information);
    EXPECT_EQ(b.Buttons, TMessageButtons::OK);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{
                       Road.TuneFolder() + "source1.mid is confirmed as a valid MIDI.",
                       "MIDI player is closed.", "MIDI resets have been executed.",
                       "InternalMIDIFile has been deleted.", "AMIDIFile has been renamed.",
                       "MIDIPlayer.MIDIFile has been assigned.", "MIDIPlayer has been opened.",
                       "MIDIPlayer should be playing."}));
}

TEST(ResetChoice, SettingsTickExactlyOneItemAndReadBackAsChosen) {
  TSettings settings;
  EXPECT_EQ(ResetChoiceOf(settings), TResetChoice::None);
  for (auto c : {TResetChoice::GM, TResetChoice::GS, TResetChoice::GMGS, TResetChoice::GSGM,
                 TResetChoice::None}) {
    StoreResetChoice(c, settings);
    EXPECT_EQ(ResetChoiceOf(settings), c);
    int ticked = settings.GMReset + settings.GSReset + settings.GMGSReset + settings.GSGMReset;
    EXPECT_EQ(ticked, c == TResetChoice::None ? 0 : 1);
    EXPECT_EQ(settings.NoReset(), c == TResetChoice::None);
  }
}

TEST_F(PlayRoadTest, ResetsPlayInTheChosenOrderAndAreDeletedBeforeTheTitle) {
  const std::string gm = BuiltInGMReset(), gs = BuiltInGSReset();
  struct TCase {
    TResetChoice Choice;
    std::vector<std::string> Names;
    std::vector<std::string> Bytes;
  } cases[] = {
      {TResetChoice::GM, {"M.dat", "AInternal.MID"}, {gm}},
      {TResetChoice::GS, {"S.dat", "AInternal.MID"}, {gs}},
      {TResetChoice::GMGS, {"M.dat", "S.dat", "AInternal.MID"}, {gm, gs}},
      {TResetChoice::GSGM, {"S.dat", "M.dat", "AInternal.MID"}, {gs, gm}},
      {TResetChoice::None, {"AInternal.MID"}, {}},
  };
  AddTitle(5, TitleSmf("five"));
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Choice));
    Device.Opened.clear();
    Road.SetResetChoice(c.Choice);
    ASSERT_TRUE(Road.PlayFromMasterKey(5));
    EXPECT_EQ(Device.OpenedNames(), c.Names);
    for (size_t i = 0; i < c.Bytes.size(); ++i)
      EXPECT_EQ(Device.Opened[i].Bytes, c.Bytes[i]);
    // "None" never writes them; the others delete both before the title opens.
    if (c.Choice == TResetChoice::None) {
      EXPECT_FALSE(Device.Opened[0].ResetFilesPresent);
    }
    EXPECT_FALSE(Device.Opened.back().ResetFilesPresent);
    EXPECT_FALSE(FileExists(Road.TrashFolder() + "M.dat"));
    EXPECT_FALSE(FileExists(Road.TrashFolder() + "S.dat"));
    EXPECT_EQ(PlayFileBytes(), TitleSmf("five"));
  }
}

TEST_F(PlayRoadTest, OneResetFileThatCannotBeWrittenLeavesTheOtherToPlay) {
  AddTitle(5, TitleSmf("five"));
  ASSERT_TRUE(CreateDirectoryA((Road.TrashFolder() + "M.dat").c_str(), nullptr));
  Road.SetResetChoice(TResetChoice::GS);
  ASSERT_TRUE(Road.PlayFromMasterKey(5));
  RemoveDirectoryA((Road.TrashFolder() + "M.dat").c_str());
  EXPECT_EQ(Device.OpenedNames(), (std::vector<std::string>{"S.dat", "AInternal.MID"}));
  EXPECT_FALSE(FileExists(Road.TrashFolder() + "S.dat"));
}

TEST_F(PlayRoadTest, AResetThatNeverEndsOrFailsStillLetsTheTitlePlay) {
  AddTitle(5, TitleSmf("five"));
  Road.SetResetChoice(TResetChoice::GSGM);
  // No output device: the reset "plays" for ever; each wait gives up after its length + 2 s.
  Device.ResetsNeverEnd = true;
  ASSERT_TRUE(Road.PlayFromMasterKey(5));
  EXPECT_EQ(Device.OpenedNames(), (std::vector<std::string>{"S.dat", "M.dat", "AInternal.MID"}));
  EXPECT_EQ(PlayFileBytes(), TitleSmf("five"));

  // A reset the device refuses to play is passed over.
  Device.Opened.clear();
  Device.FailOn["play"] = 277;
  AddTitle(6, TitleSmf("six"));
  EXPECT_FALSE(Road.PlayFromMasterKey(6)); // the title's own play fails too
  Device.FailOn.clear();
  EXPECT_EQ(Device.OpenedNames(), (std::vector<std::string>{"S.dat", "M.dat", "AInternal.MID"}));
  EXPECT_FALSE(FileExists(Road.TrashFolder() + "M.dat"));
  EXPECT_FALSE(FileExists(Road.TrashFolder() + "S.dat"));
}

TEST_F(PlayRoadTest, ShutdownDuringAResetEndsTheStartQuietly) {
  AddTitle(5, TitleSmf("five"));
  SetProgram({5});
  Road.SetResetChoice(TResetChoice::GMGS);
  Device.ResetsNeverEnd = true;
  Device.OnOpen = [this] { Road.SetAborted(); };
  EXPECT_FALSE(Road.PlayFromMasterKey(5));
  EXPECT_EQ(Device.OpenedNames(), std::vector<std::string>{"M.dat"});
  EXPECT_TRUE(View.Boxes.empty());
  EXPECT_TRUE(Store.Deleted.empty());
  EXPECT_FALSE(Road.StartInProgress());
  EXPECT_FALSE(FileExists(Road.TrashFolder() + "M.dat"));
  EXPECT_FALSE(FileExists(Road.TrashFolder() + "S.dat"));
}

TEST_F(PlayRoadTest, ModeWaitsEndOnTheirModeOnNotReadyOnErrorOnAbortAndOnTimeOut) {
  Player.SetMidiFile(Dir / "x.mid");
  WriteFileBytes(Dir / "x.mid", TitleSmf("x"));
  ASSERT_EQ(Player.Open(), 0u);
  Player.Play();
  auto paused = [](TMidiMode m) { return m == mdPaused; };
  // Stays playing: only the time-out ends it.
  EXPECT_EQ(Road.WaitForMode(paused, 300), TModeWait::TimedOut);
  Device.Mode = MCI_MODE_PAUSE;
  EXPECT_EQ(Road.WaitForMode(paused, 60000), TModeWait::Reached);
  Device.Mode = MCI_MODE_PLAY;
  Device.FailOn["status"] = 263;
  EXPECT_EQ(Road.WaitForMode(paused, 60000), TModeWait::Error);
  Device.FailOn.clear();
  Player.Close(); // no device
  EXPECT_EQ(Road.WaitForMode(paused, 60000), TModeWait::NotReady);
  ASSERT_EQ(Player.Open(), 0u);
  Player.Play();
  Road.SetAborted();
  EXPECT_EQ(Road.WaitForMode(paused, 60000), TModeWait::Aborted);
}

TEST_F(PlayRoadTest, BrokenTitlesAreRefusedWithAClearMessageAndTheFormerTitleKept) {
  const std::string former = TitleSmf("former");
  AddTitle(1, former);
  ASSERT_TRUE(Road.PlayFromMasterKey(1));
  const int closes = Device.Closes;

  std::string notMidi = "This is a text file posing as a MIDI file.\r\n";
  auto rgdal = CorpusFiles("r-cran-rgdal");
  if (!rgdal.empty()) notMidi = ReadFileBytes(rgdal.front());
  AddTitle(2, notMidi);
  AddTitle(3, "");
  SetProgram({2, 3, 2, 1});
  Road.Program().SetPlaying(true);

  EXPECT_FALSE(Road.PlayFromMasterKey(2));
  ASSERT_EQ(View.Boxes.size(), 1u);
  EXPECT_EQ(View.Boxes[0].Text,
            "Cannot play: " + Road.TuneFolder() + "source2.mid is NOT A VALID MIDI FILE!");
  EXPECT_EQ(View.Boxes[0].Kind, TMessageKind::Error);
  EXPECT_FALSE(Road.PlayFromMasterKey(3));
  ASSERT_EQ(View.Boxes.size(), 2u);
  EXPECT_EQ(View.Boxes[1].Text, "Cannot play: " + Road.TuneFolder() + "source3.mid is empty!");

  // Both left the program (every line of them), nothing was offered for deletion, and the
  // former title plays on from its untouched play file.
  ASSERT_EQ(Road.Program().Count(), 1);
  EXPECT_EQ(Road.Program().Keys(0), 1);
  EXPECT_TRUE(Store.Deleted.empty());
  EXPECT_EQ(PlayFileBytes(), former);
  EXPECT_EQ(Device.Closes, closes);
  EXPECT_EQ(Player.GetMode(), mdPlaying);
  EXPECT_EQ(Road.MasterKeyPlaying(), 1);

  // Two files in one stored archive.
  std::vector<std::string> two = {Dir / "a.mid", Dir / "b.mid"};
  WriteFileBytes(two[0], TitleSmf("a"));
  WriteFileBytes(two[1], TitleSmf("b"));
  ASSERT_TRUE(Files.ZipFileList(two, Dir / "two.zip"));
  Store.Archives[4] = ReadFileBytes(Dir / "two.zip");
  SetProgram({4});
  EXPECT_FALSE(Road.PlayFromMasterKey(4));
  ASSERT_EQ(View.Boxes.size(), 3u);
  EXPECT_EQ(View.Boxes[2].Text,
            "Error unzipping in play:\r\n\r\nValid archive format but 2 files in " +
                Road.TuneFolder() +
                "AAAZip.Zip\r\n\r\nPlease contact "
                "Tonalbrook support.");
  EXPECT_EQ(Road.Program().Count(), 1);
  EXPECT_EQ(PlayFileBytes(), former);

  // A key the store does not have leaves the program quietly.
  SetProgram({99});
  EXPECT_FALSE(Road.PlayFromMasterKey(99));
  EXPECT_EQ(View.Boxes.size(), 3u);
  EXPECT_EQ(Road.Program().Count(), 1);
}

TEST_F(PlayRoadTest, AWorkArchiveThatCannotBeDeletedKeepsTheTitleInTheProgram) {
  // A locked work file says nothing about the title: it is refused this time, not dropped.
  AddTitle(1, TitleSmf("one"));
  AddTitle(2, TitleSmf("two"));
  SetProgram({1, 2});
  Store.LockArchive = true;
  EXPECT_FALSE(Road.PlayFromMasterKey(1));
  CloseHandle(Store.Lock);
  ASSERT_EQ(View.Boxes.size(), 1u);
  EXPECT_EQ(View.Boxes[0].Text,
            "... But cannot delete TempZippFile " + Road.TuneFolder() + "AAAZip.Zip");
  EXPECT_EQ(View.Boxes[0].Kind, TMessageKind::Error);
  EXPECT_EQ(View.Boxes[0].Buttons, TMessageButtons::Cancel);
  ASSERT_EQ(Road.Program().Count(), 2);
  EXPECT_EQ(Road.Program().Keys(0), 1);
  EXPECT_TRUE(Store.Deleted.empty());
}

TEST_F(PlayRoadTest, OnlyATitleTheSequencerCannotOpenIsOfferedForDeletion) {
  AddTitle(7, TitleSmf("seven"));
  SetProgram({7, 8});
  AddTitle(8, TitleSmf("eight"));
  Device.FailOn["open"] = 259;
  Device.ErrorTexts[259] = "The file is corrupt.";
  View.Answer = TMessageAnswer::Yes;
  EXPECT_FALSE(Road.PlayFromMasterKey(7));
  ASSERT_EQ(View.Boxes.size(), 2u);
  EXPECT_EQ(View.Boxes[0].Text, "MIDI Open/Close error = The file is corrupt.");
  EXPECT_EQ(View.Boxes[1].Text, "File may be corrupted: Delete from database?");
  EXPECT_EQ(View.Boxes[1].Buttons, TMessageButtons::Yes | TMessageButtons::No);
  EXPECT_EQ(Store.Deleted, std::vector<int>{7});
  EXPECT_EQ(Road.Program().Count(), 1);
  EXPECT_FALSE(Road.StartInProgress());

  // A device in use by another program is no fault of the title: the program is cleared and the
  // user is told, but nothing is offered for deletion.
  View.Boxes.clear();
  Device.FailOn.clear();
  Device.FailOn["play"] = 261;
  Device.ErrorTexts[261] = "The MIDI Device is already in use.";
  Road.Program().SetPlaying(true);
  EXPECT_FALSE(Road.PlayFromMasterKey(8));
  EXPECT_TRUE(View.Boxes.empty());
  EXPECT_EQ(View.StateMessages, std::vector<std::string>{"MIDI device unavailable"});
  EXPECT_EQ(View.BusyNotices, 1);
  EXPECT_EQ(Road.Program().Count(), 0);
  EXPECT_FALSE(Road.Program().Playing());
  EXPECT_EQ(Store.Deleted, std::vector<int>{7});

  // Another play error names the error and asks; No keeps the title.
  Device.ErrorTexts[261] = "Something else broke.";
  View.Answer = TMessageAnswer::No;
  EXPECT_FALSE(Road.PlayFromMasterKey(8));
  ASSERT_EQ(View.Boxes.size(), 2u);
  EXPECT_EQ(View.Boxes[0].Text, "MIDI Play exception:\r\n\r\nSomething else broke.");
  EXPECT_EQ(View.Boxes[1].Text, "File may be corrupted: Delete from database?");
  EXPECT_EQ(Store.Deleted, std::vector<int>{7});
}

// The system's own text for an MCI error code.
std::string SystemMciText(uint32_t code) {
  char text[256] = {};
  mciGetErrorStringA(code, text, sizeof text);
  return text;
}

TEST_F(PlayRoadTest, DeviceErrorsInTheSystemsOwnWordsNeverOfferATitleForDeletion) {
  AddTitle(7, TitleSmf("seven"));
  AddTitle(8, TitleSmf("eight"));
  AddTitle(9, TitleSmf("nine"));
  View.Answer = TMessageAnswer::Yes; // to any question
  // The port is busy: the system says "port", not "Device", but it is the same condition.
  SetProgram({7, 8});
  Road.Program().SetPlaying(true);
  Device.FailOn["play"] = MCIERR_SEQ_PORT_INUSE;
  Device.ErrorTexts[MCIERR_SEQ_PORT_INUSE] = SystemMciText(MCIERR_SEQ_PORT_INUSE);
  EXPECT_FALSE(Road.PlayFromMasterKey(7));
  EXPECT_EQ(View.BusyNotices, 1);
  EXPECT_TRUE(View.Boxes.empty());
  EXPECT_EQ(Road.Program().Count(), 0);

  // No MIDI device at all: said once, the program stops, and the title stays in the catalogue.
  Device.FailOn.clear();
  Device.FailOn["open"] = MCIERR_SEQ_NOMIDIPRESENT;
  Device.ErrorTexts[MCIERR_SEQ_NOMIDIPRESENT] = SystemMciText(MCIERR_SEQ_NOMIDIPRESENT);
  SetProgram({8, 9});
  Road.Program().SetPlaying(true);
  EXPECT_FALSE(Road.PlayFromMasterKey(8));
  ASSERT_EQ(View.Boxes.size(), 1u);
  EXPECT_EQ(View.Boxes[0].Text,
            "MIDI Open/Close error = " + SystemMciText(MCIERR_SEQ_NOMIDIPRESENT));
  EXPECT_EQ(Road.Program().Count(), 0);
  EXPECT_TRUE(Store.Deleted.empty());

  // A file the sequencer calls invalid is the title's own fault: it is offered for deletion.
  View.Boxes.clear();
  Device.FailOn["open"] = MCIERR_INVALID_FILE;
  Device.ErrorTexts[MCIERR_INVALID_FILE] = SystemMciText(MCIERR_INVALID_FILE);
  EXPECT_FALSE(Road.PlayFromMasterKey(9));
  ASSERT_EQ(View.Boxes.size(), 2u);
  EXPECT_EQ(View.Boxes[1].Text, "File may be corrupted: Delete from database?");
  EXPECT_EQ(Store.Deleted, std::vector<int>{9});
}

TEST_F(PlayRoadTest, AFailedLengthQueryKeepsTheStoredDuration) {
  AddTitle(9, TitleSmf("nine"));
  Device.TitleLengthMs = 0;
  ASSERT_TRUE(Road.PlayFromMasterKey(9));
  EXPECT_EQ(Store.Durations.count(9), 0u);
}

TEST_F(PlayRoadTest, TheSequencersLengthOnlyFillsADurationTheCatalogueLacks) {
  // Read from the file at import: kept, whatever length the sequencer gives (93 s here).
  AddTitle(4, TitleSmf("four"));
  Store.Records[4].Seconds = 130;
  ASSERT_TRUE(Road.PlayFromMasterKey(4));
  EXPECT_EQ(Store.Durations.count(4), 0u);
  EXPECT_EQ(View.SliderMax, 93);
  // A RIFF title (0) and a file added though read as damaged (-1) take the sequencer's length.
  AddTitle(5, TitleSmf("five"));
  Store.Records[5].Seconds = 0;
  ASSERT_TRUE(Road.PlayFromMasterKey(5));
  EXPECT_EQ(Store.Durations[5], 93);
  AddTitle(6, TitleSmf("six"));
  Store.Records[6].Seconds = -1;
  ASSERT_TRUE(Road.PlayFromMasterKey(6));
  EXPECT_EQ(Store.Durations[6], 93);
}

TEST_F(PlayRoadTest, ABusyImportKeepsTheFormerTitleAndTheProgram) {
  AddTitle(1, TitleSmf("one"));
  ASSERT_TRUE(Road.PlayFromMasterKey(1));
  AddTitle(2, TitleSmf("two"));
  SetProgram({1, 2});
  Road.SetImportBusy(true);
  EXPECT_FALSE(Road.PlayFromMasterKey(2));
  EXPECT_TRUE(Road.StartFailed());
  EXPECT_EQ(PlayFileBytes(), TitleSmf("one"));
  EXPECT_EQ(Road.Program().Count(), 2);
  EXPECT_TRUE(View.Boxes.empty());
  Road.SetImportBusy(false);
  EXPECT_TRUE(Road.PlayFromMasterKey(2));
  EXPECT_FALSE(Road.StartFailed());
}

TEST_F(PlayRoadTest, TheTimerFollowsTheTitleAndStepsTheProgramAtItsEnd) {
  for (int k : {1, 2, 3})
    AddTitle(k, TitleSmf("t" + std::to_string(k)), "Title " + std::to_string(k));
  Road.SetLooping(false);
  TStringList keys;
  for (const char* k : {"1", "2", "3"})
    keys.Add(k);
  Road.Program().PlayAtTop(keys);
  ASSERT_EQ(Road.MasterKeyPlaying(), 1);

  // Playing: the slider and the panel follow the position.
  Device.Position = 42700;
  Road.Timer1Timer();
  EXPECT_EQ(View.SliderPosition, 42);
  EXPECT_EQ(View.LastInfo.Seconds, 42);
  EXPECT_EQ(View.LastInfo.TotalSeconds, 93);
  EXPECT_EQ(View.LastInfo.Title, "Title 1");
  EXPECT_EQ(View.LastInfo.ProgramCount, 3);
  EXPECT_EQ(View.LastInfo.ProgramPlace, 1);
  EXPECT_EQ(PlayFileBytes(), TitleSmf("t1"));

  // The stand-in ends the song: the next tick starts the next title.
  Device.EndSong();
  Road.Timer1Timer();
  EXPECT_EQ(Road.MasterKeyPlaying(), 2);
  EXPECT_EQ(PlayFileBytes(), TitleSmf("t2"));
  EXPECT_EQ(View.LastInfo.Title, "Title 2");
  EXPECT_EQ(View.LastInfo.ProgramPlace, 2);

  // Stopped by the user: the timer does not advance.
  Device.EndSong();
  Road.SetUserStopped(true);
  Road.Timer1Timer();
  EXPECT_EQ(Road.MasterKeyPlaying(), 2);
  EXPECT_EQ(View.SliderPosition, 0);
  Road.SetUserStopped(false);

  Road.Timer1Timer();
  EXPECT_EQ(Road.MasterKeyPlaying(), 3);
  // Past the last title without looping: back to the first, paused at its start.
  Device.EndSong();
  Road.Timer1Timer();
  EXPECT_EQ(Road.MasterKeyPlaying(), 1);
  EXPECT_EQ(PlayFileBytes(), TitleSmf("t1"));
  EXPECT_EQ(Device.Pauses, 1);
  Road.Timer1Timer();
  EXPECT_EQ(Road.MasterKeyPlaying(), 1);

  // A title that fails on the way is passed over once and leaves the program.
  Store.Archives[2] = "not a zip";
  Road.SetLooping(true);
  Device.EndSong();
  Road.Timer1Timer();
  EXPECT_EQ(Road.MasterKeyPlaying(), 3);
  EXPECT_EQ(Road.Program().Count(), 2);
  ASSERT_FALSE(View.Boxes.empty());
  EXPECT_EQ(View.Boxes.back().Text.rfind("Error unzipping in play:", 0), 0u);
}

// A format 0 file of 120 ticks a quarter at 120 beats a minute (4 ms a tick) around its events.
std::string Smf0(const std::string& events) {
  const std::string track = events + std::string("\x00\xFF\x2F\x00", 4);
  const uint32_t n = static_cast<uint32_t>(track.size());
  return std::string("MThd\0\0\0\x06\0\0\0\x01\0\x78MTrk", 18) +
         std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n)} + track;
}

TEST_F(PlayRoadTest, AClockStandingPastTheLastNoteEndsTheTitleWithinTwoSecondsOfTicks) {
  // Notes at the start and 44.6 s in (11,160 ticks), a rest between them; then a title no reader
  // can time. The sequencer times them at 120 beats a minute, as Wine's times a slower title.
  AddTitle(1,
           Smf0(std::string("\0\x90\x3C\x40\x78\x80\x3C\0\xD6\x20\x90\x3E\x40\x78\x80\x3E\0", 17)));
  AddTitle(2, "MThd, and nothing a reader can take");
  Device.TitleLengthMs = 31000;
  TStringList keys;
  keys.Add("1");
  keys.Add("2");
  Road.Program().PlayAtTop(keys);
  auto ticksUntilNext = [&](int most) {
    const int playing = Road.MasterKeyPlaying();
    int ticks = 0;
    for (; Road.MasterKeyPlaying() == playing && ticks < most; ++ticks)
      Road.Timer1Timer();
    return ticks;
  };
  // In the rest, the clock standing at the next note and at the sequencer's own length; then
  // paused past the notes: the title plays on.
  Device.Position = 31000;
  EXPECT_EQ(ticksUntilNext(60), 60);
  Device.Position = 121000;
  Device.Mode = MCI_MODE_PAUSE;
  EXPECT_EQ(ticksUntilNext(60), 60);
  // Playing, standing past the notes: over within two seconds of ticks, not at once (a clock may
  // stand between two events for a moment).
  Device.Mode = MCI_MODE_PLAY;
  const int ticks = ticksUntilNext(60);
  EXPECT_GT(ticks, 10);
  EXPECT_LE(ticks, 20);
  ASSERT_EQ(Road.MasterKeyPlaying(), 2);
  // A title whose notes could not be timed is left to the sequencer's own end.
  Device.Position = 121000;
  EXPECT_EQ(ticksUntilNext(60), 60);
}

TEST_F(PlayRoadTest, TheSequencerGetsTheTitleWithoutTheSilenceItHoldsPastItsLastNote) {
  // A quarter note, then a text event 100 s on: the sequencer gets the note and its end.
  const std::string note("\0\x90\x3C\x40\x78\x80\x3C\0", 8);
  const std::string tail = Smf0(note + std::string("\x81\xC2\x30\xFF\x01\x04tail", 10));
  AddTitle(1, tail);
  AddTitle(2, RiffMidiOf(tail));
  // Less than a second past the last note is kept, as the file has it.
  const std::string shortRest = Smf0(note + std::string("\x81\x70\xFF\x01\x04rest", 10));
  AddTitle(3, shortRest);
  for (const auto& [key, played] :
       std::vector<std::pair<int, std::string>>{{1, Smf0(note)}, {2, Smf0(note)}, {3, shortRest}}) {
    ASSERT_TRUE(Road.PlayFromMasterKey(key));
    EXPECT_EQ(Device.Opened.back().Bytes, played) << key;
  }
}

TEST_F(PlayRoadTest, WhenTheProgramRunsOutThePanelSaysSo) {
  AddTitle(1, TitleSmf("one"), "Only");
  ASSERT_TRUE(Road.PlayFromMasterKey(1));
  Road.Timer1Timer();
  EXPECT_EQ(View.LastInfo.Status, "Ending play with this title");
  EXPECT_EQ(View.LastInfo.Title, "Only");
  Device.EndSong();
  Road.Timer1Timer();
  EXPECT_EQ(View.LastInfo.Status, "No program");
  EXPECT_EQ(View.LastInfo.Title, "None");
  EXPECT_EQ(View.LastInfo.Category, "None");
}

// Wine's own sequencer: it opens and "plays" but never advances, so the reset waits end on
// their time-out; shutting down while the title plays ends at once.
TEST(PlayRoadWine, ACorpusTitlePlaysAsFarAsItGoesAndShutdownDoesNotHang) {
  auto corpus = CorpusFiles("mma");
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  TScratchDir dir("playwine");
  TMyMidi player;
  TTuneFiles files;
  TFakeStore store;
  TFakeView view;
  TPlayRoad road(dir.Path(), player, files, store, view);
  road.SetResetChoice(TResetChoice::GM);
  std::string source = dir / "song.mid";
  WriteFileBytes(source, ReadFileBytes(corpus.front()));
  ASSERT_TRUE(files.ZipOneFile(source, dir / "song.zip"));
  store.Archives[1] = ReadFileBytes(dir / "song.zip");
  TStringList keys;
  keys.Add("1");
  road.Program().AppendToProgram(keys);
  road.Program().SetPlaying(true);

  // Wine's sequencer opens the title, knows its length and reports it playing at position 0.
  ASSERT_TRUE(road.PlayFromMasterKey(1));
  EXPECT_TRUE(view.Boxes.empty());
  EXPECT_EQ(ReadFileBytes(road.PlayFile()), ReadFileBytes(corpus.front()));
  EXPECT_FALSE(FileExists(road.TrashFolder() + "M.dat"));
  EXPECT_NE(player.DeviceId(), -1);
  EXPECT_GT(player.Length(), 0);
  EXPECT_EQ(road.Mode(), mdPlaying);
  EXPECT_EQ(player.GetPosition(), 0);
  road.Timer1Timer();
  EXPECT_EQ(road.Mode(), mdPlaying) << "a title that never advances is not taken as ended";

  road.SetAborted();
  road.Program().StepProgram(true); // shutdown empties the program at once
  EXPECT_EQ(road.Program().Count(), 0);
  player.Close();
  EXPECT_TRUE(DeleteFile(road.PlayFile())) << "the closed device holds the play file no more";
}

} // namespace
