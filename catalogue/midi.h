// The MCI sequencer player: one MIDI file on a chosen MIDI output port, polled for its mode.
#pragma once
#include "Classes.h"
#include "SysUtils.h"
#include <cstdint>
#include <functional>
#include <string>

TB_DECLARE_EXCEPTION(EMyMidi, Exception);

enum TMidiMode {
  mdNotReady = 0,
  mdPaused = 1,
  mdPlaying = 2,
  mdStopped = 3,
  mdOpen = 4,
  mdSeeking = 5,
  mdError = 6,
  mdOther = 7
};

// The device calls the player makes, so that tests can put a stand-in device behind it.
class TMciDriver {
public:
  virtual ~TMciDriver() = default;
  // As mciSendCommandA: answers the MCI error code, 0 on success.
  virtual uint32_t SendCommand(uint32_t deviceId, uint32_t message, uintptr_t flags,
                               uintptr_t params) = 0;
  // As mciGetErrorStringA; false when the code has no text.
  virtual bool GetErrorString(uint32_t code, std::string& text) = 0;
  virtual int MidiOutCount() = 0;
  virtual std::string MidiOutName(int device) = 0;
  virtual void Sleep(uint32_t ms) = 0;
};

// The system's own MCI and MIDI output functions.
TMciDriver& SystemMciDriver();

class TMyMidi;
using MMStatus = std::function<void(TMyMidi* sender, const std::string& statusMessage, int n)>;

class TMyMidi {
public:
  explicit TMyMidi(TMciDriver* driver = nullptr);
  virtual ~TMyMidi();
  TMyMidi(const TMyMidi&) = delete;
  TMyMidi& operator=(const TMyMidi&) = delete;

  const std::string& MidiFile() const { return FMidiFile; }
  void SetMidiFile(const std::string& value) { FMidiFile = value; }
  int MidiOutPort() const { return FMidiOutPort; } // -1: the MIDI mapper
  void SetMidiOutPort(int value) { FMidiOutPort = value; }
  int DeviceId() const { return FDeviceId; }         // -1 when no device is open
  int KeptPosition() const { return FKeptPosition; } // -1 when none
  int FileSize() const { return FFileSize; }
  int Length() const { return FLength; }
  const std::string& LastError() const { return FLastError; }
  // The MCI error code behind LastError (0 before any error).
  uint32_t LastErrorCode() const { return FLastErrorCode; }
  bool Busy() const { return FBusy; }

  // Answers the MCI error code, 0 when the file is open on the port (or the mapper).
  uint32_t Open();
  void Play();
  int Pause();
  void Resume();
  void Stop();
  void Close();
  int GetLength();
  int GetPosition();
  TMidiMode GetMode();
  void SetPosition(int ms);
  std::string GetErrorText(uint32_t code);
  bool ListOutputDevices(TStringList* list);

  MMStatus OnStatus;

protected:
  virtual void DoStatus(const std::string& statusMessage, int n);

private:
  uint32_t Send(uint32_t message, uintptr_t flags, void* params);
  void RaiseOnError(uint32_t code);
  void NoteError(uint32_t code);

  TMciDriver* FDriver;
  int FDeviceId = -1;
  int FKeptPosition = -1;
  int FFileSize = 0;
  int FLength = 0;
  std::string FMidiFile;
  std::string FLastError;
  uint32_t FLastErrorCode = 0;
  bool FBusy = false;
  int FMidiOutPort = -1;
};
