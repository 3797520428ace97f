// The MIDI file reader: corpus durations against an independent oracle, RIFF files, malformed
// files of every kind, and the event list operations.
#include <gtest/gtest.h>
#include <windows.h>
#include "TestUtil.h"
#include "TuneFiles.h"
#include "cmpMidiData.h"
#include "cmpMidiIterator.h"
#include "cmpRiffStream.h"
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace {

std::string Be32(uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}
std::string Be16(uint16_t v) {
  return {char(v >> 8), char(v)};
}
std::string Header(int format, int tracks, int division, uint32_t size = 6) {
  std::string h = "MThd" + Be32(size) + Be16(format) + Be16(tracks) + Be16(division);
  if (size > 6) h += std::string(size - 6, '\x55');
  return h;
}
std::string Track(const std::string& events) {
  return "MTrk" + Be32(events.size()) + events;
}
std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int x : b)
    s += char(x);
  return s;
}
const std::string Eot = Bytes({0, 0xFF, 0x2F, 0});
std::string VarLen(uint32_t v) {
  std::string s(1, char(v & 0x7F));
  while (v >>= 7)
    s.insert(s.begin(), char(0x80 | (v & 0x7F)));
  return s;
}
// A RIFF MIDI file around a Standard MIDI File.
std::string Riff(const std::string& smf) {
  std::string body = "RMID" + std::string("data");
  std::string size(4, 0);
  uint32_t n = static_cast<uint32_t>(smf.size());
  std::string le = {char(n), char(n >> 8), char(n >> 16), char(n >> 24)};
  body += le + smf;
  if (smf.size() & 1) body += '\0';
  uint32_t total = static_cast<uint32_t>(body.size());
  return "RIFF" + std::string{char(total), char(total >> 8), char(total >> 16), char(total >> 24)} +
         body;
}

struct TLoad {
  bool Ok = false;
  std::string Error;
  int64_t Ms = -1;
};

// Loads a file and answers its duration or the reader's error; any other exception fails.
TLoad Load(const std::string& path, TMidiData& data) {
  TLoad r;
  data.SetActive(false);
  data.SetFileName(path);
  try {
    data.SetActive(true);
    TMidiPosition pos(&data);
    r.Ms = pos.DurationMs();
    r.Ok = true;
  } catch (const EMidiData& e) {
    r.Error = e.Message();
  } catch (const std::exception& e) {
    r.Error = std::string("NOT EMidiData: ") + e.what();
  }
  return r;
}

TLoad LoadBytes(const std::string& bytes, const std::string& name = "t.mid") {
  static TScratchDir dir("midireader");
  std::string path = dir / name;
  WriteFileBytes(path, bytes);
  TMidiData data;
  return Load(path, data);
}

struct TOracleRow {
  int64_t Ours, Mido;
  bool Comparable;
  int64_t Bound;
};

std::map<std::string, TOracleRow> OracleRows() {
  std::map<std::string, TOracleRow> rows;
  std::ifstream in(OracleDir("midi_duration") + "durations.tsv");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::string rel;
    TOracleRow r{};
    int comparable = 0;
    std::getline(f, rel, '\t');
    f >> r.Ours >> r.Mido >> comparable >> r.Bound;
    r.Comparable = comparable != 0;
    for (char& c : rel)
      if (c == '/') c = '\\';
    rows[rel] = r;
  }
  return rows;
}

std::string CorpusRel(const std::string& path) {
  std::string root = WinPath(EnvVar("TB_CORPUS")) + "\\";
  return path.substr(root.size());
}

} // namespace

TEST(MidiCorpus, DurationsMatchTheIndependentOracleExactlyAndMidoWhereTheyMeasureAlike) {
  auto rows = OracleRows();
  auto files = CorpusFiles();
  ASSERT_GT(files.size(), 100u);
  ASSERT_EQ(rows.size(), files.size());
  TMidiData data;
  TTuneFiles tunes;
  int accepted = 0, compared = 0;
  for (const auto& path : files) {
    SCOPED_TRACE(path);
    const TOracleRow& row = rows.at(CorpusRel(path));
    TLoad r = Load(path, data);
    EXPECT_EQ(r.Error.rfind("NOT", 0), std::string::npos) << r.Error;
    EXPECT_EQ(r.Ok ? r.Ms : -1, row.Ours) << r.Error;
    EXPECT_EQ(tunes.GetMIDIDuration(path), row.Ours < 0 ? -1 : int(row.Ours / 1000));
    if (r.Ok) ++accepted;
    if (row.Comparable && r.Ok) {
      ++compared;
      // Ours truncates each tempo to whole ms per quarter, so it may only fall short of mido's.
      EXPECT_GE(row.Mido - r.Ms, -1);
      EXPECT_LE(row.Mido - r.Ms, row.Bound);
    }
  }
  EXPECT_GT(accepted, 100);
  EXPECT_GT(compared, 80);
}

