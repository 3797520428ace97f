// Prints how long the main window takes to make, show, load an empty catalogue, switch its busy
// state and close, per phase, and whether the busy state's menu bar looks as after a full redraw.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
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
    if (!PumpUntil([&] { return Probe(form).StartupTimerRuns() > 0 && StartUpDone; }, 20000)) {
      std::fprintf(stderr, "the main window did not finish starting\n");
      return 1;
    }
    if (!NothingAsked(answers, "starting on an empty catalogue")) return 1;
    double t4 = Now_ms();
    {
      double b0 = Now_ms();
      for (int i = 0; i < 4; ++i) {
        form->DisableCommands();
        form->EnableCommands();
      }
      std::printf("busy state on and off: %.1f ms\n", (Now_ms() - b0) / 4);
      auto grab = [&] {
        HWND w = form->Handle();
        RECT wr;
        GetWindowRect(w, &wr);
        POINT o{0, 0};
        ClientToScreen(w, &o);
        HDC dc = GetWindowDC(w);
        std::vector<COLORREF> px;
        for (int y = 0; y < o.y - wr.top; ++y)
          for (int x = 0; x < wr.right - wr.left; ++x)
            px.push_back(GetPixel(dc, x, y));
        ReleaseDC(w, dc);
        return px;
      };
      std::vector<COLORREF> seen[2];
      for (int k = 0; k < 2; ++k) {
        if (k == 0)
          form->DisableCommands();
        else
          form->EnableCommands();
        for (int i = 0; i < 5; ++i) {
          ProcessMessages();
          Sleep(20);
        }
        auto a = grab();
        seen[k] = a;
        DrawMenuBar(form->Handle());
        for (int i = 0; i < 5; ++i) {
          ProcessMessages();
          Sleep(20);
        }
        auto b = grab();
        size_t diff = 0;
        for (size_t i = 0; i < a.size() && i < b.size(); ++i)
          diff += a[i] != b[i];
        std::printf("menu bar %s: %zu of %zu pixels differ from a full redraw\n",
                    k ? "enabled" : "disabled", diff, a.size());
      }
      size_t d2 = 0;
      for (size_t i = 0; i < seen[0].size() && i < seen[1].size(); ++i)
        d2 += seen[0][i] != seen[1][i];
      std::printf("disabled and enabled bars differ in %zu pixels\n", d2);
    }
    double closing = Now_ms();
    form->Close();
    PumpUntil([] { return MasterFrm == nullptr; }, 20000, 1);
    double t5 = Now_ms();
    ProcessMessages();
    SetProgramFolder("");
    double t[] = {t0, t1, t2, t3, t4, t5};
    for (int p = 0; p < 5; ++p)
      phases[p].push_back(t[p + 1] - t[p]);
    phases[4].back() = t5 - closing; // the busy state's figures are not the close's
  }
  for (int p = 0; p < 5; ++p) {
    std::vector<double> v = phases[p];
    std::sort(v.begin(), v.end());
    std::printf("main window %-9s median %7.1f ms  min %7.1f ms  (%d rounds)\n", names[p],
                v[v.size() / 2], v.front(), rounds);
  }
  return 0;
}
