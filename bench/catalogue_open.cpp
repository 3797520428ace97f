// Prints the time to open a 100,000-title catalogue and fill its grids, next to the time to read
// the same bytes raw; then what checking 2,000 small and 2,000 full-sized stored titles costs.
#include "BenchTools.h"
#include "DataCodeD2.h"
#include "Crc32.h"
#include "StoredTitle.h"
#include "TuneFiles.h"
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

// A grid that keeps only a key per row: the figure is the store's own work, not a grid's.
class TRowGrid : public TTuneGridView {
public:
  std::vector<int32_t> Rows;
  void BeginUpdate() override {}
  void EndUpdate() override {}
  void SetRowCount(int count) override { Rows.resize(count > 1 ? count - 1 : 0); }
  void SetTuneRow(const TTuneRec& rec, int row) override { Rows[row - 1] = rec.MasterKey; }
  void AddTuneRow(const TTuneRec& rec, bool) override { Rows.push_back(rec.MasterKey); }
  void UpdateTuneRow(const TTuneRec&, bool) override {}
  void RemoveTuneRow(int32_t) override {}
  void SortByColumn(int) override {}
  void FitAllColumns() override {}
  void SelectFirstRow() override {}
  void SetCanSort(bool) override {}
  void SetCanDragRows(bool) override {}
  int ColCount() const override { return 8; }
  int ColWidth(int) const override { return 50; }
  void SetColWidth(int, int) override {}
  int TuneCount() const override { return static_cast<int>(Rows.size()); }
  int64_t TotalSeconds() const override { return 0; }
  int64_t TotalBytes() const override { return 0; }
  void AppendAlbumRow(const TTuneRec&) override {}
  int RefreshAlbumRows(const TTuneRec&) override { return 0; }
  int DeleteKeyRows(TStringList&) override { return 0; }
  std::vector<TTuneRec> TuneRecords() const override { return {}; }
  void GetSelectedKeys(TStringList&) const override {}
  void GetAllKeys(TStringList&) const override {}
  void PurgeKeys(const TStringList&) override {}
  void PurgeKeysInRowOrder(const TStringList&) override {}
  void RemoveTuneRows(const TStringList&) override {}
  void RenameCategory(int32_t, const std::string&) override {}
  void MoveToCategory(int32_t, int32_t, const std::string&) override {}
  void Resort() override {}
  int RowCount() const override { return static_cast<int>(Rows.size()) + 1; }
  int DropRow() const override { return -1; }
  void InsertAlbumRows(const std::vector<TTuneRec>&, int, bool) override {}
  void Focus() override {}
};

class TPage : public TCategoryView {
public:
  TRowGrid G;
  TTuneGridView& Grid() override { return G; }
  void SetSummary(const std::string&) override {}
};

class TArea : public TCategoryArea {
public:
  TRowGrid All;
  std::vector<std::unique_ptr<TPage>> Pages;
  TTuneGridView& AllTitlesGrid() override { return All; }
  void SetAllTitlesSummary(const std::string&) override {}
  TCategoryView* CreateCategoryPage(const std::string&, int32_t) override {
    Pages.push_back(std::make_unique<TPage>());
    return Pages.back().get();
  }
  int ActivePageIndex() const override { return 0; }
  void SetActivePageIndex(int) override {}
  int PageIndexOf(const TCategoryView*) const override { return -1; }
  void RelabelCategoryPage(TCategoryView*, const std::string&, const std::string&) override {}
  void DeleteCategoryPage(TCategoryView*) override {}
};

double ReadRaw(const std::string& path) {
  double t = Clock();
  TFileStream f(path, fmOpenRead | fmShareDenyNone);
  std::string bytes(static_cast<size_t>(f.Size()), '\0');
  f.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  return Clock() - t;
}

// A MIDI-like body of about size bytes: note events from a small alphabet, packed as a typical
// title packs (about a third).
std::string Body(size_t size, std::mt19937& rnd) {
  std::string b = "MThd";
  while (b.size() < size) {
    b.push_back(static_cast<char>(rnd() % 4));
    b.push_back(static_cast<char>(0x90 | rnd() % 2));
    b.push_back(static_cast<char>(48 + rnd() % 24));
    b.push_back(static_cast<char>(rnd() % 2 ? 100 : 0));
  }
  return b;
}