TEST(MidiCorpus, NonMidiFilesAreRefusedWithTheIdMessage) {
  auto files = CorpusFiles("r-cran-rgdal");
  ASSERT_FALSE(files.empty());
  TMidiData data;
  TTuneFiles tunes;
  for (const auto& path : files) {
    EXPECT_EQ(Load(path, data).Error, "Invalid MIDI file ID");
    EXPECT_EQ(tunes.GetMIDIDuration(path), -1);
    int64_t size = 0;
    EXPECT_EQ(TTuneFiles::CheckMIDIHeader(path, size), mfOther);
    EXPECT_GT(size, 0);
  }
}

TEST(MidiCorpus, RiffWrappedCopiesGiveTheSameDurationWhateverTheirName) {
  auto rows = OracleRows();
  TScratchDir dir("riff");
  TMidiData data;
  int n = 0;
  for (const auto& path : CorpusFiles()) {
    const TOracleRow& row = rows.at(CorpusRel(path));
    if (row.Ours < 0) continue;
    std::string riff = Riff(ReadFileBytes(path));
    // Every 7th file also under a ".mid" name: the contents decide how it is read.
    std::string name = dir / ((n % 7 == 0) ? "wrapped.mid" : "wrapped.rmi");
    WriteFileBytes(name, riff);
    SCOPED_TRACE(path);
    TLoad r = Load(name, data);
    ASSERT_TRUE(r.Ok) << r.Error;
    EXPECT_TRUE(data.IsRiff());
    EXPECT_EQ(r.Ms, row.Ours);
    int64_t size = 0;
    EXPECT_EQ(TTuneFiles::CheckMIDIHeader(name, size), mfRiffMidi);
    EXPECT_EQ(size, int64_t(riff.size()));
    ++n;
  }
  EXPECT_GT(n, 100);
  // A plain Standard MIDI File under a ".rmi" name still reads.
  WriteFileBytes(dir / "plain.rmi", Header(0, 1, 96) + Track(Bytes({0x60, 0x90, 60, 100}) + Eot));
  TLoad plain = Load(dir / "plain.rmi", data);
  EXPECT_TRUE(plain.Ok) << plain.Error;
  EXPECT_FALSE(data.IsRiff());
  EXPECT_EQ(plain.Ms, 500);
}

TEST(MidiCorpus, RiffFilesWithoutTheirChunksAreRefused) {
  std::string smf = Header(0, 1, 96) + Track(Eot);
  std::string notRmid = Riff(smf);
  notRmid.replace(8, 4, "WAVE");
  EXPECT_EQ(LoadBytes(notRmid, "a.rmi").Error, "Unable to descend into RMID");
  std::string noData = Riff(smf);
  noData.replace(12, 4, "junk");
  EXPECT_EQ(LoadBytes(noData, "b.rmi").Error, "Unable to descend into data");
  EXPECT_EQ(LoadBytes("RIFF", "c.rmi").Error.rfind("Unable to descend into", 0), 0u);
}

// Cut and damaged copies of real files: each loads or ends as EMidiData, and never crashes.
TEST(MidiCorpus, TruncatedAndMutatedCopiesEndAsMidiDataErrors) {
  TScratchDir dir("mutate");
  std::mt19937 rng(20240611);
  TMidiData data;
  TTuneFiles tunes;
  int refused = 0, runs = 0;
  for (const auto& path : CorpusFiles()) {
    std::string bytes = ReadFileBytes(path);
    std::vector<std::string> copies;
    for (size_t cut : {size_t(1), size_t(3), size_t(13), size_t(14), size_t(22), bytes.size() / 2,
                       bytes.size() - 1})
      if (cut < bytes.size()) copies.push_back(bytes.substr(0, cut));
    for (int m = 0; m < 12; ++m) {
      std::string c = bytes;
      int hits = 1 + int(rng() % 4);
      for (int k = 0; k < hits; ++k)
        c[rng() % c.size()] = char(rng());
      copies.push_back(c);
    }
    for (const auto& c : copies) {
      std::string name = dir / "m.mid";
      WriteFileBytes(name, c);
      TLoad r = Load(name, data);
      ASSERT_EQ(r.Error.rfind("NOT", 0), std::string::npos) << path << ": " << r.Error;
      int secs = tunes.GetMIDIDuration(name);
      if (r.Ok) {
        EXPECT_EQ(secs, int(r.Ms / 1000));
      } else {
        EXPECT_EQ(secs, -1);
        ++refused;
      }
      ++runs;
    }
  }
  EXPECT_GT(runs, 2000);
  EXPECT_GT(refused, runs / 3);
}

