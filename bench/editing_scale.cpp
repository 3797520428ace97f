// Prints, for a catalogue of 20,000 titles in the main window, the time to rename a category
// holding all of them, delete a category of 1,000, delete 1,000 selected titles and add an album
// of 1,000; the catalogue figures of the main window (up with its summary) come with it.
#include <windows.h>
#include <cstdio>
#include <string>
#include "BenchTools.h"
#include "Bytes.h"
#include "Dialogs.h"
#include "MainCodeD2.h"
#include "MasterProbe.h"
#include "OwnArchives.h"
#include "Messages.h"
#include "SysUtils.h"
#include "TimeText.h"
#include "DataCodeD2.h"

namespace {

// count titles; the first `small` in category 2, the rest in category 1. Every title has a small
// archive of its own, so that the catalogue opens whole.
void WriteCatalogue(const std::string& folder, int count, int small) {
  ForceDirectories(folder);
  // Nothing of an earlier run: its albums would be loaded with the catalogue.
  for (const char* name : {"Albums_A.dex", "Albums_AT.dex", "Music.dex", "Music.dax"})
    DeleteFileA((folder + name).c_str());
  WriteAll(folder + "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  std::string dex(static_cast<size_t>(count) * TuneRecSize, '\0'), dax;
  for (int i = 0; i < count; ++i) {
    TTuneRec r;
    r.FileType = "MIDI";
    r.Live = true;
    r.RecNo = i + 1;
    AppendOwnArchive(r, i, dax);
    r.CategoryKey = i < small ? 2 : 1;
    r.PerformerKey = 1;
    r.MasterKey = i + 1;
    r.Seconds = 60 + i % 600;
    r.TimeText = SecondsToTimeText(r.Seconds);
    r.CategoryName = i < small ? "Small" : "Everything";
    r.LastName = "Lastname";
    r.FirstName = "First";
    r.FullName = "First Lastname";
    r.Title = "A title of a piece of music number " + std::to_string(i);
    r.Origin = "C:\\Music\\Collection\\piece" + std::to_string(i) + ".mid";
    r.DateStamp = 40000 + i % 1000;
    r.DateObtained = 45000;
    EncodeTuneRec(r, reinterpret_cast<uint8_t*>(dex.data()) + static_cast<size_t>(i) * TuneRecSize);
  }
  WriteAll(folder + "Music.dex", dex);
  WriteAll(folder + "Music.dax", dax);
  std::string cats;
  for (int c = 1; c <= (small > 0 ? 2 : 1); ++c) {
    TCatRec r;
    r.Key = c;
    r.Name = c == 1 ? "Everything" : "Small";
    uint8_t b[CatRecSize];
    EncodeCatRec(r, b);
    cats.append(reinterpret_cast<char*>(b), CatRecSize);
  }
  WriteAll(folder + "Categories.dex", cats);
  TPerfRec p;
  p.Key = 1;
  p.FirstName = "First";
  p.LastName = "Lastname";
  p.FullName = "First Lastname";
  uint8_t b[PerfRecSize];
  EncodePerfRec(p, b);
  WriteAll(folder + "Artists.dex", std::string(reinterpret_cast<char*>(b), PerfRecSize));
}

// What the delete commands do for each title they delete.
class TBenchFrm : public TMasterFrm {
public:
  using TMasterFrm::TMasterFrm;
  void RemoveFromProgram(int32_t key) {
    Road().Program().RemoveKeyFromProgram(key);
    ProgramChanged();
  }
};

TBenchFrm* OpenMainWindow(const std::string& folder, int titles) {
  SetProgramFolder(folder);
  StartUpDone = false;
  double t = Clock();
  auto* form = new TBenchFrm(nullptr);
  form->AfterConstruction();
  form->Show();
  PumpUntil([&] { return Probe(form).StartupTimerRuns() > 0 && StartUpDone; }, 120000);
  ProcessMessages(); // the summary and the grids painted
  std::printf("main window up with its summary on %d titles: %.3f s  (goal: within 1 s)\n", titles,
              Clock() - t);
  return form;
}

void CloseMainWindow(TMasterFrm* form) {
  form->Close();
  PumpUntil([] { return MasterFrm == nullptr; }, 120000);
}

// The work, then the repaint it asked for.
template <class F> void Time(TMasterFrm* form, const char* what, F work) {
  double t = Clock();
  work();
  ProcessMessages();
  double secs = Clock() - t;
  std::printf("  %-40s %7.3f s  (goal: under 1 s); %d titles listed\n", what, secs,
              form->CatList()->AllTitlesGrid()->TuneCount());
}

void ActivateCategoryPage(TMasterFrm* form, int32_t key) {
  Probe(form).Categories()->SetActivePageIndex(form->CatList()->PageIndexOfKey(key));
  ProcessMessages();
}

} // namespace

int main() {
  TModalAnswers answers; // any question takes its default: the bench runs unattended
  const int titles = 20000, small = 1000;
  std::string root = TempFolder() + "tb_bench_editing\\";

  std::string one = root + "one\\";
  WriteCatalogue(one, titles, 0);
  TBenchFrm* form = OpenMainWindow(one, titles);
  ActivateCategoryPage(form, 1);
  Time(form, "rename a category of 20,000 titles",
       [&] { form->CatList()->RenameCategory(1, "Renamed"); });
  CloseMainWindow(form);

  std::string two = root + "two\\";
  WriteCatalogue(two, titles, small);
  form = OpenMainWindow(two, titles);
  ActivateCategoryPage(form, 2);
  Time(form, "delete a category of 1,000 titles", [&] {
    form->CatList()->DeleteCategory(2, [form](int32_t key) { form->RemoveFromProgram(key); });
  });
  TStringList keys;
  for (int k = small + 1; k <= 2 * small; ++k)
    keys.Add(IntToStr(k));
  Time(form, "delete 1,000 selected titles", [&] {
    for (int i = 0; i < keys.Count(); ++i)
      form->RemoveFromProgram(StrToIntDef(keys[i], 0));
    form->CatList()->DeleteTitles(keys);
  });
  keys.Clear();
  for (int k = 2 * small + 1; k <= 3 * small; ++k)
    keys.Add(IntToStr(k));
  Time(form, "add an album of 1,000 titles", [&] {
    TAlbList* albums = Probe(form).AlbList();
    int32_t key = albums->FindOrAddAlbum("Bench album");
    Probe(form).Albums()->SetActivePageIndex(albums->PageIndexOfKey(key));
    albums->AddTitlesToAlbum(nullptr, 0, 0, keys);
  });
  std::printf("  the album holds %d titles\n", Probe(form).AlbList()->Grid(0)->TuneCount());
  CloseMainWindow(form);
  return 0;
}
