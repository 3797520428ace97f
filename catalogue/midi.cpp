// MCI sequencer player over mciSendCommandA, through a driver seam.
#include "midi.h"
#include "Handles.h"
#include <windows.h>
#include <mmsystem.h>

namespace {

class TSystemMciDriver : public TMciDriver {
public:
  uint32_t SendCommand(uint32_t deviceId, uint32_t message, uintptr_t flags,
                       uintptr_t params) override {
    return mciSendCommandA(deviceId, message, flags, params);
  }
  bool GetErrorString(uint32_t code, std::string& text) override {
    char buf[256] = {};
    if (!mciGetErrorStringA(code, buf, sizeof buf)) return false;
    text = buf;
    return true;
  }
  int MidiOutCount() override { return static_cast<int>(midiOutGetNumDevs()); }
  std::string MidiOutName(int device) override {
    MIDIOUTCAPSA caps{};
    if (midiOutGetDevCapsA(device, &caps, sizeof caps) != MMSYSERR_NOERROR) return "";
    return caps.szPname;
  }
  void Sleep(uint32_t ms) override { ::Sleep(ms); }
};

// Files above this size need the device stopped before they can be repositioned.
constexpr int LargeFileSize = 250000;

} // namespace

TMciDriver& SystemMciDriver() {
  static TSystemMciDriver driver;
  return driver;
}

TMyMidi::TMyMidi(TMciDriver* driver) : FDriver(driver ? driver : &SystemMciDriver()) {}

TMyMidi::~TMyMidi() {
  try {
    Close();
  } catch (...) {
    // Nothing may leave a destructor: a failing close is dropped here.
  }
}

void TMyMidi::DoStatus(const std::string& statusMessage, int n) {
  if (OnStatus) OnStatus(this, statusMessage, n);
}

uint32_t TMyMidi::Send(uint32_t message, uintptr_t flags, void* params) {
  return FDriver->SendCommand(static_cast<uint32_t>(FDeviceId), message, flags,
                              reinterpret_cast<uintptr_t>(params));
}

void TMyMidi::RaiseOnError(uint32_t code) {
  if (code == 0) return;
  NoteError(code);
  throw EMyMidi(FLastError);
}

void TMyMidi::NoteError(uint32_t code) {
  FLastErrorCode = code;
  FLastError = GetErrorText(code);
}

std::string TMyMidi::GetErrorText(uint32_t code) {
  std::string text;
  if (!FDriver->GetErrorString(code, text)) return "Undefined error code";
  return text;
}

bool TMyMidi::ListOutputDevices(TStringList* list) {
  if (!list) return false;
  list->Clear();
  int n = FDriver->MidiOutCount();
  for (int i = 0; i < n; ++i)
    list->Add(IntToStr(i) + "," + FDriver->MidiOutName(i));
  return true;
}

uint32_t TMyMidi::Open() {
  Close(); // a second open must not leave the first device open
  FFileSize = 0;
  if (FileExists(FMidiFile)) FFileSize = static_cast<int>(::FileSize(FMidiFile));
  TStringList ports;
  ListOutputDevices(&ports);
  if (FMidiOutPort >= ports.Count() || FMidiOutPort < -1) FMidiOutPort = -1;

  MCI_OPEN_PARMSA open{};
  open.lpstrDeviceType = reinterpret_cast<LPCSTR>(MCI_DEVTYPE_SEQUENCER);
  open.lpstrElementName = FMidiFile.c_str();
  uint32_t code;
  {
    TFlagHold busy(FBusy);
    code = FDriver->SendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT,
                                reinterpret_cast<uintptr_t>(&open));
  }
  if (code != 0) {
    NoteError(code);
    DoStatus("Error opening MCI device", static_cast<int>(code));
    Close();
    return code;
  }
  FDeviceId = static_cast<int>(open.wDeviceID);

  MCI_SET_PARMS set{};
  set.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
  code = Send(MCI_SET, MCI_SET_TIME_FORMAT, &set);
  if (code != 0) {
    NoteError(code);
    DoStatus("Error opening MCI device", static_cast<int>(code));
    Close();
    return code;
  }

  MCI_SEQ_SET_PARMS port{};
  port.dwPort = static_cast<DWORD>(FMidiOutPort == -1 ? MIDI_MAPPER : FMidiOutPort);
  code = Send(MCI_SET, MCI_SEQ_SET_PORT, &port);
  if (code != 0) {
    NoteError(code);
    DoStatus("Error setting port: " + FLastError, static_cast<int>(code));
    Close();
    return code;
  }

  FLength = GetLength();
  DoStatus("Device ID is " + IntToStr(FDeviceId), 0);
  return 0;
}

