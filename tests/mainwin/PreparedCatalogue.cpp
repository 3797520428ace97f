// Prepares a catalogue in a program folder through the data module, from real corpus files.
#include "PreparedCatalogue.h"
#include <gtest/gtest.h>
#include "Crc32.h"
#include "DataCodeD2.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "TuneFiles.h"

std::vector<int32_t> PrepareTitles(const std::string& folder,
                                   const std::vector<TTitleSpec>& titles) {
  std::vector<int32_t> keys;
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
  dm.MyDB()->SetCatList(&cats);
  dm.MyDB()->SetAlbList(&albums);
  dm.MyDB()->Open(folder + "Music");
  TTuneFiles zipper;
  for (size_t i = 0; i < titles.size(); ++i) {
    const TTitleSpec& t = titles[i];
    int32_t category = cats.FindOrAddCategory(t.Category);
    int32_t artist = dm.PerfList()->FindOrAddPerformer(t.First, t.Last);
    std::string zip = folder + "TempZips\\t" + std::to_string(i) + ".zip";
    EXPECT_TRUE(zipper.ZipOneFile(t.File, zip));
    int32_t key = 0;
    int32_t size = static_cast<int32_t>(ReadFileBytes(t.File).size());
    EXPECT_TRUE(dm.AddTune(zip, t.Title, FileDateTime(t.File), true, Now(), t.Seconds,
                           *FileCRC32(t.File), size, artist, category, "MIDI",
                           t.Origin.empty() ? t.File : t.Origin, &key));
    keys.push_back(key);
  }
  cats.SaveToFile();
  albums.SaveToFile();
  dm.FormClose();
  SetCurrentDir(cwd);
  return keys;
}

// A catalogue in folder as the program leaves it: two categories, titles from the corpus.
TPrepared PrepareCatalogue(const std::string& folder, size_t titles, int32_t firstSeconds) {
  TPrepared out;
  std::vector<TTitleSpec> specs;
  std::vector<std::string> files = CorpusFiles("songwrite");
  for (size_t i = 0; !files.empty() && i < titles; ++i) {
    // More titles than files: the files come round again.
    const std::string& file = files[i % files.size()];
    specs.push_back({file, ChangeFileExt(ExtractFileName(file), ""), i % 2 ? "Jazz" : "Folk",
                     "Body", "Some", "", i == 0 ? firstSeconds : 0});
    out.Files.push_back(file);
  }
  out.Keys = PrepareTitles(folder, specs);
  // One album "Evening" holding the first and the last title, as the album files store it.
  if (out.Keys.size() >= 2) {
    TAlbList albums(folder);
    albums.LoadFromFile(AlbumsName, nullptr);
    TAlbRec album;
    album.Key = 1;
    album.Name = "Evening";
    std::string albumBytes(AlbRecSize, '\0');
    EncodeAlbRec(album, reinterpret_cast<uint8_t*>(albumBytes.data()));
    WriteFileBytes(albums.AlbumPath(), albumBytes);
    TMyDB db;
    db.Open(folder + "Music");
    std::string titlesBytes;
    for (int32_t key : {out.Keys.front(), out.Keys.back()}) {
      TTuneRec rec;
      EXPECT_TRUE(db.FindById(key, rec));
      rec.AlbumKey = album.Key;
      uint8_t bytes[TuneRecSize];
      EncodeTuneRec(rec, bytes);
      titlesBytes.append(reinterpret_cast<const char*>(bytes), TuneRecSize);
    }
    db.Close();
    WriteFileBytes(albums.TitlesPath(), titlesBytes);
  }
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
