// Helper of wavein_cpu.sh: records from wave-in device 0 as the visual effects do, with no
// display, so that the recording's own processor share can be measured from outside.
#include <windows.h>
#include <mmsystem.h>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr UINT BufferDone = WM_USER + 1;
HWND Window = nullptr;

// As the program's sound input in its window mode: the driver's callback only posts; the
// window thread hands the buffer on and queues it again.
void CALLBACK DriverCallback(HWAVEIN device, UINT msg, DWORD_PTR, DWORD_PTR param1, DWORD_PTR) {
  if (msg == WIM_DATA) PostMessageA(Window, BufferDone, reinterpret_cast<WPARAM>(device), param1);
}

} // namespace

// wavein_cpu.exe SECONDS [RATE BITS CHANNELS BUFFERS SIZE]; BUFFERS 0 opens nothing (the idle
// process). Prints the buffers and bytes recorded and the process times Windows reports.
int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
  const int rate = argc > 2 ? std::atoi(argv[2]) : 11025;
  const int bits = argc > 3 ? std::atoi(argv[3]) : 8;
  const int channels = argc > 4 ? std::atoi(argv[4]) : 2;
  const int count = argc > 5 ? std::atoi(argv[5]) : 10;
  const int size = argc > 6 ? std::atoi(argv[6]) : 2048;

  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "WaveInProbe";
  RegisterClassA(&wc);
  Window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           wc.hInstance, nullptr);

  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = WORD(channels);
  f.nSamplesPerSec = DWORD(rate);
  f.wBitsPerSample = WORD(bits);
  f.nBlockAlign = WORD(channels * bits / 8);
  f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;

  HWAVEIN device = nullptr;
  std::vector<std::vector<char>> memory(count, std::vector<char>(size));
  std::vector<WAVEHDR> headers(count);
  if (count > 0) {
    MMRESULT r = waveInOpen(&device, 0, &f, reinterpret_cast<DWORD_PTR>(&DriverCallback), 0,
                            CALLBACK_FUNCTION);
    if (r != MMSYSERR_NOERROR) {
      std::fprintf(stderr, "waveInOpen: %u\n", r);
      return 1;
    }
    for (int i = 0; i < count; ++i) {
      headers[i].lpData = memory[i].data();
      headers[i].dwBufferLength = DWORD(size);
      waveInPrepareHeader(device, &headers[i], sizeof(WAVEHDR));
      waveInAddBuffer(device, &headers[i], sizeof(WAVEHDR));
    }
    waveInStart(device);
  }

  long long buffers = 0, bytes = 0;
  const DWORD end = GetTickCount() + DWORD(seconds) * 1000;
  bool stopping = false;
  for (;;) {
    const DWORD now = GetTickCount();
    if (int(end - now) <= 0) break;
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT) != WAIT_OBJECT_0)
      continue;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message != BufferDone) {
        DispatchMessageA(&msg);
        continue;
      }
      auto* h = reinterpret_cast<WAVEHDR*>(msg.lParam);
      ++buffers;
      bytes += h->dwBytesRecorded;
      if (!stopping) waveInAddBuffer(device, h, sizeof(WAVEHDR));
    }
  }
  if (device) {
    stopping = true;
    waveInReset(device);
    for (WAVEHDR& h : headers)
      waveInUnprepareHeader(device, &h, sizeof(WAVEHDR));
    waveInClose(device);
  }
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](const FILETIME& t) {
    return ((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000;
  };
  std::printf("buffers %lld bytes %lld (%.0f bytes/s) user %llu ms kernel %llu ms\n", buffers,
              bytes, double(bytes) / seconds, ms(user), ms(kernel));
  return 0;
}