TEST(MidiCorpus, DamagedCopiesAreReadOrRefusedAsTheOracleReadsTheFormat) {
  std::string folder = OracleDir("midi_duration");
  std::ifstream in(folder + "damaged.tsv");
  TMidiData data;
  int copies = 0, refused = 0;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::string name;
    int64_t expected = 0;
    std::getline(f, name, '\t');
    f >> expected;
    SCOPED_TRACE(name);
    TLoad r = Load(folder + "damaged\\" + name, data);
    EXPECT_EQ(r.Error.rfind("NOT", 0), std::string::npos) << r.Error;
    EXPECT_EQ(r.Ok ? r.Ms : -1, expected) << r.Error;
    ++copies;
    if (expected < 0) ++refused;
  }
  EXPECT_GT(copies, 1000);
  EXPECT_GT(refused, copies / 3);
  EXPECT_LT(refused, copies);
}

TEST(MidiMalformed, EveryFaultEndsAsMidiDataWithItsMessage) {
  std::string note = Bytes({0, 0x90, 60, 100});
  std::string big(65535, 'x');
  struct TCase {
    const char* What;
    std::string Bytes;
    const char* Message;
  } cases[] = {
      {"wrong id", "MThx" + Header(0, 1, 96).substr(4), "Invalid MIDI file ID"},
      {"1-3 bytes", "MT", "Invalid MIDI file ID"},
      {"short header size", "MThd" + Be32(5) + Be16(0) + Be16(1) + Be16(96),
       "Invalid MIDI header size"},
      {"header cut", "MThd" + Be32(6) + Be16(0), "Unexpected end of MIDI file"},
      {"header size past the file", "MThd" + Be32(0xFFFFFFF0) + Be16(0) + Be16(1) + Be16(96),
       "Unexpected end of MIDI file"},
      {"division 0", Header(0, 1, 0) + Track(Eot), "Invalid MIDI time division"},
      {"257 tracks", Header(1, 257, 96), "Too many tracks in MIDI file"},
      {"wrong track id", Header(0, 1, 96) + "MTrx" + Be32(4) + Eot, "Invalid track start ID"},
      {"track missing", Header(1, 2, 96) + Track(Eot), "Unexpected end of MIDI file"},
      {"track length past the file", Header(0, 1, 96) + "MTrk" + Be32(0x7FFFFFFF) + Eot,
       "Unexpected end of MIDI file"},
      {"five-byte number",
       Header(0, 1, 96) + Track(Bytes({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 1, 1})),
       "Invalid variable-length number"},
      {"number cut", Header(0, 1, 96) + Track(Bytes({0x81, 0x81})),
       "Track data ends inside an event"},
      {"status missing", Header(0, 1, 96) + Track(Bytes({0x00})),
       "Track data ends inside an event"},
      {"data byte missing", Header(0, 1, 96) + Track(Bytes({0, 0x90, 60})),
       "Track data ends inside an event"},
      {"sysex past the track", Header(0, 1, 96) + Track(Bytes({0, 0xF0, 0x7F, 1, 2})),
       "Track data ends inside an event"},
      {"meta past the track", Header(0, 1, 96) + Track(Bytes({0, 0xFF, 3, 0x20, 'a'})),
       "Track data ends inside an event"},
      {"meta type missing", Header(0, 1, 96) + Track(Bytes({0, 0xFF})),
       "Track data ends inside an event"},
      {"meta too long for an event",
       Header(0, 1, 96) + Track(Bytes({0, 0xFF, 1, 0x83, 0xFF, 0x7F}) + big),
       "Meta event too long"},
      {"sysex too long for an event",
       Header(0, 1, 96) + Track(Bytes({0, 0xF0, 0x84, 0x80, 0x00}) + big + Bytes({0x7F})),
       "System exclusive message too long"},
      {"running status first", Header(0, 1, 96) + Track(Bytes({0, 60, 100}) + Eot),
       "Error in Running Status"},
      {"sysex left open", Header(0, 1, 96) + Track(Bytes({0, 0xF0, 2, 0x43, 0x10}) + note + Eot),
       "Error in Sysex"},
      {"bytes after end of track", Header(0, 1, 96) + Track(Eot + note), "Unexpected end of track"},
      {"ticks past 32 bits",
       Header(0, 1, 96) + Track(VarLen(0x0FFFFFFF) + "\x90\x3C\x40" + VarLen(0x0FFFFFFF) +
                                "\x3C\x40" + VarLen(0x0FFFFFFF) + "\x3C\x40" + VarLen(0x0FFFFFFF) +
                                "\x3C\x40" + VarLen(0x0FFFFFFF) + "\x3C\x40" + VarLen(0x0FFFFFFF) +
                                "\x3C\x40" + VarLen(0x0FFFFFFF) + "\x3C\x40" + VarLen(0x0FFFFFFF) +
                                "\x3C\x40" + VarLen(0x0FFFFFFF) + "\x3C\x40"),
       "Event time out of range"},
  };
  TScratchDir dir("malformed");
  TTuneFiles tunes;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    EXPECT_EQ(LoadBytes(c.Bytes).Error, c.Message);
    WriteFileBytes(dir / "bad.mid", c.Bytes);
    EXPECT_EQ(tunes.GetMIDIDuration(dir / "bad.mid"), -1);
  }
  EXPECT_EQ(tunes.GetMIDIDuration(dir / "missing.mid"), -1);
  EXPECT_EQ(LoadBytes("", "empty.mid").Error, "Invalid MIDI file ID");
}

