// Prints how the main window's start-up and its handling of dropped files grow with the
// catalogue: start-up on a large catalogue against a small one, and the time per file of a drop
// on the large catalogue against the same number of files through File > Open.
// BENCH_QUICK=1 runs small sizes once.
#include <windows.h>
#include <shlobj.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "BenchTools.h"
#include "Drops.h"
#include "Bytes.h"
#include "DataCodeD2.h"
#include "Dialogs.h"
#include "GetLocalCodeD2.h"
#include "MainCodeD2.h"
#include "MasterProbe.h"
#include "OwnArchives.h"
#include "Messages.h"
#include "ScanCommands.h"
#include "SysUtils.h"
#include "TimeText.h"

namespace {

std::string Grouped(int n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// A catalogue of count titles in 20 categories and 500 artists, with titles, origins and dates
// that differ from title to title, as a collection gathered over years does. Each title has an
// archive of its own, as the import stores it, so that the catalogue opens whole.
void WriteCatalogue(const std::string& folder, int count) {
  ForceDirectories(folder);
  for (const char* name :
       {"Albums_A.dex", "Albums_AT.dex", "Music.dex", "Music.dax", "Categories.dex", "Artists.dex"})
    DeleteFileA((folder + name).c_str());
  WriteAll(folder + "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  const int categories = 20, artists = 500;
  std::string dex(static_cast<size_t>(count) * TuneRecSize, '\0'), dax;
  for (int i = 0; i < count; ++i) {
    TTuneRec r;
    r.FileType = i % 7 ? "MIDI" : "RMI";
    r.Live = true;
    r.RecNo = i + 1;
    AppendOwnArchive(r, i, dax);
    r.CategoryKey = i % categories + 1;
    r.PerformerKey = (i * 7) % artists + 1;
    r.MasterKey = i + 1;
    r.Seconds = 30 + (i * 37) % 900;
    r.TimeText = SecondsToTimeText(r.Seconds);
    r.CategoryName = "Category " + std::to_string(r.CategoryKey);
    r.LastName = "Lastname " + std::to_string(r.PerformerKey);
    r.FirstName = "First";
    r.FullName = r.FirstName + " " + r.LastName;
    r.Title = "Piece number " + std::to_string((i * 7919) % 1000003);
    r.Origin =
        "C:\\Music\\Folder " + std::to_string(i / 100) + "\\piece" + std::to_string(i) + ".mid";
    r.DateStamp = 36000 + (i * 13) % 6000 + ((i * 7) % 86400) / 86400.0;
    r.DateObtained = 44000 + i % 300;
    EncodeTuneRec(r, reinterpret_cast<uint8_t*>(dex.data()) + static_cast<size_t>(i) * TuneRecSize);
  }
  WriteAll(folder + "Music.dex", dex);
  WriteAll(folder + "Music.dax", dax);
  WriteAll(folder + "Categories.dex", CategoryFile(categories));
  std::string perfs;
  for (int a = 1; a <= artists; ++a) {
    TPerfRec p;
    p.Key = a;
    p.FirstName = "First";
    p.LastName = "Lastname " + std::to_string(a);
    p.FullName = p.FirstName + " " + p.LastName;
    uint8_t b[PerfRecSize];
    EncodePerfRec(p, b);
    perfs.append(reinterpret_cast<char*>(b), PerfRecSize);
  }
  WriteAll(folder + "Artists.dex", perfs);
}

std::vector<std::string> MakeFiles(const std::string& folder, const std::string& stem, int count,
                                   int seed) {
  ForceDirectories(folder);
  std::vector<std::string> files;
  for (int i = 0; i < count; ++i) {
    files.push_back(folder + stem + " " + std::to_string(i) + ".mid");
    WriteAll(files.back(), OneNoteMidi(seed + i));
  }
  return files;
}

int Titles(TMasterFrm* form) {
  return static_cast<int>(form->DMM2()->MyDB()->KeyIndex().size());
}

// Starts the main window over the folder and answers the seconds until the catalogue is shown
// with its summary and painted.
TMasterFrm* OpenMainWindow(const std::string& folder, double& seconds) {
  SetProgramFolder(folder);
  Application->SetTitle(AppTitleText);
  StartUpDone = false;
  double t = Clock();
  auto* form = new TMasterFrm(nullptr);
  form->AfterConstruction();
  Probe(form).Timer2()->SetInterval(1);
  form->Show();
  PumpUntil([&] { return Probe(form).StartupTimerRuns() > 0 && StartUpDone; }, 1200000);
  ProcessMessages();
  seconds = Clock() - t;
  return form;
}

void CloseMainWindow(TMasterFrm* form) {
  form->Close();
  PumpUntil([] { return MasterFrm == nullptr; }, 1200000, 1);
  ProcessMessages();
  SetProgramFolder("");
}

// The fastest of the rounds: the one least disturbed by the rest of the machine.
double Fastest(const std::vector<double>& v) {
  return *std::min_element(v.begin(), v.end());
}

// File > Open with the loader's list answered: the seconds per file.
double LoaderPerFile(TMasterFrm* form, TModalAnswers& answers,
                     const std::vector<std::string>& files) {
  answers.Push([files](TModalRequest& r) {
    auto& w = static_cast<TGetLocalF&>(*r.Form);
    TStringList lines;
    for (const auto& p : files)
      lines.Add(p);
    w.ListBox1->Items().Assign(lines);
    w.BitBtn1->Click();
    return w.ModalResult();
  });
  const int before = Titles(form);
  double t = Clock();
  form->ScanCommands().GetLocal2Click(nullptr);
  ProcessMessages();
  double secs = Clock() - t;
  if (Titles(form) != before + static_cast<int>(files.size()))
    std::printf("  (the loader stored %d of %zu files)\n", Titles(form) - before, files.size());
  return secs / static_cast<double>(files.size());
}

// The files dropped on the main window from the shell: the seconds per file, until the last one
// is stored and the drop has ended.
double DropPerFile(TMasterFrm* form, const std::vector<std::string>& files) {
  const int target = Titles(form) + static_cast<int>(files.size());
  double t = Clock();
  SendMessageA(form->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(files)), 0);
  PumpUntil([&] { return Titles(form) >= target && !form->Importing(); }, 3600000);
  ProcessMessages();
  double secs = Clock() - t;
  if (Titles(form) != target)
    std::printf("  (the drop stored %d of %zu files)\n",
                Titles(form) - target + static_cast<int>(files.size()), files.size());
  return secs / static_cast<double>(files.size());
}

} // namespace

int main() {
  const char* quickVar = std::getenv("BENCH_QUICK");
  const bool quick = quickVar && *quickVar && std::string(quickVar) != "0";
  const int large = quick ? 5000 : 100000, small = quick ? 100 : 1000;
  const int files = quick ? 10 : 100, rounds = quick ? 1 : 3;
  const std::string root = TempFolder() + "tb_bench_scale\\";
  TModalAnswers answers; // any other question takes its default

  // Start-up, after one start that pays for what a process loads once.
  const std::string smallFolder = root + "small\\", largeFolder = root + "large\\";
  WriteCatalogue(smallFolder, small);
  WriteCatalogue(largeFolder, large);
  double secs = 0;
  CloseMainWindow(OpenMainWindow(smallFolder, secs));
  std::vector<double> smallStarts, largeStarts;
  for (int round = 0; round < rounds; ++round) {
    CloseMainWindow(OpenMainWindow(smallFolder, secs));
    smallStarts.push_back(secs);
    CloseMainWindow(OpenMainWindow(largeFolder, secs));
    largeStarts.push_back(secs);
  }
  // A catalogue that opened damaged would be measured with its message: none is expected.
  for (const TModalRequest& asked : answers.Asked())
    std::printf("  (asked: %s)\n", asked.Text.substr(0, asked.Text.find('\r')).c_str());
  const double smallStart = Fastest(smallStarts), largeStart = Fastest(largeStarts);
  std::printf("start-up with %s titles: %.3f s; with %s titles: %.3f s\n", Grouped(small).c_str(),
              smallStart, Grouped(large).c_str(), largeStart);
  std::printf("start-up %s / %s titles: %.1f  (goal: at most 3)\n", Grouped(large).c_str(),
              Grouped(small).c_str(), largeStart / smallStart);
  std::fflush(stdout);

  // Files through File > Open, then as many dropped, on the large catalogue.
  TMasterFrm* form = OpenMainWindow(largeFolder, secs);
  const double loader =
      LoaderPerFile(form, answers, MakeFiles(root + "loaded\\", "loaded", files, 0));
  const double drop = DropPerFile(form, MakeFiles(root + "dropped\\", "dropped", files, files));
  CloseMainWindow(form);
  std::printf("%d files on %s titles: File > Open %.1f ms a file, dropped %.1f ms a file\n", files,
              Grouped(large).c_str(), loader * 1000, drop * 1000);
  std::printf("drop / loader per file at %s titles: %.1f  (goal: at most 3)\n",
              Grouped(large).c_str(), drop / loader);
  return 0;
}
