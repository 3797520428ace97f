// Prints the time to store every corpus file as a title through the main window's import, and
// the bytes the catalogue holds afterwards (bench/import_corpus.sh puts zip -9 next to it).
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>
#include "MainCodeD2.h"
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
  auto* form = new TMasterFrm(nullptr);
  form->AfterConstruction();
  form->Show();
  PumpUntil([&] { return StartUpDone; }, 60000);
  int64_t bytes = 0;
  int stored = 0;
  double t = Clock();
  for (const std::string& file : files) {
    std::string result;
    form->AddFileByType(file, ExtractFileName(file), result, false, true, file, "", "");
    if (result == "OK") {
      ++stored;
      bytes += FileSize(file);
    }
  }
  double secs = Clock() - t;
  std::printf("import: %d of %zu files stored as titles in %.3f s (%.0f titles/s); %lld bytes "
              "of MIDI in %lld bytes of Music.dax\n",
              stored, files.size(), secs, stored / secs, static_cast<long long>(bytes),
              static_cast<long long>(FileSize(work + "Music.dax")));
  delete form;
  return 0;
}