TEST(MidiMalformed, EventCountStopsAtTheReservation) {
  std::string ticks;
  for (int i = 0; i < MidiMaxEvents - 1; ++i)
    ticks += Bytes({0, 0xF8});
  // The end-of-track event that the reader adds takes the last place.
  TLoad full = LoadBytes(Header(0, 1, 96) + Track(ticks));
  EXPECT_TRUE(full.Ok) << full.Error;
  TLoad over = LoadBytes(Header(0, 1, 96) + Track(ticks + Bytes({0, 0xF8})));
  EXPECT_EQ(over.Error, "Too many events in track");
  TLoad overWithEnd = LoadBytes(Header(0, 1, 96) + Track(ticks + Bytes({0, 0xF8}) + Eot));
  EXPECT_EQ(overWithEnd.Error, "Too many events in track");
}

TEST(MidiTime, DefaultTempoIs120BeatsAMinute) {
  // 960 ticks at 96 per quarter without a tempo event: ten quarters of 500 ms.
  TLoad r =
      LoadBytes(Header(0, 1, 96) + Track(Bytes({0, 0x90, 60, 100, 0x87, 0x40, 0x80, 60, 0}) + Eot));
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Ms, 5000);
}

TEST(MidiTime, TempoFromEveryTrackInTimeOrderAndShortTempoEventsSkipped) {
  std::string tempo250 = Bytes({0, 0xFF, 0x51, 3, 0x03, 0xD0, 0x90}); // 250,000 us
  std::string noteAt960 = Bytes({0x87, 0x40, 0x90, 60, 100});
  TLoad first = LoadBytes(Header(1, 1, 96) + Track(tempo250 + noteAt960 + Eot));
  EXPECT_EQ(first.Ms, 2500);
  // A tempo outside the first track plays all the same: ten quarters of 250 ms.
  TLoad second = LoadBytes(Header(1, 2, 96) + Track(Eot) + Track(tempo250 + noteAt960 + Eot));
  EXPECT_EQ(second.Ms, 2500);
  // Changes of two tracks interleaved: 250 ms a quarter from track 2 at 0, 1,000 from track 1 at
  // 480, 2,000 from track 2 at 720: 5 x 250 + 2.5 x 1,000 + 2.5 x 2,000.
  std::string at480 = Bytes({0x83, 0x60, 0xFF, 0x51, 3, 0x0F, 0x42, 0x40}); // 1,000,000 us
  std::string at720 = Bytes({0x85, 0x50, 0xFF, 0x51, 3, 0x1E, 0x84, 0x80}); // 2,000,000 us
  TLoad merged = LoadBytes(Header(1, 2, 96) + Track(at480 + Eot) +
                           Track(tempo250 + at720 + Bytes({0x81, 0x70, 0x90, 60, 100}) + Eot));
  EXPECT_EQ(merged.Ms, 8750);
  // Two changes at one tick: the later track's is the one in force, as when merged in order.
  TLoad sameTick = LoadBytes(Header(1, 2, 96) + Track(tempo250 + Eot) +
                             Track(Bytes({0, 0xFF, 0x51, 3, 0x0F, 0x42, 0x40}) + noteAt960 + Eot));
  EXPECT_EQ(sameTick.Ms, 10000);
  // Whole ms a quarter: 333,333 us count as 333 ms.
  TLoad truncated = LoadBytes(Header(1, 2, 96) + Track(noteAt960 + Eot) +
                              Track(Bytes({0, 0xFF, 0x51, 3, 0x05, 0x16, 0x15}) + Eot));
  EXPECT_EQ(truncated.Ms, 3330);
  TLoad shortTempo =
      LoadBytes(Header(1, 1, 96) + Track(Bytes({0, 0xFF, 0x51, 2, 0x03, 0xD0}) + noteAt960 + Eot));
  EXPECT_EQ(shortTempo.Ms, 5000);
  // Odd and short time signatures move bars and beats but never the time.
  TLoad sigs = LoadBytes(Header(1, 1, 96) + Track(Bytes({0, 0xFF, 0x58, 1, 3, 0, 0xFF, 0x58, 2, 0,
                                                         250, 0, 0xFF, 0x58, 4, 7, 0, 24, 8}) +
                                                  noteAt960 + Eot));
  EXPECT_EQ(sigs.Ms, 5000); // signatures carry no time
}

