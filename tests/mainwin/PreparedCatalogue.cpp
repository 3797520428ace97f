// Prepares a catalogue in a program folder through the data module, from real corpus files.
#include "PreparedCatalogue.h"
#include <gtest/gtest.h>
#include "Crc32.h"
#include "DataCodeD2.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "TuneFiles.h"

// A catalogue in folder as the program leaves it: two categories, titles from the corpus.
TPrepared PrepareCatalogue(const std::string& folder, size_t titles, int32_t firstSeconds) {
  TPrepared out;
  std::string cwd = GetCurrentDir();
  ForceDirectories(folder + "TempZips\\");
  TDMM2 dm(folder);
  dm.FormCreate();
  TCatList cats(folder);
  cats.LoadFromFile(CategoriesName, nullptr);
  cats.SetStore(dm.MyDB());
  TAlbList albums(folder);
  albums.LoadFromFile(AlbumsName, nullptr);
  albums.SetStore(dm.MyDB());
  int32_t folk = cats.FindOrAddCategory("Folk");
  int32_t jazz = cats.FindOrAddCategory("Jazz");
  int32_t artist = dm.PerfList()->FindOrAddPerformer("Some", "Body");
  dm.MyDB()->SetCatList(&cats);
  dm.MyDB()->SetAlbList(&albums);
  dm.MyDB()->Open(folder + "Music");
  TTuneFiles zipper;
  std::vector<std::string> files = CorpusFiles("songwrite");
  for (size_t i = 0; !files.empty() && i < titles; ++i) {
    // More titles than files: the files come round again.
    const std::string& file = files[i % files.size()];
    std::string zip = folder + "TempZips\\t" + std::to_string(i) + ".zip";
    EXPECT_TRUE(zipper.ZipOneFile(file, zip));
    int32_t key = 0;
    int32_t size = static_cast<int32_t>(ReadFileBytes(file).size());
    EXPECT_TRUE(dm.AddTune(zip, ChangeFileExt(ExtractFileName(file), ""), FileDateTime(file), true,
                           Now(), i == 0 ? firstSeconds : 0, *FileCRC32(file), size, artist,
                           i % 2 ? jazz : folk, "MIDI", file, &key));
    out.Keys.push_back(key);
    out.Files.push_back(file);
  }
  cats.SaveToFile();
  albums.SaveToFile();
  // One album "Evening" holding the first and the last title, as the album files store it.
  if (out.Keys.size() >= 2) {
    TAlbRec album;
    album.Key = 1;
    album.Name = "Evening";
    std::string albumBytes(AlbRecSize, '\0');
    EncodeAlbRec(album, reinterpret_cast<uint8_t*>(albumBytes.data()));
    WriteFileBytes(albums.AlbumPath(), albumBytes);
    std::string titles;
    for (int32_t key : {out.Keys.front(), out.Keys.back()}) {
      TTuneRec rec;
      EXPECT_TRUE(dm.MyDB()->FindById(key, rec));
      rec.AlbumKey = album.Key;
      uint8_t bytes[TuneRecSize];
      EncodeTuneRec(rec, bytes);
      titles.append(reinterpret_cast<const char*>(bytes), TuneRecSize);
    }
    WriteFileBytes(albums.TitlesPath(), titles);
  }
  dm.FormClose();
  SetCurrentDir(cwd);
  return out;
}

std::string ListRecord(int32_t key, const std::string& name, size_t size) {
  std::string rec(size, '\0');
  for (int i = 0; i < 4; ++i)
    rec[i] = static_cast<char>((key >> (8 * i)) & 0xFF);
  rec[16] = static_cast<char>(name.size());
  rec.replace(17, name.size(), name);
  return rec;
}
