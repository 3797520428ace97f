// Tonalbrook.exe playing titles through the real MCI sequencer into the silent MIDI output beside
// it (midimap.dll, which Wine loads in place of its mapper): the program's order, looping, pause,
// the stops, the slider, the program viewer, requests while a program plays and a title the
// sequencer refuses, and the durations the catalogue keeps after playing.
// tests/checks/playing_notes.py compares the notes that arrived with the files,
// tests/checks/playing_durations.py the durations.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <vector>
#include "Handles.h"
#include "Messages.h"
#include "RunningProgram.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

// --- tunes of about a second, written here -------------------------------------------------------

struct TEvent {
  int Delta; // ticks since the event before
  std::string Bytes;
};

std::string Be32(uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string VarLen(uint32_t v) {
  std::string out(1, char(v & 0x7F));
  while (v >>= 7)
    out.insert(out.begin(), char(0x80 | (v & 0x7F)));
  return out;
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string out;
  for (int b : bytes)
    out += char(b);
  return out;
}

std::string Tempo(uint32_t usPerQuarter) {
  return Bytes({0xFF, 0x51, 0x03}) + Be32(usPerQuarter).substr(1);
}

// A format 0 Standard MIDI File of 480 ticks per quarter.
std::string Smf(const std::vector<TEvent>& events) {
  std::string track;
  for (const TEvent& e : events)
    track += VarLen(static_cast<uint32_t>(e.Delta)) + e.Bytes;
  track += Bytes({0x00, 0xFF, 0x2F, 0x00});
  return "MThd" + Be32(6) + Bytes({0, 0, 0, 1, 0x01, 0xE0}) + "MTrk" +
         Be32(static_cast<uint32_t>(track.size())) + track;
}

// Four quarter-second notes on channel 1, note-offs as such.
std::string Morning() {
  std::vector<TEvent> e{{0, Tempo(500000)}, {0, Bytes({0xC0, 0x00})}};
  for (int note : {60, 64, 67, 72}) {
    e.push_back({0, Bytes({0x90, note, 100})});
    e.push_back({240, Bytes({0x80, note, 64})});
  }
  return Smf(e);
}

// Six notes on channel 2 in running status, ended by note-ons of velocity 0.
std::string Noon() {
  std::vector<TEvent> e{{0, Tempo(500000)}, {0, Bytes({0xC1, 0x18})}, {0, Bytes({0x91, 62, 90})}};
  e.push_back({160, Bytes({62, 0})});
  for (int note : {65, 69, 74, 77, 81}) {
    e.push_back({0, Bytes({note, 90})});
    e.push_back({160, Bytes({note, 0})});
  }
  return Smf(e);
}

// Drums on channel 10 whose tempo doubles halfway.
std::string Evening() {
  std::vector<TEvent> e{{0, Tempo(500000)}};
  auto hit = [&](int note, int delta) {
    e.push_back({0, Bytes({0x99, note, 110})});
    e.push_back({delta, Bytes({0x89, note, 0})});
  };
  hit(36, 240);
  hit(38, 240);
  e.push_back({0, Tempo(250000)});
  for (int note : {42, 42, 46, 49})
    hit(note, 240);
  return Smf(e);
}

// Eight half-second notes: four seconds, long enough for the slider to move.
std::string Long() {
  std::vector<TEvent> e{{0, Tempo(500000)}};
  for (int note : {48, 50, 52, 53, 55, 57, 59, 60}) {
    e.push_back({0, Bytes({0x90, note, 80})});
    e.push_back({480, Bytes({0x80, note, 0})});
  }
  return Smf(e);
}

// Two notes at 60 beats a minute, then nothing but a text event some 155 hours on: the file runs
// far longer than its notes, and Wine's sequencer, which times it at 120, stays "playing" to the
// end with its clock standing past its own length.
std::string LongTail() {
  std::vector<TEvent> e{{0, Tempo(1000000)}};
  for (int note : {67, 71}) {
    e.push_back({0, Bytes({0x90, note, 100})});
    e.push_back({480, Bytes({0x80, note, 0})});
  }
  e.push_back({0x0FFFFFFF, Bytes({0xFF, 0x01, 0x04}) + "tail"});
  return Smf(e);
}

// --- the running program, read from outside ------------------------------------------------------

HWND ChildOfClass(HWND parent, const std::string& cls) {
  runprog::TChildFind find{[&](HWND w) {
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    return cls == name;
  }};
  EnumChildWindows(parent, runprog::MatchChild, reinterpret_cast<LPARAM>(&find));
  return find.Window;
}

// A window's text as another program reads it; "" when the window does not answer in time.
std::string TextOf(HWND w) {
  char text[8192] = {};
  DWORD_PTR n = 0;
  if (!w || !SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                 SMTO_ABORTIFHUNG, 5000, &n))
    return "";
  return text;
}

