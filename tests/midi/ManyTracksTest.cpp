// Files of many tracks full of tempo changes, timed against an independent oracle: durations, the
// time at any tick reached forwards or backwards, the work a walk takes, and a duration too long
// for a 32-bit count of seconds; files written back whole or cut at their last note.
#include <gtest/gtest.h>
#include <windows.h>
#include "TestUtil.h"
#include "TuneFiles.h"
#include "cmpMidiData.h"
#include "cmpMidiIterator.h"
#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace {

struct TOracleFile {
  std::string Name;
  int64_t Ms = 0, Mido = -1, Bound = 0, Events = 0, Tracks = 0;
  std::vector<std::pair<int32_t, int64_t>> Seeks; // tick, ms
};

std::vector<TOracleFile> OracleFiles() {
  const std::string dir = OracleDir("tempo_heavy");
  std::vector<TOracleFile> files;
  std::ifstream durations(dir + "durations.tsv");
  for (std::string line; std::getline(durations, line);) {
    std::istringstream f(line);
    TOracleFile o;
    f >> o.Name >> o.Ms >> o.Mido >> o.Bound >> o.Events >> o.Tracks;
    files.push_back(o);
  }
  std::ifstream seeks(dir + "seeks.tsv");
  for (std::string line; std::getline(seeks, line);) {
    std::istringstream f(line);
    std::string name;
    int32_t tick = 0;
    int64_t ms = 0;
    f >> name >> tick >> ms;
    for (TOracleFile& o : files)
      if (o.Name == name) o.Seeks.push_back({tick, ms});
  }
  return files;
}

} // namespace

TEST(MidiManyTracks, TimesMatchTheOracleAtEveryTickAndEachEventIsReadAtMostTwice) {
  auto files = OracleFiles();
  ASSERT_EQ(files.size(), 5u);
  std::mt19937 rng(11);
  for (const TOracleFile& o : files) {
    SCOPED_TRACE(o.Name);
    if (o.Name == "seventyfive.mid") continue; // below: longer than the seconds count holds
    TMidiData data;
    data.SetFileName(OracleDir("tempo_heavy") + o.Name);
    ASSERT_NO_THROW(data.SetActive(true));
    TMidiPosition pos(&data);
    EXPECT_EQ(pos.DurationMs(), o.Ms);
    if (o.Mido >= 0) {
      // Whole ms per quarter: ours may only fall short of mido's, and by little.
      EXPECT_GE(o.Mido - o.Ms, -1);
      EXPECT_LE(o.Mido - o.Ms, o.Bound);
    }

    // One walk to the end looks at each event once, or twice where tracks take turns; never
    // once for every track at every change.
    TMidiPosition walk(&data);
    const int64_t before = walk.EventsRead();
    walk.SeekTo(walk.LatestTick());
    EXPECT_LE(walk.EventsRead() - before, 2 * o.Events + o.Tracks);
    EXPECT_EQ(walk.Milliseconds(), o.Ms);

    // Any tick, reached from before or after it, gives the time the file's tempo map gives.
    auto seeks = o.Seeks;
    ASSERT_GE(seeks.size(), 5u);
    for (int round = 0; round < 3; ++round) {
      std::shuffle(seeks.begin(), seeks.end(), rng);
      for (auto [tick, ms] : seeks) {
        walk.SeekTo(tick);
        EXPECT_EQ(walk.Milliseconds(), ms) << "tick " << tick;
      }
    }
  }
}

TEST(MidiManyTracks, TheCatalogueDurationInSecondsOfEachFileWhateverItsLength) {
  TScratchDir dir("manytracks");
  for (const TOracleFile& o : OracleFiles()) {
    SCOPED_TRACE(o.Name);
    const std::string path = OracleDir("tempo_heavy") + o.Name;
    // A 75-byte file can claim some 95 years: kept at 99:59:59, the longest a title's time text
    // shows, never wrapped.
    const int expected = static_cast<int>(std::min<int64_t>(o.Ms / 1000, 99 * 3600 + 59 * 60 + 59));
    EXPECT_EQ(TTuneFiles::GetMIDIDuration(path), expected);
    EXPECT_EQ(TTuneFiles::GetMIDIDurationOf(ReadFileBytes(path)), expected);
    // The same inside a RIFF file, read from disk or from memory.
    const std::string riff = RiffMidiOf(ReadFileBytes(path));
    WriteFileBytes(dir / "wrapped.rmi", riff);
    EXPECT_EQ(TTuneFiles::GetMIDIDuration(dir / "wrapped.rmi"), expected);
    EXPECT_EQ(TTuneFiles::GetMIDIDurationOf(riff), expected);
  }
  EXPECT_EQ(TTuneFiles::GetMIDIDuration(OracleDir("tempo_heavy") + "seventyfive.mid"), 359999);
}

TEST(MidiWriting, CorpusFilesWrittenBackWholeOrCutAtTheirLastNoteTimeAsTheOracleSays) {
  // The corpus's durations by the file format itself (oracles/midi_duration.py).
  std::map<std::string, int64_t> oracle;
  std::ifstream in(OracleDir("midi_duration") + "durations.tsv");
  for (std::string line; std::getline(in, line);) {
    std::istringstream f(line);
    std::string rel;
    int64_t ms = -1;
    std::getline(f, rel, '\t');
    f >> ms;
    oracle[ExtractFileName(rel)] = ms;
  }
  int written = 0;
  for (const std::string& path : CorpusFiles()) {
    SCOPED_TRACE(path);
    ASSERT_EQ(oracle.count(ExtractFileName(path)), 1u);
    const int64_t ms = oracle[ExtractFileName(path)];
    TMidiData data;
    data.SetFileName(path);
    try {
      data.SetActive(true);
    } catch (const EMidiData&) {
      EXPECT_EQ(ms, -1);
      continue;
    }
    TMidiPosition position(&data);
    const int32_t latest = position.LatestTick();
    for (int32_t upTo : {INT32_MAX, latest}) {
      const std::string bytes = data.WrittenUpTo(upTo);
      EXPECT_EQ(bytes.compare(0, 4, "MThd"), 0);
      // Read back, in memory, it times as the original file does.
      EXPECT_EQ(TTuneFiles::GetMIDIDurationOf(bytes), int(ms / 1000));
      TScratchDir dir("written");
      WriteFileBytes(dir / "back.mid", bytes);
      TMidiData back;
      back.SetFileName(dir / "back.mid");
      ASSERT_NO_THROW(back.SetActive(true));
      EXPECT_EQ(TMidiPosition(&back).DurationMs(), ms);
      ASSERT_EQ(back.TrackCount(), data.TrackCount());
      // Whole, every event comes back; cut, none lies past the last note.
      for (int i = 0; i < data.TrackCount(); ++i) {
        const TMidiTrack& a = *data.Track(i);
        const TMidiTrack& b = *back.Track(i);
        if (upTo == INT32_MAX) {
          ASSERT_EQ(b.Count(), a.Count());
          for (int k = 0; k < a.Count(); ++k)
            EXPECT_EQ(b.Event(k).Tick, a.Event(k).Tick);
        } else {
          EXPECT_LE(b.Event(b.Count() - 1).Tick, latest);
        }
      }
    }
    ++written;
  }
  EXPECT_GT(written, 100);
}
