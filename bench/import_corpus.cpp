// Prints the time to store every corpus file as a title through the main window's import, into
// an empty catalogue and into one of 20,000 (or the given count of) titles, and the time to walk
// the corpus tree (bench/import_corpus.sh puts zip -9 and find next to them).
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "BenchTools.h"
#include "Bytes.h"
#include "Dialogs.h"
#include "FolderTools.h"
#include "MainCodeD2.h"
#include "MasterProbe.h"
#include "ImportCommands.h"
#include "Messages.h"
#include "Questions.h"
#include "SysUtils.h"

namespace {

void Collect(const std::string& dir, std::vector<std::string>& out) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      Collect(dir + "\\" + name, out);
    else
      out.push_back(dir + "\\" + name);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

// The main window with its catalogue loaded; nullptr when it did not come up.
TMasterFrm* OpenMainWindow() {
  StartUpDone = false;
  auto* form = new TMasterFrm(nullptr);
  form->AfterConstruction();
  form->Show();
  if (!PumpUntil([&] { return Probe(form).StartupTimerRuns() > 0 && StartUpDone; }, 120000)) {
    std::fprintf(stderr, "the main window did not finish starting\n");
    return nullptr;
  }
  return form;
}

// Closed as the user closes it: the catalogue's files are closed, and the window frees itself.
void CloseMainWindow(TMasterFrm* form) {
  form->Close();
  PumpUntil([] { return MasterFrm == nullptr; }, 60000);
}

// The files one after another as the loader's import runs them: duplicates checked (the loader's
// recommended setting), messages let through between files. Answers the seconds taken.
double Import(TMasterFrm* form, const std::vector<std::string>& files, const char* label,
              const std::string& work) {
  int64_t bytes = 0;
  int stored = 0;
  TLoopPump pump;
  double t = Clock();
  for (const std::string& file : files) {
    std::string result;
    form->ImportCommands().AddFileByType(file, ExtractFileName(file), result, true, true, file, "",
                                         "");
    if (result == "OK") {
      ++stored;
      bytes += FileSize(file);
    }
    pump.Run();
  }
  double secs = Clock() - t;
  std::printf("import %s: %d of %zu files stored as titles in %.3f s (%.0f titles/s); %lld bytes "
              "of MIDI in %lld bytes of Music.dax\n",
              label, stored, files.size(), secs, stored / secs, static_cast<long long>(bytes),
              static_cast<long long>(FileSize(work + "Music.dax")));
  return secs;
}

std::string ReadAll(const std::string& path) {
  TFileStream in(path, fmOpenRead);
  std::string bytes(static_cast<size_t>(in.Size()), '\0');
  in.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  return bytes;
}

// A catalogue of count titles made from the titles already stored, each with an origin of its
// own, so that none of the corpus is a duplicate of them, and an archive of its own (a copy of
// its model's archive appended to the data file), as the program stores every title. False when
// nothing was stored to copy.
bool WriteLargeCatalogue(const std::string& work, int count) {
  const std::string old = ReadAll(work + "Music.dex");
  std::string dax = ReadAll(work + "Music.dax");
  const int have = static_cast<int>(old.size() / TuneRecSize);
  if (have == 0) return false;
  std::string dex(static_cast<size_t>(count) * TuneRecSize, '\0');
  for (int i = 0; i < count; ++i) {
    TTuneRec r = DecodeTuneRec(reinterpret_cast<const uint8_t*>(old.data()) +
                               static_cast<size_t>(i % have) * TuneRecSize);
    if (i >= have) {
      const std::string archive =
          dax.substr(static_cast<size_t>(r.Offset), static_cast<size_t>(r.Length));
      r.Offset = static_cast<int32_t>(dax.size());
      dax += archive;
    }
    r.RecNo = i + 1;
    r.MasterKey = i + 1;
    r.Origin = "C:\\Collection\\Folder " + std::to_string(i / 100) + "\\piece " +
               std::to_string(i) + ".mid";
    EncodeTuneRec(r, reinterpret_cast<uint8_t*>(dex.data()) + static_cast<size_t>(i) * TuneRecSize);
  }
  WriteAll(work + "Music.dex", dex);
  WriteAll(work + "Music.dax", dax);
  return true;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::printf("usage: bench_import_corpus CORPUS_FOLDER WORK_FOLDER [TITLES [ROUNDS]]\n");
    return 2;
  }
  const int large = argc > 3 ? std::max(1, std::atoi(argv[3])) : 20000;
  const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 20;
  std::vector<std::string> files;
  Collect(argv[1], files);
  std::string work = IncludeTrailingBackslash(argv[2]);
  ForceDirectories(work);
  if (FILE* ini = std::fopen((work + "Tonalbrook.ini").c_str(), "wb")) {
    std::fputs("[Setup]\r\nRemindToScan=0\r\n", ini);
    std::fclose(ini);
  }
  SetProgramFolder(work);
  TModalAnswers answers;

  TMasterFrm* form = OpenMainWindow();
  if (!form || !NothingAsked(answers, "opening an empty catalogue")) return 1;
  double empty = Import(form, files, "into an empty catalogue", work);
  CloseMainWindow(form);
  if (!NothingAsked(answers, "importing into an empty catalogue")) return 1;

  if (!WriteLargeCatalogue(work, large)) {
    std::fprintf(stderr, "the import stored no title\n");
    return 1;
  }
  double t = Clock();
  form = OpenMainWindow();
  if (!form || !NothingAsked(answers, "opening the large catalogue")) return 1;
  std::printf("main window up on %d titles in %.3f s\n", large, Clock() - t);
  const std::string label = "into " + std::to_string(large) + " titles";
  double full = Import(form, files, label.c_str(), work);
  CloseMainWindow(form);
  if (!NothingAsked(answers, "importing into the large catalogue")) return 1;

  // The walk of a folder scan, as the scan windows run it: every file of the tree, messages let
  // through between folders.
  int walked = 0;
  t = Clock();
  for (int i = 0; i < rounds; ++i) {
    TLoopPump pump;
    TTreeWalkEvents events;
    events.OnFile = [&](const std::string&) { ++walked; };
    events.OnBreak = [&pump] { pump.Run(); };
    WalkFolderTree(argv[1], "*", events);
  }
  double walk = Clock() - t;
  std::printf("walk: %d files in %.4f s (%.0f files/s)\n", walked / rounds, walk / rounds,
              walked / walk);
  for (const TModalRequest& asked : answers.Asked())
    std::printf("asked: %s\n", asked.Text.substr(0, asked.Text.find('\r')).c_str());
  std::printf("seconds: import_empty=%.4f import_full=%.4f walk=%.5f\n", empty, full,
              walk / rounds);
  return 0;
}