std::vector<std::string> Lines(const std::string& text, char sep = '\n') {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(sep, start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
    start = end + 1;
  }
  return out;
}

// A fresh folder for one run under the checker's own folder of build/out/checks.
std::string CheckDir(const std::string& name, const std::string& checker = "playing_notes") {
  std::string dir = WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  dir += checker + "\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  dir += name + "\\";
  RemoveTree(dir);
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

class Playing : public testing::Test {
protected:
  TScratchDir FDir{"tb playing"};
  std::unique_ptr<TRunningProgram> FRun;

  void SetUp() override {
    std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
    std::string output = WinPath(EnvVar("TB_SILENT_MIDI"));
    ASSERT_TRUE(FileExists(exe)) << exe;
    ASSERT_TRUE(FileExists(output)) << output;
    ASSERT_TRUE(CopyFileA(exe.c_str(), (FDir / "Tonalbrook.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(output.c_str(), (FDir / "midimap.dll").c_str(), FALSE));
    // The program inherits where the output writes.
    SetEnvironmentVariableA("TB_MIDI_LOG", (FDir / "midi.log").c_str());
    ForceDirectories(FDir / "Songs");
  }
  void TearDown() override {
    if (FRun && !FRun->Ended()) {
      FRun->Answer = [](const TRunningProgram::TAsked&) { return std::string("&No"); };
      EXPECT_TRUE(FRun->AnswerAndClose());
    }
  }

  std::string Song(const std::string& name, const std::string& bytes) {
    std::string path = FDir / ("Songs\\" + name + ".mid");
    WriteFileBytes(path, bytes);
    return path;
  }
  void Start(const std::string& settings, const std::string& params) {
    WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n" + settings);
    FRun = std::make_unique<TRunningProgram>(FDir.Path(), params);
    ASSERT_TRUE(FRun->Started());
    ASSERT_TRUE(FRun->WaitForMainWindow());
  }

  // The display panel, a line each: category, artist, title, program line, state, times.
  std::vector<std::string> Panel() {
    return Lines(TextOf(ChildOfClass(FRun->MainWindow(), "TCDPanelP")));
  }
  std::string PanelLine(size_t i) {
    auto lines = Panel();
    return i < lines.size() ? lines[i] : "";
  }
  std::string TitleShown() { return PanelLine(2); }
  std::string ProgramLine() { return PanelLine(3); }
  std::string State() { return PanelLine(4); }
  // Answers boxes (No to each) until the panel shows that title and program line.
  bool WaitForShown(const std::string& title, const std::string& program, uint32_t ms = 30000) {
    return FRun->AnswerUntil(
        [&] { return TitleShown() == "Title: " + title && ProgramLine() == program; }, ms);
  }
  bool WaitForState(const std::string& state, uint32_t ms = 15000) {
    return FRun->AnswerUntil([&] { return State() == state; }, ms);
  }

  // The player buttons: "X" erases and stops; Pause and OneStop stand before it on its panel.
  HWND Button(int place) {
    HWND allStop = FindChildByText(FRun->MainWindow(), "X");
    if (!allStop) return nullptr;
    HWND panel = GetParent(allStop);
    POINT p{1 + 26 * place + 13, 12};
    return ChildWindowFromPointEx(panel, p, CWP_SKIPINVISIBLE);
  }
  HWND PauseButton() { return Button(0); }
  HWND OneStopButton() { return Button(1); }
  HWND AllStopButton() { return Button(2); }
  // A click as the user's would arrive.
  void Click(HWND button) {
    ASSERT_TRUE(button);
    ASSERT_TRUE(IsWindowEnabled(button));
    PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 8));
    PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(8, 8));
  }

  HWND Slider() { return ChildOfClass(FRun->MainWindow(), "TMMSlider"); }
  int SliderPos() { return static_cast<int>(SendMessageA(Slider(), TBM_GETPOS, 0, 0)); }

  // The program viewer's Order column, opened by the "..." button when not up yet.
  std::vector<std::string> OrderColumn() {
    HWND viewer = FindProcessWindow(FRun->Pid(), "TViewProgFrm");
    if (!viewer || !IsWindowVisible(viewer)) {
      HWND view = FindChildByText(FRun->MainWindow(), "...");
      if (view && IsWindowEnabled(view)) PostMessageA(view, BM_CLICK, 0, 0);
      return {};
    }
    std::vector<std::string> order;
    auto rows = Lines(TextOf(ChildOfClass(viewer, "TMyStringGrid")));
    for (size_t i = 1; i < rows.size(); ++i)
      order.push_back(Lines(rows[i], '\t').front());
    return order;
  }
  bool WaitForOrder(const std::vector<std::string>& expected, uint32_t ms = 20000) {
    return FRun->AnswerUntil([&] { return OrderColumn() == expected; }, ms);
  }

  std::string Log() { return SharedRead(FDir / "midi.log"); }
  // The notes of the note-ons that reached the output so far, in order.
  std::vector<int> NotesOn() {
    std::vector<int> notes;
    for (const std::string& line : Lines(Log())) {
      auto parts = Lines(line, ' ');
      if (parts.size() == 4 && parts[1][0] == '9' && parts[3] != "00")
        notes.push_back(std::stoi(parts[2], nullptr, 16));
    }
    return notes;
  }
  int NoteOns() { return static_cast<int>(NotesOn().size()); }
  // True when no note-on arrives for the whole time (the output is quiet).
  bool QuietFor(uint32_t ms) {
    int before = NoteOns();
    return !FRun->AnswerUntil([&] { return NoteOns() != before; }, ms);
  }
};

TEST_F(Playing, AProgramOfThreeTitlesPlaysInOrderStepsOnAndWrapsWhileLooping) {
  std::string morning = Song("Morning", Morning()), noon = Song("Noon", Noon()),
              evening = Song("Evening", Evening());
  Start("AutoLooping=1\r\n", "P\"" + evening + "\"");
  ASSERT_TRUE(WaitForShown("Evening", "Title 1 of 1 in program")) << PanelLine(3);
  // Each request arrives while the program plays: its title goes on top and plays at once.
  ASSERT_GE(SecondStart(FDir.Path(), "P\"" + noon + "\""), 0);
  ASSERT_TRUE(WaitForShown("Noon", "Title 1 of 2 in program"));
  ASSERT_GE(SecondStart(FDir.Path(), "P\"" + morning + "\""), 0);
  ASSERT_TRUE(WaitForShown("Morning", "Title 1 of 3 in program"));
  EXPECT_EQ(IndexRecords(FDir.Path()), 3);

  // The program [Morning, Noon, Evening] steps on as each title ends, and wraps round.
  const size_t from = Log().size();
  ASSERT_TRUE(WaitForShown("Noon", "Title 2 of 3 in program"));
  ASSERT_TRUE(WaitForShown("Evening", "Title 3 of 3 in program"));
  ASSERT_TRUE(WaitForShown("Morning", "Title 1 of 3 in program"));
  ASSERT_TRUE(WaitForShown("Noon", "Title 2 of 3 in program"));
  const std::string log = Log();
  std::string dir = CheckDir("in_order");
  WriteFileBytes(dir + "midi.log", log.substr(from));
  WriteFileBytes(dir + "Morning.mid", Morning());
  WriteFileBytes(dir + "Noon.mid", Noon());
  WriteFileBytes(dir + "Evening.mid", Evening());
  // The titles that began and ended after the log was cut, in the order they must have played.
  WriteFileBytes(dir + "expected.txt", "Noon.mid\nEvening.mid\nMorning.mid\n");

  // The viewer marks the title in play, the others by their place.
  EXPECT_TRUE(WaitForOrder({"1", "Playing", "3"}) || WaitForOrder({"1", "2", "Playing"}) ||
              WaitForOrder({"Playing", "2", "3"}))
      << testing::PrintToString(OrderColumn());

  // A request for a title the catalogue has already: not added again, played at once on top.
  ASSERT_GE(SecondStart(FDir.Path(), "P\"" + evening + "\""), 0);
  ASSERT_TRUE(WaitForShown("Evening", "Title 1 of 4 in program"));
  EXPECT_EQ(IndexRecords(FDir.Path()), 3);
  EXPECT_TRUE(WaitForOrder({"Playing", "2", "3", "4"}) || WaitForOrder({"1", "Playing", "3", "4"}))
      << testing::PrintToString(OrderColumn());
  ASSERT_TRUE(FRun->AnswerAndClose());
  EXPECT_EQ(FRun->ExitCode(), 0u);
  EXPECT_TRUE(FRun->Boxes().empty()) << FRun->Boxes().front().Text;
}

TEST_F(Playing, WithoutLoopingTheProgramRestsOnItsFirstTitlePausedAtItsStart) {
  std::string morning = Song("Morning", Morning()), noon = Song("Noon", Noon());
  // With the GM reset ticked, the sequencer plays the reset before each title.
  Start("AutoLooping=0\r\nGMReset=1\r\n", "P\"" + noon + "\"");
  ASSERT_TRUE(WaitForShown("Noon", "Title 1 of 1 in program"));
  ASSERT_GE(SecondStart(FDir.Path(), "P\"" + morning + "\""), 0);
  ASSERT_TRUE(WaitForShown("Morning", "Title 1 of 2 in program"));
  ASSERT_TRUE(WaitForShown("Noon", "Title 2 of 2 in program"));
  // Past the end: back on the first title, paused at its start, and nothing more is played.
  ASSERT_TRUE(WaitForShown("Morning", "Title 1 of 2 in program"));
  ASSERT_TRUE(WaitForState("Paused"));
  EXPECT_EQ(PanelLine(5), "0:00 of 0:01");
  EXPECT_TRUE(QuietFor(2000));
  EXPECT_TRUE(WaitForOrder({"Paused", "2"})) << testing::PrintToString(OrderColumn());
  EXPECT_EQ(ProgramLine(), "Title 1 of 2 in program");

  // Resumed, the program plays through once more and rests on its first title again.
  int before = NoteOns();
  Click(PauseButton());
  ASSERT_TRUE(WaitForShown("Noon", "Title 2 of 2 in program"));
  EXPECT_GE(NoteOns(), before + 4);
  ASSERT_TRUE(WaitForShown("Morning", "Title 1 of 2 in program"));
  EXPECT_TRUE(WaitForState("Paused"));
  EXPECT_TRUE(FRun->Boxes().empty()) << FRun->Boxes().front().Text;
  // The reset file carries its system-exclusive message alone, which Wine's sequencer does not
  // pass on: each reset shows as an opening of the output with nothing sent before it closes.
  size_t resets = 0;
  std::string previous;
  for (const std::string& line : Lines(Log())) {
    std::string word = line.substr(line.find(' ') + 1);
    if (previous == "open" && (word == "reset" || word == "close")) ++resets;
    previous = word;
  }
  EXPECT_GE(resets, 5u) << Log();
}

TEST_F(Playing, PauseResumeTheStopsAndTheSliderFollowTheTitle) {
  std::string morning = Song("Morning", Morning()), tune = Song("Long tune", Long());
  Start("AutoLooping=1\r\n", "P\"" + morning + "\"");
  ASSERT_TRUE(WaitForShown("Morning", "Title 1 of 1 in program"));
  ASSERT_GE(SecondStart(FDir.Path(), "P\"" + tune + "\""), 0);
  ASSERT_TRUE(WaitForShown("Long tune", "Title 1 of 2 in program"));
  HWND slider = Slider();
  ASSERT_TRUE(slider);
  EXPECT_EQ(SendMessageA(slider, TBM_GETRANGEMAX, 0, 0), 4) << "four seconds";
  ASSERT_TRUE(FRun->AnswerUntil([&] { return SliderPos() >= 1; }, 10000)) << SliderPos();

  // Pause: the output falls quiet and the slider stays.
  Click(PauseButton());
  ASSERT_TRUE(WaitForState("Paused"));
  const int paused = SliderPos();
  EXPECT_TRUE(QuietFor(1500));
  EXPECT_EQ(SliderPos(), paused);
  EXPECT_TRUE(WaitForOrder({"Paused", "2"})) << testing::PrintToString(OrderColumn());
  // Resume: on from where it was; the slider moves on.
  int before = NoteOns();
  Click(PauseButton());
  ASSERT_TRUE(WaitForState("Playing"));
  EXPECT_TRUE(FRun->AnswerUntil([&] { return SliderPos() > paused; }, 10000));
  ASSERT_TRUE(FRun->AnswerUntil([&] { return NoteOns() > before; }, 5000));
  // The title goes on with the note after the last one heard, not from its beginning.
  const std::vector<int> scale{48, 50, 52, 53, 55, 57, 59, 60};
  std::vector<int> heard = NotesOn();
  auto last = std::find(scale.begin(), scale.end(), heard[before - 1]);
  ASSERT_NE(last, scale.end());
  ASSERT_NE(last + 1, scale.end());
  EXPECT_TRUE(heard[before] == *(last + 1) || heard[before] == *last)
      << heard[before - 1] << " then " << heard[before];

  // One-stop: the title stops where it is and the program does not move on.
  ASSERT_TRUE(WaitForShown("Long tune", "Title 1 of 2 in program"));
  Click(OneStopButton());
  ASSERT_TRUE(WaitForState("Stopped"));
  PumpUntil([] { return false; }, 500);
  ASSERT_FALSE(FRun->Ended()) << FRun->ExitCode();
  EXPECT_TRUE(QuietFor(2000));
  EXPECT_EQ(ProgramLine(), "Title 1 of 2 in program");
  EXPECT_EQ(TitleShown(), "Title: Long tune");
  // Pressed again it plays the title from its beginning.
  before = NoteOns();
  Click(OneStopButton());
  ASSERT_TRUE(WaitForState("Playing"));
  EXPECT_TRUE(FRun->AnswerUntil([&] { return NoteOns() > before; }, 5000));
  EXPECT_LE(SliderPos(), 1);

  // All-stop asks, then stops and erases the program.
  FRun->Answer = [](const TRunningProgram::TAsked& box) {
    return box.Text.find("Are you sure you want to stop play and erase your music program?") == 0
               ? std::string("&Yes")
               : std::string();
  };
  Click(AllStopButton());
  ASSERT_TRUE(FRun->AnswerUntil([&] { return PanelLine(3) == "No program"; }, 15000))
      << PanelLine(3);
  EXPECT_EQ(TitleShown(), "Title: None");
  EXPECT_TRUE(QuietFor(1500));
  EXPECT_FALSE(IsWindowEnabled(FindChildByText(FRun->MainWindow(), "...")));
  ASSERT_EQ(FRun->Boxes().size(), 1u);
}

namespace {

// Where the display panel's number of the title in play stands on the screen, for the program
// line "Title <n> of <count> in program": the line is set right-aligned 10 pixels in from the
// panel's right edge, on the second row (rows of 16 pixels or the caption's height, 3 from the
// top), in 9-point Arial; the number's box, and a pixel either side where only blanks stand.
RECT ProgramNumberBox(HWND panel, const std::string& programLine) {
  int place = 0, count = 0;
  if (sscanf(programLine.c_str(), "Title %d of %d", &place, &count) != 2) return RECT{};
  TClientDC screen(nullptr);
  TGdiObject<HFONT> arial(CreateFontA(-MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0,
                                      FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0,
                                      "Arial"));
  TSelectObject selected(screen, arial.Get());
  auto extent = [&](const std::string& text) {
    SIZE size{};
    GetTextExtentPoint32A(screen, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
  };
  RECT r{};
  GetWindowRect(panel, &r);
  const int right = r.right - 10 - extent("  in program").cx - extent(std::to_string(count)).cx -
                    extent(" of  ").cx;
  const SIZE number = extent(std::to_string(place));
  const int top = r.top + 3 + std::max<int>(16, extent("Category").cy);
  return RECT{right - number.cx - 1, top, right + 1, top + number.cy};
}

// Whether anything but the panel's black shows in that part of the screen.
bool InkShown(const RECT& box) {
  const int w = box.right - box.left, h = box.bottom - box.top;
  if (w <= 0 || h <= 0) return false;
  TClientDC screen(nullptr);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if ((GetPixel(screen, box.left + x, box.top + y) & 0xFFFFFF) != 0) return true;
  return false;
}

} // namespace

TEST_F(Playing, TheNumberOfTheTitleInPlayStaysShownWhileItBlinksForANewTitle) {
  std::string morning = Song("Morning", Morning()), noon = Song("Noon", Noon());
  Start("AutoLooping=1\r\n", "P\"" + noon + "\"");
  ASSERT_TRUE(WaitForShown("Noon", "Title 1 of 1 in program"));
  ASSERT_GE(SecondStart(FDir.Path(), "P\"" + morning + "\""), 0);
  ASSERT_TRUE(WaitForShown("Morning", "Title 1 of 2 in program"));
  HWND panel = ChildOfClass(FRun->MainWindow(), "TCDPanelP");
  ASSERT_TRUE(panel);
  SetForegroundWindow(FRun->MainWindow());
  // Each new title starts a blink of its number; through two of them, looked at as often as the
  // screen can be read, the number never leaves its place empty.
  std::vector<std::string> lines{ProgramLine()};
  int looks = 0, empty = 0;
  std::string emptyAt;
  ASSERT_TRUE(FRun->AnswerUntil(
      [&] {
        const std::string line = ProgramLine();
        if (line != lines.back()) lines.push_back(line);
        ++looks;
        if (!InkShown(ProgramNumberBox(panel, line))) {
          ++empty;
          emptyAt = line;
        }
        return lines.size() >= 3;
      },
      30000))
      << testing::PrintToString(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"Title 1 of 2 in program", "Title 2 of 2 in program",
                                             "Title 1 of 2 in program"}));
  EXPECT_GE(looks, 20);
  EXPECT_EQ(empty, 0) << "the number was not shown in " << empty << " of " << looks
                      << " looks, last at \"" << emptyAt << "\"";
}

