// Prints how long the main window's start-up takes with 2, 100 and 400 (or the given counts of)
// categories and albums, after one warm-up start, and with a category file of garbage records, so
// the cost per tab shows; with each count, how many pages have windows (a page gets them when first
// shown).
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>
#include "DataCodeD2.h"
#include "Dialogs.h"
#include "MainCodeD2.h"
#include "MasterProbe.h"
#include "Messages.h"
#include "Questions.h"
#include "SysUtils.h"

namespace {
double Now_ms() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n = 0;
  WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(f);
}

// A fresh program folder with count categories and count albums, named as a user would.
std::string PrepareFolder(const std::string& root, int count, bool garbage) {
  std::string folder = root + (garbage ? "garbage" : IntToStr(count)) + "\\";
  ForceDirectories(folder);
  for (const char* f :
       {"Categories.dex", "Albums_A.dex", "Albums_AT.dex", "Music.dex", "Music.dax", "Artists.dex"})
    DeleteFileA((folder + f).c_str());
  WriteBytes(folder + "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  std::string cats, albs;
  if (garbage) {
    std::mt19937 rng(1234);
    cats.resize(static_cast<size_t>(count) * CatRecSize);
    for (char& c : cats)
      c = static_cast<char>(rng());
  } else {
    uint8_t rec[AlbRecSize];
    for (int i = 1; i <= count; ++i) {
      TCatRec c;
      c.Key = i;
      c.Name = Format("Category %03d", i);
      EncodeCatRec(c, rec);
      cats.append(reinterpret_cast<char*>(rec), CatRecSize);
      TAlbRec a;
      a.Key = i;
      a.Name = Format("Album %03d", i);
      EncodeAlbRec(a, rec);
      albs.append(reinterpret_cast<char*>(rec), AlbRecSize);
    }
  }
  WriteBytes(folder + "Categories.dex", cats);
  if (!albs.empty()) WriteBytes(folder + "Albums_A.dex", albs);
  return folder;
}

// How many of the pages have windows: a page costs its windows only once it is shown.
int PagesWithWindows(TPageControl& pages) {
  int n = 0;
  for (int i = 0; i < pages.PageCount(); ++i)
    n += pages.Pages(i)->HandleAllocated() ? 1 : 0;
  return n;
}

// Starts the main window over the folder; answers the start-up's time, or -1 after the limit.
double TimeStart(const std::string& folder, int& catPages, int& albPages, int& made,
                 double& closeMs) {
  SetProgramFolder(folder);
  Application->SetTitle(AppTitleText);
  auto* form = new TMasterFrm(nullptr);
  form->AfterConstruction();
  Probe(form).Timer2()->SetInterval(1);
  double t0 = Now_ms();
  form->Show();
  bool done = PumpUntil([&] { return Probe(form).StartupTimerRuns() > 0 && StartUpDone; }, 1200000);
  double took = Now_ms() - t0;
  catPages = Probe(form).Categories()->PageCount();
  albPages = Probe(form).Albums()->PageCount();
  made = PagesWithWindows(*Probe(form).Categories()) + PagesWithWindows(*Probe(form).Albums());
  double c0 = Now_ms();
  form->Close();
  PumpUntil([] { return MasterFrm == nullptr; }, 1200000, 1);
  closeMs = Now_ms() - c0;
  ProcessMessages();
  SetProgramFolder("");
  return done ? took : -1;
}
} // namespace

int main(int argc, char** argv) {
  std::vector<int> counts;
  bool garbage = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "garbage")
      garbage = true;
    else
      counts.push_back(std::max(0, atoi(argv[i])));
  }
  if (counts.empty() && !garbage) counts = {2, 100, 400};
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string root = std::string(temp) + "tb_bench_tabs\\";
  ForceDirectories(root);
  // Any question takes its default; one asked of a catalogue made to be sound fails the bench.
  TModalAnswers answers;
  double base = 0;
  {
    // The first start of the process also pays for fonts and libraries loaded once: one start
    // before the measured ones, so the first figure is a start like the others.
    std::string folder = PrepareFolder(root, counts.empty() ? 2 : counts.front(), false);
    int cats = 0, albs = 0, made = 0;
    double closeMs = 0;
    std::printf("warm-up start: %.1f ms\n", TimeStart(folder, cats, albs, made, closeMs));
    if (!NothingAsked(answers, "the warm-up start")) return 1;
  }
  for (int count : counts) {
    std::string folder = PrepareFolder(root, count, false);
    int cats = 0, albs = 0, made = 0;
    double closeMs = 0;
    double ms = TimeStart(folder, cats, albs, made, closeMs);
    if (ms < 0 || !NothingAsked(answers, "a start")) return 1;
    if (base == 0) base = ms;
    std::printf("%4d categories and %4d albums: start %9.1f ms (%.2f x the first), %d + %d "
                "pages (%d with windows), close %8.1f ms\n",
                count, count, ms, base > 0 ? ms / base : 0.0, cats, albs, made, closeMs);
    std::fflush(stdout);
  }
  if (garbage) {
    const int records = 13546;
    std::string folder = PrepareFolder(root, records, true);
    int cats = 0, albs = 0, made = 0;
    double closeMs = 0;
    double ms = TimeStart(folder, cats, albs, made, closeMs);
    std::printf("category file of %d garbage records: start %9.1f ms, %d category pages, "
                "close %8.1f ms\n",
                records, ms, cats, closeMs);
  }
  return 0;
}
