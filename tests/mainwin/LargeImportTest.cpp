// A MIDI file too large to be packed in memory goes through the work files and is stored whole.
#include <gtest/gtest.h>
#include <windows.h>
#include "MainWindowFixture.h"
#include "ImportCommands.h"
#include "DataCodeD2.h"

namespace {

class LargeImport : public TMainWindowFixture {
protected:
  LargeImport() : TMainWindowFixture("tblargeimport") {}
};

std::string Le32(uint32_t v) {
  return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                     static_cast<char>(v >> 24)};
}

TEST_F(LargeImport, AFileAboveSixtyFourMegabytesIsStoredWholeThroughTheWorkFiles) {
  Start();
  // A RIFF MIDI file is stored without being read as MIDI (it is timed when first played), so
  // 65 MB of it cost only the storing. Its data chunk holds a short Standard MIDI File and filler.
  const std::string smf = std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\4\0\xFF\x2F\0", 26);
  const uint32_t size = 65u << 20;
  std::string data = smf + std::string(size - smf.size(), '\x5A');
  std::string file = "RIFF" + Le32(static_cast<uint32_t>(data.size() + 12)) + "RMIDdata" +
                     Le32(static_cast<uint32_t>(data.size())) + data;
  data.clear();
  const std::string path = FDir / "large.rmi";
  WriteFileBytes(path, file);

  std::string result;
  FForm->ImportCommands().AddFileByType(path, "large.rmi", result, true, true, path, "", "");
  ASSERT_EQ(result, "OK");
  ASSERT_EQ(FForm->ImportCommands().AddedKeys().size(), 1u);
  const int32_t key = FForm->ImportCommands().AddedKeys()[0];
  TTuneRec rec;
  ASSERT_TRUE(FForm->DMM2()->MyDB()->FindById(key, rec));
  EXPECT_EQ(rec.Size, static_cast<int32_t>(file.size()));
  EXPECT_EQ(rec.Title, "large");
  EXPECT_EQ(rec.FileType, "RMI");
  EXPECT_FALSE(FileExists(FDir / "TempZips\\AAATune.TTT")) << "work copy left behind";
  EXPECT_FALSE(FileExists(FDir / "TempZips\\AAATune.Zzz")) << "packed work file left behind";

  const std::string back = FDir / "back.rmi";
  ASSERT_TRUE(FForm->DMM2()->MyDB()->ExportTune(key, back, false));
  EXPECT_TRUE(ReadFileBytes(back) == file) << "the stored title differs from the file";
}

} // namespace