TEST_F(Playing, ATitleTheSequencerRefusesLeavesTheProgramAndTheNextOnePlays) {
  // A real file of two tracks with system-exclusive data, controllers and tempo.
  std::string corpus;
  for (const std::string& f : CorpusFiles("mma"))
    if (ExtractFileName(f) == "trunc.mid") corpus = f;
  ASSERT_FALSE(corpus.empty());
  std::string tune = Song("trunc", ReadFileBytes(corpus));
  // A file timed in frames (25 a second, 40 ticks each) rather than in quarter notes: read and
  // taken into the catalogue, refused by Wine's sequencer. (A RIFF file cut short served here
  // once; it is no longer taken.)
  std::string frames = Noon();
  frames[12] = '\xE7';
  frames[13] = '\x28';
  std::string refused = Song("In frames", frames);
  Start("AutoLooping=1\r\n", "P\"" + tune + "\"");
  ASSERT_TRUE(WaitForShown("trunc", "Title 1 of 1 in program"));
  // The error box has Cancel alone; No keeps the title in the catalogue.
  FRun->Answer = [](const TRunningProgram::TAsked& box) {
    return box.Text.find("MIDI Open/Close error") == 0 ? std::string("Cancel") : std::string();
  };
  ASSERT_GE(SecondStart(FDir.Path(), "P\"" + refused + "\""), 0);
  ASSERT_TRUE(PumpUntil([&] { return FindProcessWindow(FRun->Pid(), "TMessageForm"); }, 30000));
  const size_t from = Log().size();
  // The refused title is taken out (No: it stays in the catalogue); the program plays on with
  // the next title, from its beginning.
  ASSERT_TRUE(FRun->AnswerUntil([&] { return FRun->Boxes().size() >= 2; }, 30000))
      << FRun->Boxes().size();
  EXPECT_TRUE(WaitForShown("trunc", "Title 1 of 1 in program"));
  EXPECT_TRUE(WaitForState("Playing"));
  ASSERT_EQ(FRun->Boxes().size(), 2u);
  EXPECT_EQ(FRun->Boxes()[0].Text.find("MIDI Open/Close error = "), 0u) << FRun->Boxes()[0].Text;
  EXPECT_EQ(FRun->Boxes()[1].Text.find("File may be corrupted: Delete from database?"), 0u);
  EXPECT_EQ(IndexRecords(FDir.Path()), 2);

  // Played through once and begun again (looping): the notes go to the checker.
  auto opened = [&] {
    std::string log = Log().substr(from);
    size_t n = 0;
    for (size_t at = 0; (at = log.find(" open\n", at)) != std::string::npos; ++at)
      ++n;
    return n;
  };
  ASSERT_TRUE(FRun->AnswerUntil([&] { return opened() >= 2; }, 30000));
  std::string dir = CheckDir("after_refusal");
  WriteFileBytes(dir + "midi.log", Log().substr(from));
  WriteFileBytes(dir + "trunc.mid", ReadFileBytes(corpus));
  WriteFileBytes(dir + "expected.txt", "trunc.mid\n");
}

