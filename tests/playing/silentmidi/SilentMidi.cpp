// A silent MIDI output that Wine loads in place of its MIDI mapper: it takes everything the
// sequencer sends and writes each message with its time to the file named by TB_MIDI_LOG.
#include <windows.h>
#include <mmsystem.h>
#include <mmddk.h>
#include <cstdio>
#include <cstring>

namespace {

using TDriverCallback = BOOL(WINAPI*)(DWORD_PTR, DWORD, HDRVR, DWORD, DWORD_PTR, DWORD_PTR,
                                      DWORD_PTR);

struct TOpenOutput {
  bool Open = false;
  DWORD_PTR Callback = 0;
  DWORD_PTR Instance = 0;
  HDRVR Handle = nullptr;
  DWORD Flags = 0;
};

TOpenOutput output;
CRITICAL_SECTION logLock;
LARGE_INTEGER frequency, origin;

// Milliseconds on a monotonic clock, with a fraction: the checker compares note times.
double NowMs() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart - origin.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
}

// One line: the time, then a word ("open", "close", "reset") or the message's bytes in hex.
void LogLine(const char* what) {
  char path[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("TB_MIDI_LOG", path, sizeof path) || !path[0]) return;
  EnterCriticalSection(&logLock);
  // Opened for each line so that a reader sees every message at once.
  if (FILE* f = fopen(path, "ab")) {
    fprintf(f, "%.3f %s\n", NowMs(), what);
    fclose(f);
  }
  LeaveCriticalSection(&logLock);
}

// A short message carries as many bytes as its status says.
int ShortLength(BYTE status) {
  if (status < 0x80) return 2; // running status: the two data bytes
  if (status < 0xC0 || (status >= 0xE0 && status < 0xF0)) return 3;
  if (status < 0xE0) return 2;
  if (status == 0xF1 || status == 0xF3) return 2;
  if (status == 0xF2) return 3;
  return 1;
}

void LogBytes(const BYTE* bytes, DWORD count) {
  char line[1024];
  size_t n = 0;
  for (DWORD i = 0; i < count && n + 4 < sizeof line; ++i)
    n += static_cast<size_t>(snprintf(line + n, sizeof line - n, i ? " %02X" : "%02X", bytes[i]));
  line[n] = '\0';
  LogLine(line);
}

void Notify(UINT message, DWORD_PTR param1) {
  if (!output.Callback && (output.Flags & CALLBACK_TYPEMASK) == CALLBACK_NULL) return;
  static TDriverCallback callback = reinterpret_cast<TDriverCallback>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("winmm.dll"), "DriverCallback")));
  if (!callback) return;
  callback(output.Callback, HIWORD(output.Flags), output.Handle, message, output.Instance, param1,
           0);
}

DWORD OutMessage(UINT message, DWORD_PTR param1, DWORD_PTR param2) {
  switch (message) {
  case DRVM_INIT:
  case DRVM_EXIT:
  case DRVM_ENABLE:
  case DRVM_DISABLE:
    return MMSYSERR_NOERROR;
  case MODM_GETNUMDEVS:
    return 1;
  case MODM_GETDEVCAPS: {
    auto* caps = reinterpret_cast<MIDIOUTCAPSW*>(param1);
    if (!caps || param2 < sizeof(MIDIOUTCAPSW)) return MMSYSERR_INVALPARAM;
    memset(caps, 0, sizeof *caps);
    caps->wMid = 0xFF;
    caps->wPid = 1;
    caps->vDriverVersion = 0x0100;
    wcscpy(caps->szPname, L"Silent MIDI output");
    caps->wTechnology = MOD_MAPPER;
    caps->wVoices = 0;
    caps->wNotes = 0;
    caps->wChannelMask = 0xFFFF;
    return MMSYSERR_NOERROR;
  }
  case MODM_OPEN: {
    auto* desc = reinterpret_cast<MIDIOPENDESC*>(param1);
    if (!desc) return MMSYSERR_INVALPARAM;
    if (output.Open) return MMSYSERR_ALLOCATED;
    output.Open = true;
    output.Callback = desc->dwCallback;
    output.Instance = desc->dwInstance;
    output.Handle = reinterpret_cast<HDRVR>(desc->hMidi);
    output.Flags = static_cast<DWORD>(param2);
    LogLine("open");
    Notify(MOM_OPEN, 0);
    return MMSYSERR_NOERROR;
  }
  case MODM_CLOSE:
    if (!output.Open) return MMSYSERR_ERROR;
    LogLine("close");
    Notify(MOM_CLOSE, 0);
    output = TOpenOutput{};
    return MMSYSERR_NOERROR;
  case MODM_DATA: {
    BYTE bytes[4];
    DWORD packed = static_cast<DWORD>(param1);
    memcpy(bytes, &packed, sizeof bytes);
    LogBytes(bytes, static_cast<DWORD>(ShortLength(bytes[0])));
    return MMSYSERR_NOERROR;
  }
  case MODM_LONGDATA: {
    auto* header = reinterpret_cast<MIDIHDR*>(param1);
    if (!header || !(header->dwFlags & MHDR_PREPARED)) return MIDIERR_UNPREPARED;
    LogBytes(reinterpret_cast<const BYTE*>(header->lpData), header->dwBufferLength);
    header->dwFlags &= ~MHDR_INQUEUE;
    header->dwFlags |= MHDR_DONE;
    Notify(MOM_DONE, param1);
    return MMSYSERR_NOERROR;
  }
  case MODM_PREPARE:
  case MODM_UNPREPARE:
    // The system prepares the buffers itself.
    return MMSYSERR_NOTSUPPORTED;
  case MODM_RESET:
    LogLine("reset");
    return MMSYSERR_NOERROR;
  case MODM_GETVOLUME:
    if (param1) *reinterpret_cast<DWORD*>(param1) = 0xFFFFFFFF;
    return MMSYSERR_NOERROR;
  case MODM_SETVOLUME:
    return MMSYSERR_NOERROR;
  default:
    return MMSYSERR_NOTSUPPORTED;
  }
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    InitializeCriticalSection(&logLock);
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&origin);
  }
  return TRUE;
}

__declspec(dllexport) LRESULT WINAPI DriverProc(DWORD_PTR, HDRVR, UINT message, LPARAM, LPARAM) {
  switch (message) {
  case DRV_LOAD:
  case DRV_FREE:
  case DRV_OPEN:
  case DRV_CLOSE:
  case DRV_ENABLE:
  case DRV_DISABLE:
    return 1;
  default:
    return 0;
  }
}

__declspec(dllexport) DWORD WINAPI modMessage(UINT /*device*/, UINT message, DWORD_PTR /*user*/,
                                              DWORD_PTR param1, DWORD_PTR param2) {
  // Nothing may unwind into the system's frames.
  try {
    return OutMessage(message, param1, param2);
  } catch (...) {
    return MMSYSERR_ERROR;
  }
}

} // extern "C"