// A one-file archive as the import packs a title.
std::string Archive(const std::string& body) {
  std::string archive;
  TTuneFiles::ZipBytes(body, "AAATune.mid", archive);
  return archive;
}

// What checking the stored titles costs at opening: the zip headers alone against every title
// unpacked and its CRC counted.
void MeasureStoredTitles(int titles, size_t bodySize) {
  std::string folder = TempFolder() + "tb_bench_verify\\";
  ForceDirectories(folder);
  std::mt19937 rnd(37);
  std::string dex(static_cast<size_t>(titles) * TuneRecSize, '\0'), dax;
  for (int i = 0; i < titles; ++i) {
    std::string body = Body(bodySize, rnd);
    TTuneRec r;
    r.FileType = "MIDI";
    r.Live = true;
    r.RecNo = r.MasterKey = i + 1;
    r.CategoryKey = r.PerformerKey = 1;
    r.Size = static_cast<int32_t>(body.size());
    r.Crc = Crc32Update(0, body.data(), body.size());
    std::string a = Archive(body);
    r.Offset = static_cast<int32_t>(dax.size());
    r.Length = static_cast<int32_t>(a.size());
    r.Title = "Title " + std::to_string(i);
    dax += a;
    EncodeTuneRec(r, reinterpret_cast<uint8_t*>(dex.data()) + static_cast<size_t>(i) * TuneRecSize);
  }
  WriteAll(folder + "Music.dex", dex);
  WriteAll(folder + "Music.dax", dax);

  TMyDB store;
  store.Open(folder + "Music"); // once to warm the system cache
  store.Close();
  double t0 = Clock();
  CheckIndexFile(dex, static_cast<int64_t>(dax.size()));
  double t1 = Clock();
  store.Open(folder + "Music");
  double t2 = Clock();
  const bool headersDamaged = store.Finding().Damaged();
  std::vector<TTuneRec> recs(static_cast<size_t>(store.RecordCount()));
  for (int n = 1; n <= store.RecordCount(); ++n)
    store.ReadRecord(n, recs[n - 1]);
  store.Close(); // it holds the files to itself
  const double t2b = Clock();
  int damaged = 0;
  {
    TFileStream data(folder + "Music.dax", fmOpenRead | fmShareDenyNone);
    std::string archive;
    for (const TTuneRec& r : recs) {
      archive.resize(static_cast<size_t>(r.Length));
      data.SetPosition(r.Offset);
      data.ReadBuffer(archive.data(), r.Length);
      damaged += !StoredTitleFault(archive, r.Crc).empty();
    }
  }
  double t3 = Clock();
  std::printf("%d titles of %zu bytes (%.1f MB stored, %.1f MB unpacked), %d found damaged\n",
              titles, bodySize, dax.size() / 1e6, titles * double(bodySize) / 1e6,
              damaged + headersDamaged);
  std::printf("  records checked alone:        %8.1f ms\n", (t1 - t0) * 1000);
  std::printf("  open with the zip headers:    %8.1f ms\n", (t2 - t1) * 1000);
  std::printf("  every title unpacked (CRC):   %8.1f ms more\n", (t3 - t2b) * 1000);
  DeleteFileA((folder + "Music.dex").c_str());
  DeleteFileA((folder + "Music.dax").c_str());
  RemoveDirectoryA(folder.c_str());
}

} // namespace

// What the check at opening costs beyond decoding the records, which the store needs anyway: the
// zip headers here come from memory, so the figure is the check's own work.
void MeasureCheck(const std::string& dex, const std::string& dax) {
  const int titles = static_cast<int>(dex.size() / TuneRecSize);
  std::vector<TTuneRec> decoded(static_cast<size_t>(titles)), checked(decoded.size());
  double t0 = Clock();
  for (int i = 0; i < titles; ++i)
    DecodeTuneRecInto(reinterpret_cast<const uint8_t*>(dex.data()) +
                          static_cast<size_t>(i) * TuneRecSize,
                      decoded[static_cast<size_t>(i)]);
  double t1 = Clock();
  CheckIndexFile(dex, static_cast<int64_t>(dax.size()), std::string_view(dax), nullptr, &checked);
  double t2 = Clock();
  std::printf("  records decoded alone:      %8.1f ms\n", (t1 - t0) * 1000);
  std::printf("  decoded and checked:        %8.1f ms (the check's own share: %.1f ms)\n",
              (t2 - t1) * 1000, (t2 - t1 - (t1 - t0)) * 1000);
}

