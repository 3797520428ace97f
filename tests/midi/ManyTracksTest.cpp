// Files of many tracks full of tempo changes, timed against an independent oracle: durations, the
// work a walk takes, and a duration too long for a 32-bit count of seconds.
#include <gtest/gtest.h>
#include "TestUtil.h"
#include "TuneFiles.h"
#include "cmpMidiIterator.h"
#include <algorithm>
#include <fstream>
#include <sstream>

TEST(MidiManyTracks, TimesMatchTheOracleAndEachEventIsReadAtMostTwice) {
  const std::string dir = OracleDir("tempo_heavy");
  std::ifstream durations(dir + "durations.tsv");
  int files = 0;
  for (std::string line; std::getline(durations, line); ++files) {
    std::istringstream f(line);
    std::string name;
    int64_t ms = 0, events = 0, tracks = 0;
    f >> name >> ms >> events >> tracks;
    SCOPED_TRACE(name);
    // A 75-byte file can claim some 95 years: a title keeps 99:59:59, the longest its time text
    // shows, never a wrapped count.
    EXPECT_EQ(TTuneFiles::GetMIDIDuration(dir + name), std::min<int64_t>(ms / 1000, 359999));
    TMidiData data;
    data.SetFileName(dir + name);
    ASSERT_NO_THROW(data.SetActive(true));
    // One walk to the end looks at each event once, or twice where tracks take turns; not once for
    // every track at every change.
    TMidiPosition walk(&data);
    walk.SeekTo(walk.LatestTick());
    EXPECT_LE(walk.EventsRead(), 2 * events + 2 * tracks);
    EXPECT_EQ(walk.Milliseconds(), ms);
    // Back to the start and again, as the duration walks.
    EXPECT_EQ(walk.DurationMs(), ms);
  }
  EXPECT_EQ(files, 3);
}