TEST(MidiTime, ATimeSignatureInAnyTrackSetsTheBars) {
  // 3/4 from the second track: 288 ticks a bar at 96 a quarter, so tick 960 is in bar 3, beat 1
  // (counted from 0).
  TScratchDir dir("bars");
  WriteFileBytes(dir / "bars.mid", Header(1, 2, 96) +
                                       Track(Bytes({0x87, 0x40, 0x90, 60, 100}) + Eot) +
                                       Track(Bytes({0, 0xFF, 0x58, 4, 3, 2, 24, 8}) + Eot));
  TMidiData data;
  data.SetFileName(dir / "bars.mid");
  data.SetActive(true);
  TMidiPosition pos(&data);
  pos.SeekTo(960);
  EXPECT_EQ(pos.Numerator(), 3);
  EXPECT_EQ(pos.Bar(), 3);
  EXPECT_EQ(pos.Beat(), 1);
  EXPECT_EQ(pos.Milliseconds(), 5000);
}

TEST(MidiTime, LongSlowFilesDoNotOverflow) {
  // Slowest tempo (16,777 ms per quarter) and a note at the largest tick.
  std::string events = Bytes({0, 0xFF, 0x51, 3, 0xFF, 0xFF, 0xFF});
  for (int i = 0; i < 8; ++i)
    events += VarLen(0x0FFFFFFF) + Bytes({0xF8});
  events += VarLen(0x7FFFFFFF - 8 * 0x0FFFFFFF) + Bytes({0x90, 60, 100});
  TLoad r = LoadBytes(Header(0, 1, 96) + Track(events + Eot));
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Ms, int64_t(0x7FFFFFFF) * 16777 / 96);
  TScratchDir dir("slow");
  WriteFileBytes(dir / "slow.mid", Header(0, 1, 96) + Track(events + Eot));
  // Some 104,000 hours: a title keeps 99:59:59, the longest its time text shows.
  EXPECT_EQ(TTuneFiles().GetMIDIDuration(dir / "slow.mid"), 99 * 3600 + 59 * 60 + 59);
}

TEST(MidiTime, FilesWithoutChannelEventsOrTracksLastNoTime) {
  TLoad metaOnly = LoadBytes(Header(0, 1, 96) +
                             Track(Bytes({0x60, 0xFF, 3, 1, 'x', 0x60, 0xF0, 1, 0xF7}) + Eot));
  EXPECT_TRUE(metaOnly.Ok);
  EXPECT_EQ(metaOnly.Ms, 0);
  TLoad noTracks = LoadBytes(Header(1, 0, 96));
  EXPECT_TRUE(noTracks.Ok) << noTracks.Error;
  EXPECT_EQ(noTracks.Ms, 0);
}

