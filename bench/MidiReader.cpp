// Prints how many corpus files per second the MIDI reader loads and times (bench/midi_reader.sh
// runs it next to python3-mido on the same files), or how long one file takes.
#include "SysUtils.h"
#include "cmpMidiData.h"
#include "cmpMidiIterator.h"
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

static void Collect(const std::string& dir, std::vector<std::string>& out) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string n = fd.cFileName;
    if (n == "." || n == "..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      Collect(dir + "\\" + n, out);
    else
      out.push_back(dir + "\\" + n);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

static double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER freq;
  QueryPerformanceFrequency(&freq);
  return double(to.QuadPart - from.QuadPart) / freq.QuadPart;
}

// One file: its load and its timing apart, and the events the timing looked at.
static int TimeOne(const std::string& file) {
  LARGE_INTEGER t0, t1, t2;
  QueryPerformanceCounter(&t0);
  TMidiData data;
  data.SetFileName(file);
  data.SetActive(true);
  QueryPerformanceCounter(&t1);
  TMidiPosition position(&data);
  const int64_t ms = position.DurationMs();
  QueryPerformanceCounter(&t2);
  int64_t events = 0;
  for (int i = 0; i < data.TrackCount(); ++i)
    if (TMidiTrack* t = data.Track(i)) events += t->Count();
  std::printf("reader: %d tracks, %lld events: loaded in %.3f s, timed in %.3f s (%lld events "
              "looked at; %lld ms long)\n",
              data.TrackCount(), (long long)events, Seconds(t0, t1), Seconds(t1, t2),
              (long long)position.EventsRead(), (long long)ms);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--one") return TimeOne(argv[2]);
  if (argc < 2) {
    std::printf("usage: bench_MidiReader CORPUS-FOLDER [ROUNDS] | --one FILE\n");
    return 2;
  }
  int rounds = argc > 2 ? std::atoi(argv[2]) : 20;
  std::vector<std::string> files;
  Collect(argv[1], files);
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  int64_t total = 0;
  TMidiData data;
  for (int r = 0; r < rounds; ++r)
    for (const auto& f : files) {
      data.SetActive(false);
      data.SetFileName(f);
      try {
        data.SetActive(true);
        total += TMidiPosition(&data).DurationMs();
      } catch (const EMidiData&) {
      }
    }
  QueryPerformanceCounter(&t1);
  double secs = double(t1.QuadPart - t0.QuadPart) / freq.QuadPart;
  std::printf("reader: %zu files x %d rounds in %.3f s: %.0f files/s (checksum %lld)\n",
              files.size(), rounds, secs, files.size() * rounds / secs, (long long)total);
  return 0;
}