void TMyMidi::Play() {
  if (FDeviceId == -1) return;
  FKeptPosition = -1;
  MCI_PLAY_PARMS play{};
  play.dwFrom = 0;
  RaiseOnError(Send(MCI_PLAY, MCI_FROM, &play));
}

int TMyMidi::Pause() {
  if (FDeviceId == -1) throw EMyMidi("No MCI device open");
  MCI_GENERIC_PARMS parms{};
  RaiseOnError(Send(MCI_PAUSE, MCI_WAIT, &parms));
  FKeptPosition = GetPosition();
  return FKeptPosition;
}

void TMyMidi::Resume() {
  if (FKeptPosition < 0) return;
  int at = FKeptPosition;
  FKeptPosition = -1;
  SetPosition(at);
}

void TMyMidi::Stop() {
  if (FDeviceId == -1) throw EMyMidi("No MCI device open");
  MCI_GENERIC_PARMS parms{};
  RaiseOnError(Send(MCI_STOP, MCI_WAIT, &parms));
}

void TMyMidi::Close() {
  if (FDeviceId == -1) return;
  MCI_GENERIC_PARMS parms{};
  Send(MCI_CLOSE, MCI_WAIT, &parms);
  FDeviceId = -1;
}

int TMyMidi::GetLength() {
  if (FDeviceId == -1) {
    DoStatus("No MIDI device open", 0);
    return 0;
  }
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_LENGTH;
  uint32_t code = Send(MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, &status);
  if (code != 0) {
    NoteError(code);
    return 0;
  }
  return static_cast<int>(status.dwReturn);
}

int TMyMidi::GetPosition() {
  if (FDeviceId == -1 || FBusy) return 0;
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_POSITION;
  uint32_t code = Send(MCI_STATUS, MCI_STATUS_ITEM, &status);
  if (code != 0) {
    NoteError(code);
    return 0;
  }
  return static_cast<int>(status.dwReturn);
}

TMidiMode TMyMidi::GetMode() {
  if (FDeviceId == -1) return mdNotReady;
  if (FBusy) return mdSeeking;
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_MODE;
  uint32_t code = Send(MCI_STATUS, MCI_STATUS_ITEM, &status);
  if (code != 0) {
    NoteError(code);
    if (!OnStatus) throw EMyMidi("could not get mode information");
    DoStatus(FLastError, static_cast<int>(code));
    return mdError;
  }
  switch (status.dwReturn) {
  case MCI_MODE_NOT_READY:
    return mdNotReady;
  case MCI_MODE_PAUSE:
    return mdPaused;
  case MCI_MODE_PLAY:
    return mdPlaying;
  case MCI_MODE_STOP:
    return mdStopped;
  case MCI_MODE_OPEN:
    return mdOpen;
  case MCI_MODE_SEEK:
    return mdSeeking;
  default:
    return mdOther;
  }
}

void TMyMidi::SetPosition(int ms) {
  if (FDeviceId == -1) return;
  uint32_t code = 0;
  {
    TFlagHold busy(FBusy);
    bool large = FFileSize > LargeFileSize;
    if (large) {
      MCI_GENERIC_PARMS stop{};
      code = Send(MCI_STOP, MCI_WAIT, &stop);
      FDriver->Sleep(500);
    }
    if (code == 0) {
      MCI_PLAY_PARMS play{};
      play.dwFrom = static_cast<DWORD>(ms);
      play.dwTo = static_cast<DWORD>(FLength);
      code = Send(MCI_PLAY, MCI_FROM | MCI_TO, &play);
    }
    if (large) FDriver->Sleep(2500);
  }
  if (code != 0) {
    NoteError(code);
    DoStatus("Error setting new play position", static_cast<int>(code));
  } else {
    DoStatus("No apparent problem setting position", 0);
  }
}