TEST_F(Playing, ASlowTitleRunningOnPastItsNotesIsHeardToItsLastNoteAndTheProgramStepsOn) {
  std::string morning = Song("Morning", Morning()), tail = Song("Long tail", LongTail());
  Start("AutoLooping=1\r\n", "P\"" + tail + "\"");
  ASSERT_TRUE(WaitForShown("Long tail", "Title 1 of 1 in program"));
  ASSERT_GE(SecondStart(FDir.Path(), "P\"" + morning + "\""), 0);
  ASSERT_TRUE(WaitForShown("Morning", "Title 1 of 2 in program"));
  const int before = NoteOns();
  // After Morning the long tail plays its two notes, then the program moves on: not some 155
  // hours later at the sequencer's own end.
  ASSERT_TRUE(WaitForShown("Long tail", "Title 2 of 2 in program"));
  ASSERT_TRUE(WaitForShown("Morning", "Title 1 of 2 in program", 60000)) << PanelLine(2);
  const std::vector<int> heard = NotesOn();
  const std::vector<int> tailNotes{67, 71};
  EXPECT_NE(std::search(heard.begin() + before, heard.end(), tailNotes.begin(), tailNotes.end()),
            heard.end())
      << testing::PrintToString(heard);
  ASSERT_TRUE(FRun->AnswerAndClose());
  EXPECT_EQ(FRun->ExitCode(), 0u);
  EXPECT_TRUE(FRun->Boxes().empty()) << FRun->Boxes().front().Text;
}

