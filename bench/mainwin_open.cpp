// Prints how long the main window takes to make, show, load an empty catalogue and close, per phase.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include "Dialogs.h"
#include "MainCodeD2.h"
#include "MasterProbe.h"
#include "Messages.h"
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
} // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 8;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + "tb_bench_mainwin\\";
  ForceDirectories(folder);
  {
    HANDLE f = CreateFileA((folder + "Tonalbrook.ini").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
    const char ini[] = "[Setup]\r\nRemindToScan=0\r\n";
    DWORD n = 0;
    WriteFile(f, ini, sizeof ini - 1, &n, nullptr);
    CloseHandle(f);
  }
  TModalAnswers answers; // any question takes its default
  const char* names[] = {"construct", "create", "show", "catalogue", "close"};
  std::vector<std::vector<double>> phases(5);
  for (int round = 0; round < rounds; ++round) {
    SetProgramFolder(folder);
    Application->SetTitle(AppTitleText);
    double t0 = Now_ms();
    auto* form = new TMasterFrm(nullptr);
    double t1 = Now_ms();
    form->AfterConstruction();
    double t2 = Now_ms();
    Probe(form).Timer2()->SetInterval(1);
    form->Show();
    double t3 = Now_ms();
    PumpUntil([&] { return Probe(form).StartupTimerRuns() > 0 && StartUpDone; }, 20000);
    double t4 = Now_ms();
    form->Close();
    PumpUntil([] { return MasterFrm == nullptr; }, 20000, 1);
    double t5 = Now_ms();
    ProcessMessages();
    SetProgramFolder("");
    double t[] = {t0, t1, t2, t3, t4, t5};
    for (int p = 0; p < 5; ++p)
      phases[p].push_back(t[p + 1] - t[p]);
  }
  for (int p = 0; p < 5; ++p) {
    std::vector<double> v = phases[p];
    std::sort(v.begin(), v.end());
    std::printf("main window %-9s median %7.1f ms  min %7.1f ms  (%d rounds)\n", names[p],
                v[v.size() / 2], v.front(), rounds);
  }
  return 0;
}