TEST(MidiTracks, HeaderExtraBytesEmptyTrackAndNames) {
  TScratchDir dir("tracks");
  TMidiData data;
  WriteFileBytes(
      dir / "a.mid",
      Header(1, 2, 120, 7) + Track("") +
          Track(Bytes({0, 0xFF, 1, 2, 'h', 'i', 0, 0xFF, 3, 2, 'n', 'm', 0, 0xC3, 5}) + Eot));
  ASSERT_TRUE(Load(dir / "a.mid", data).Ok);
  EXPECT_EQ(data.ExtraHeader().size(), 1u);
  EXPECT_EQ(data.PPQN(), 120);
  EXPECT_EQ(data.Format(), 1);
  EXPECT_EQ(data.TrackCount(), 2);
  ASSERT_EQ(data.Track(0)->Count(), 1);
  TMidiEvent eot = data.Track(0)->Event(0);
  EXPECT_EQ(eot.Tick, 0);
  EXPECT_EQ(eot.MetaType(), 0x2F);
  EXPECT_EQ(data.Track(1)->Name(), "nm");
  EXPECT_EQ(data.Track(1)->FirstProgram(), 5);
  EXPECT_EQ(data.Track(1)->FirstChannel(), 3);
  EXPECT_FALSE(data.Modified());
  EXPECT_EQ(data.Track(2), nullptr);
  WriteFileBytes(dir / "b.mid", Header(1, 1, 120, 6) + Track(Eot));
  ASSERT_TRUE(Load(dir / "b.mid", data).Ok);
  EXPECT_TRUE(data.ExtraHeader().empty());
  data.SetPPQN(240);
  EXPECT_TRUE(data.Modified());
  EXPECT_THROW(data.SetPPQN(0), EMidiData);
}

TEST(MidiTracks, FindAndInsertKeepTicksSortedAndEndOfTrackLast) {
  TScratchDir dir("insert");
  TMidiData data;
  // Notes at 0, 10, 10, 20, end of track at 30; no running status pitfalls.
  WriteFileBytes(dir / "i.mid",
                 Header(0, 1, 96) + Track(Bytes({0, 0x90, 1,  1,    10, 0x90, 2,  1,    0,    0x90,
                                                 3, 1,    10, 0x90, 4,  1,    10, 0xFF, 0x2F, 0})));
  ASSERT_TRUE(Load(dir / "i.mid", data).Ok);
  TMidiTrack* t = data.Track(0);
  ASSERT_EQ(t->Count(), 5);
  EXPECT_EQ(t->FindByTick(10, 0), 1);
  EXPECT_EQ(t->FindByTick(10, 1), 2);
  EXPECT_EQ(t->FindByTick(15, 1), 3);
  EXPECT_EQ(t->FindByTick(31, 0), -1);
  EXPECT_THROW(t->Event(5), EMidiData);
  EXPECT_THROW(t->Event(-1), EMidiData);
  try {
    t->Event(99);
  } catch (const EMidiData& e) {
    EXPECT_EQ(e.Message(), "Invalid event no");
  }
  uint8_t note[2] = {9, 9};
  t->InsertEvent(10, 0x90, note, 2); // after both events of tick 10
  EXPECT_EQ(t->Event(3).Data1, 9);
  EXPECT_TRUE(data.Modified());
  t->InsertEvent(30, 0x90, note, 2); // same tick as the closing end of track: before it
  EXPECT_EQ(t->Event(t->Count() - 1).MetaType(), 0x2F);
  EXPECT_EQ(t->Event(t->Count() - 2).Tick, 30);
  t->InsertEvent(50, 0x90, note, 2); // later: the end of track moves along
  TMidiEvent last = t->Event(t->Count() - 1);
  EXPECT_EQ(last.MetaType(), 0x2F);
  EXPECT_EQ(last.Tick, 50);
  for (int i = 1; i < t->Count(); ++i)
    EXPECT_LE(t->Event(i - 1).Tick, t->Event(i).Tick);
  // Inserting past the reservation refuses with the memory error, not a crash.
  for (int i = t->Count(); i < MidiMaxEvents; ++i)
    t->InsertEvent(60, 0x90, note, 2);
  EXPECT_THROW(t->InsertEvent(60, 0x90, note, 2), EVirtualMemory);
  EXPECT_EQ(t->Count(), MidiMaxEvents);
}

TEST(MidiTracks, ClipboardFormatIsRegistered) {
  UINT format = MidiTrackClipboardFormat();
  ASSERT_GE(format, 0xC000u);
  char name[64] = {};
  GetClipboardFormatNameA(format, name, sizeof name);
  EXPECT_STREQ(name, "OrvendaleMidiTrackData");
}