TEST_F(Playing, TitlesAtOtherTempiKeepTheDurationsReadFromTheirFiles) {
  // Written with mido: format 0 at 60 and 200 beats a minute, format 1 with its tempo changes
  // outside the first track, and format 1 with changes in two tracks. Wine's sequencer times
  // them all at 120 beats a minute.
  const std::string oracle = OracleDir("tempo_titles");
  // Emptied first, so that a run that fails leaves the checker nothing of an earlier one.
  const std::string dir = CheckDir("tempi", "playing_durations");
  std::vector<std::string> names;
  for (const std::string& line : Lines(ReadFileBytes(oracle + "titles.tsv")))
    if (!line.empty()) names.push_back(Lines(line, '\t').front());
  ASSERT_EQ(names.size(), 4u);
  std::vector<std::string> songs;
  for (const std::string& name : names) {
    songs.push_back(FDir / ("Songs\\" + name));
    WriteFileBytes(songs.back(), ReadFileBytes(oracle + name));
  }

  Start("AutoLooping=1\r\n", "P\"" + songs[0] + "\"");
  ASSERT_TRUE(WaitForShown(ChangeFileExt(names[0], ""), "Title 1 of 1 in program"));
  // Each request is added to the catalogue and played at once, on top of the program.
  for (size_t i = 1; i < songs.size(); ++i) {
    ASSERT_GE(SecondStart(FDir.Path(), "P\"" + songs[i] + "\""), 0);
    ASSERT_TRUE(WaitForShown(ChangeFileExt(names[i], ""),
                             "Title 1 of " + std::to_string(i + 1) + " in program"))
        << names[i] << ": " << TitleShown() << "; "
        << (FRun->Boxes().empty() ? "" : FRun->Boxes().back().Text);
    ASSERT_TRUE(WaitForState("Playing"));
  }
  EXPECT_EQ(IndexRecords(FDir.Path()), int(names.size()));
  ASSERT_TRUE(FRun->AnswerAndClose());
  EXPECT_EQ(FRun->ExitCode(), 0u);
  EXPECT_TRUE(FRun->Boxes().empty()) << FRun->Boxes().front().Text;

  // The catalogue as the closed program left it, and the files it was given, for the checker.
  for (const char* file : {"Music.dex", "Music.dax"})
    ASSERT_TRUE(CopyFileA((FDir / file).c_str(), (dir + file).c_str(), FALSE)) << file;
  for (const std::string& name : names)
    WriteFileBytes(dir + name, ReadFileBytes(oracle + name));
  WriteFileBytes(dir + "titles.tsv", ReadFileBytes(oracle + "titles.tsv"));
}

} // namespace
