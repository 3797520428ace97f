// Small helpers of the frequency-display tests: hex blocks from the oracles and screenshots.
#pragma once
#include "Graphics.h"
#include "MMUtils.h"
#include "TestUtil.h"
#include <atomic>
#include <string>
#include <windows.h>

constexpr double DisplayPi = 3.14159265358979323846;

// Counts the shared timer's ticks while it lives: a client registered after a display's own sees
// each tick after the display has aged its peaks on it.
class TTimerTicks {
public:
  TTimerTicks()
      : FClient(AddTimerClient(
            MMTimerTick, false,
            [](TMMTimerHandle, void* n) { ++*static_cast<std::atomic<int>*>(n); }, &FCount)) {}
  ~TTimerTicks() { RemoveTimerClient(FClient); }
  TTimerTicks(const TTimerTicks&) = delete;
  TTimerTicks& operator=(const TTimerTicks&) = delete;
  int Count() const { return FCount.load(); }

private:
  std::atomic<int> FCount{0};
  TMMTimerHandle FClient;
};

inline std::string Unhex(const std::string& s) {
  std::string v;
  for (size_t i = 0; i + 1 < s.size(); i += 2)
    v.push_back(char(std::stoi(s.substr(i, 2), nullptr, 16)));
  return v;
}

// Where the pictures for a person to look at go, beside the other checks' files.
inline std::string ShotPath(const std::string& name) {
  const std::string dir = WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks";
  CreateDirectoryA(dir.c_str(), nullptr);
  CreateDirectoryA((dir + "\\displays_shots").c_str(), nullptr);
  return dir + "\\displays_shots\\" + name;
}

// The window's client area as the screen shows it now (no repaint: a spectrogram's paint starts
// its picture afresh), saved under the name.
inline void SaveScreenShot(HWND window, int width, int height, const std::string& name) {
  TBitmap shot;
  shot.SetSize(width, height);
  HDC dc = GetDC(window);
  BitBlt(shot.Canvas().Handle(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
  ReleaseDC(window, dc);
  shot.SaveToFile(ShotPath(name));
}