int main() {
  // BENCH_QUICK: a small catalogue, for a run that only shows the bench still works.
  const char* quick = std::getenv("BENCH_QUICK");
  const bool small = quick && *quick && std::string(quick) != "0";
  const int titles = small ? 5000 : 100000, categories = 20;
  std::string folder = TempFolder() + "tb_bench_catalogue\\";
  ForceDirectories(folder);
  std::string dex(static_cast<size_t>(titles) * TuneRecSize, '\0'), dax;
  std::mt19937 rnd(7);
  for (int i = 0; i < titles; ++i) {
    // Tiny real archives: the opening checks each one's zip header against its record.
    const std::string body = Body(16, rnd);
    const std::string archive = Archive(body);
    TTuneRec r;
    r.FileType = "MIDI";
    r.Live = i % 50 != 7; // a few deleted titles, as a working catalogue has
    r.RecNo = i + 1;
    r.Offset = static_cast<int32_t>(dax.size());
    r.Length = static_cast<int32_t>(archive.size());
    dax += archive;
    r.CategoryKey = i % categories + 1;
    r.PerformerKey = i % 1000 + 1;
    r.MasterKey = i + 1;
    r.Seconds = 60 + i % 600;
    r.Size = static_cast<int32_t>(body.size());
    r.TimeText = "3:25";
    r.CategoryName = "Category " + std::to_string(r.CategoryKey);
    r.LastName = "Lastname" + std::to_string(i % 1000);
    r.FirstName = "First";
    r.FullName = r.FirstName + " " + r.LastName;
    r.Title = "A title of a piece of music number " + std::to_string(i);
    r.Origin = "C:\\Music\\Collection\\Some folder\\piece" + std::to_string(i) + ".mid";
    EncodeTuneRec(r, reinterpret_cast<uint8_t*>(dex.data()) + static_cast<size_t>(i) * TuneRecSize);
  }
  WriteAll(folder + "Music.dex", dex);
  WriteAll(folder + "Music.dax", dax);
  WriteAll(folder + "Categories.dex", CategoryFile(categories));

  // Warm the system cache first, so both figures read from memory.
  ReadRaw(folder + "Music.dex");
  ReadRaw(folder + "Music.dax");
  double raw = ReadRaw(folder + "Music.dex") + ReadRaw(folder + "Music.dax");

  TArea area;
  TCatList list(folder);
  list.LoadFromFile("Categories", &area);
  TMyDB store;
  store.SetCatList(&list);
  double t0 = Clock();
  store.Open(folder + "Music");
  double t1 = Clock();
  store.FillGrid();
  double t2 = Clock();
  std::printf("Catalogue of %d titles (%d live), %.1f MB index\n", titles, store.LiveCount(),
              dex.size() / 1e6);
  std::printf("  raw read of both files:   %8.1f ms\n", raw * 1000);
  std::printf("  open (records, key index): %8.1f ms\n", (t1 - t0) * 1000);
  std::printf("  fill the grids:            %8.1f ms\n", (t2 - t1) * 1000);
  std::printf("  open + fill / raw read:    %8.2f  (goal: at most 1.5)\n", (t2 - t0) / raw);
  std::printf("  rows in the all-titles grid: %d, found damaged: %d\n", area.All.TuneCount(),
              store.Finding().Damaged());
  store.Close();
  MeasureCheck(dex, dax);
  DeleteFileA((folder + "Music.dex").c_str());
  DeleteFileA((folder + "Music.dax").c_str());
  DeleteFileA((folder + "Categories.dex").c_str());
  RemoveDirectoryA(folder.c_str());
  MeasureStoredTitles(small ? 200 : 2000, 60);
  MeasureStoredTitles(small ? 200 : 2000, 30000);
  return 0;
}
