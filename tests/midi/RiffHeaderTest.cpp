// Which RIFF files count as MIDI files: form "RMID" with a "data" chunk holding a Standard MIDI
// File, found past other chunks; a WAV or any other RIFF file is no MIDI file, whatever its name.
#include <gtest/gtest.h>
#include <windows.h>
#include "TestUtil.h"
#include "TuneFiles.h"

namespace {

std::string Le32(uint32_t v) {
  return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}
std::string Chunk(const std::string& id, const std::string& body) {
  return id + Le32(static_cast<uint32_t>(body.size())) + body + std::string(body.size() % 2, '\0');
}
std::string Riff(const std::string& form, const std::string& chunks) {
  return "RIFF" + Le32(static_cast<uint32_t>(4 + chunks.size())) + form + chunks;
}
const std::string
    Smf("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x0C\0\x90\x3C\x40\x60\x80\x3C\0\0\xFF\x2F\0", 34);

} // namespace

TEST(RiffHeader, OnlyMidiDataInARmidFormCountsAsARiffMidiFile) {
  TScratchDir dir("riffheader");
  // A 16-bit mono WAV of four samples, as a sound recorder writes it.
  const std::string fmt =
      std::string("\1\0\1\0", 4) + Le32(11025) + Le32(22050) + std::string("\2\0\x10\0", 4);
  const std::string wav = Riff("WAVE", Chunk("fmt ", fmt) + Chunk("data", std::string(8, '\0')));
  struct {
    const char* Name;
    std::string Bytes;
    int Kind;
  } cases[] = {
      {"rmid", RiffMidiOf(Smf), mfRiffMidi},
      // An information list of odd length before the data: the pad byte is stepped over too.
      {"list first",
       Riff("RMID", Chunk("LIST", std::string("INFOINAM\3\0\0\0ab\0", 15)) + Chunk("data", Smf)),
       mfRiffMidi},
      {"wav", wav, mfOther},
      {"wav holding MIDI", Riff("WAVE", Chunk("data", Smf)), mfOther},
      {"no data chunk", Riff("RMID", Chunk("LIST", "INFO")), mfOther},
      {"data not MIDI", Riff("RMID", Chunk("data", "MTrk and then some")), mfOther},
      {"cut in the data header", RiffMidiOf(Smf).substr(0, 18), mfOther},
      {"data chunk past the form", Riff("RMID", "") + Chunk("data", Smf), mfOther},
      {"cut inside the MIDI data", RiffMidiOf(Smf).substr(0, 30), mfRiffMidi},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = dir / "tune.mid";
    WriteFileBytes(path, c.Bytes);
    int64_t size = -1;
    EXPECT_EQ(TTuneFiles::CheckMIDIHeader(path, size), c.Kind);
    EXPECT_EQ(size, int64_t(c.Bytes.size()));
    // Read whole for packing, or only its head when it is larger than that.
    EXPECT_EQ(ReadTuneSnapshot(path, 1 << 20).Kind, c.Kind);
    EXPECT_EQ(ReadTuneSnapshot(path, 4).Kind, c.Kind);
  }
}

TEST(RiffHeader, MidiDataThatCannotBeReadTimesAsDamagedInsideRiffToo) {
  TScratchDir dir("riffdamaged");
  // Cut inside its track: the header check passes, the reading does not.
  const std::string cut = RiffMidiOf(Smf.substr(0, 28));
  WriteFileBytes(dir / "cut.rmi", cut);
  int64_t size = 0;
  EXPECT_EQ(TTuneFiles::CheckMIDIHeader(dir / "cut.rmi", size), mfRiffMidi);
  EXPECT_EQ(TTuneFiles::GetMIDIDuration(dir / "cut.rmi"), -1);
  EXPECT_EQ(TTuneFiles::GetMIDIDurationOf(cut), -1);
  // Whole, it is one note of a quarter at 96 ticks and 120 beats a minute: 0 whole seconds.
  EXPECT_EQ(TTuneFiles::GetMIDIDurationOf(RiffMidiOf(Smf)), 0);
}
