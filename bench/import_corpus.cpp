// Prints the time to store every corpus file as a title through the main window's import, into
// an empty catalogue and into one of 20,000 titles, and the time to walk the corpus tree
// (bench/import_corpus.sh puts zip -9 and find next to them).
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>
#include "Bytes.h"
#include "Dialogs.h"
#include "FolderTools.h"
#include "MainCodeD2.h"
#include "MasterProbe.h"
#include "OwnArchives.h"
#include "ImportCommands.h"
#include "Messages.h"
#include "SysUtils.h"

namespace {

double Clock() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return double(c.QuadPart) / double(f.QuadPart);
}

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

TMasterFrm* OpenMainWindow() {
  StartUpDone = false;
  auto* form = new TMasterFrm(nullptr);
  form->AfterConstruction();
  form->Show();
  PumpUntil([&] { return Probe(form).StartupTimerRuns() > 0 && StartUpDone; }, 120000);
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

// A catalogue of count titles: the titles stored already, then records like them, each with an
// archive of its own (a small one) and an origin of its own, so that the catalogue opens whole and
// none of the corpus is a duplicate of them.
void WriteLargeIndex(const std::string& work, int count) {
  std::string old;
  {
    TFileStream in(work + "Music.dex", fmOpenRead);
    old.resize(static_cast<size_t>(in.Size()));
    in.ReadBuffer(old.data(), static_cast<int32_t>(old.size()));
  }
  int have = static_cast<int>(old.size() / TuneRecSize);
  std::string dex(static_cast<size_t>(count) * TuneRecSize, '\0'), dax;
  TFileStream data(work + "Music.dax", fmOpenReadWrite);
  int64_t end = data.Size();
  for (int i = 0; i < count; ++i) {
    TTuneRec r = DecodeTuneRec(reinterpret_cast<const uint8_t*>(old.data()) +
                               static_cast<size_t>(i % have) * TuneRecSize);
    if (i >= have) AppendOwnArchive(r, i, dax, end);
    r.RecNo = i + 1;
    r.MasterKey = i + 1;
    r.Origin = "C:\\Collection\\Folder " + std::to_string(i / 100) + "\\piece " +
               std::to_string(i) + ".mid";
    EncodeTuneRec(r, reinterpret_cast<uint8_t*>(dex.data()) + static_cast<size_t>(i) * TuneRecSize);
  }
  data.SetPosition(end);
  data.WriteBuffer(dax.data(), static_cast<int32_t>(dax.size()));
  TFileStream out(work + "Music.dex", fmCreate);
  out.WriteBuffer(dex.data(), static_cast<int32_t>(dex.size()));
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::printf("usage: bench_import_corpus CORPUS_FOLDER WORK_FOLDER\n");
    return 2;
  }
  std::vector<std::string> files;
  Collect(argv[1], files);
  std::string work = IncludeTrailingBackslash(argv[2]);
  ForceDirectories(work);
  if (FILE* ini = std::fopen((work + "Tonalbrook.ini").c_str(), "wb")) {
    std::fputs("[Setup]\r\nRemindToScan=0\r\n", ini);
    std::fclose(ini);
  }
  SetProgramFolder(work);
  // Any question takes its default, so the bench runs unattended; each is told at the end.
  TModalAnswers answers;

  TMasterFrm* form = OpenMainWindow();
  double empty = Import(form, files, "into an empty catalogue", work);
  CloseMainWindow(form);

  const int large = 20000;
  WriteLargeIndex(work, large);
  double t = Clock();
  form = OpenMainWindow();
  std::printf("main window up on %d titles in %.3f s\n", large, Clock() - t);
  double full = Import(form, files, "into 20,000 titles", work);
  CloseMainWindow(form);

  // The walk of a folder scan, as the scan windows run it: every file of the tree, messages let
  // through between folders.
  const int rounds = 20;
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
