// A stand-in for the MCI sequencer in the main window's tests.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <string>
#include <vector>
#include "midi.h"

// A sequencer whose title ends when the test says so (the machine has no MIDI output, so the
// real one never reaches the end of a song). It pauses, reports the place a play started from
// (as Wine's does), can be held in one mode, and lists the output ports the test gives it.
class TEndingSequencer : public TMciDriver {
public:
  std::vector<std::string> Opened;
  std::vector<DWORD> PortsSet; // each MCI_SEQ_SET_PORT, in order
  std::vector<std::string> Ports{"Stand-in synth"};
  DWORD Mode = MCI_MODE_STOP;
  DWORD Position = 0;
  DWORD StuckMode = 0; // when set, the mode every status query answers
  int Pauses = 0;
  int ModeQueries = 0; // a wait for a mode asks it again and again until its bound
  // A play command that fails with this code and text (0: plays).
  uint32_t PlayError = 0;
  std::string PlayErrorText;
  uint32_t SendCommand(uint32_t, uint32_t message, uintptr_t flags, uintptr_t params) override {
    switch (message) {
    case MCI_OPEN:
      Opened.push_back(reinterpret_cast<MCI_OPEN_PARMSA*>(params)->lpstrElementName);
      reinterpret_cast<MCI_OPEN_PARMSA*>(params)->wDeviceID = 5;
      Mode = MCI_MODE_STOP;
      return 0;
    case MCI_PLAY:
      if (PlayError) return PlayError;
      Mode = MCI_MODE_PLAY;
      if (flags & MCI_FROM) Position = reinterpret_cast<MCI_PLAY_PARMS*>(params)->dwFrom;
      return 0;
    case MCI_STOP:
      Mode = MCI_MODE_STOP;
      return 0;
    case MCI_PAUSE:
      Mode = MCI_MODE_PAUSE;
      ++Pauses;
      return 0;
    case MCI_SET:
      if (flags & MCI_SEQ_SET_PORT)
        PortsSet.push_back(reinterpret_cast<MCI_SEQ_SET_PARMS*>(params)->dwPort);
      return 0;
    case MCI_STATUS: {
      auto* s = reinterpret_cast<MCI_STATUS_PARMS*>(params);
      if (s->dwItem == MCI_STATUS_MODE) ++ModeQueries;
      s->dwReturn = s->dwItem == MCI_STATUS_LENGTH     ? 61500
                    : s->dwItem == MCI_STATUS_POSITION ? Position
                    : StuckMode                        ? StuckMode
                                                       : Mode;
      return 0;
    }
    }
    return 0;
  }
  bool GetErrorString(uint32_t code, std::string& text) override {
    text = code == PlayError && !PlayErrorText.empty() ? PlayErrorText
                                                       : "stand-in error " + std::to_string(code);
    return true;
  }
  int MidiOutCount() override { return static_cast<int>(Ports.size()); }
  std::string MidiOutName(int device) override { return Ports.at(device); }
  void Sleep(uint32_t) override {}
};
