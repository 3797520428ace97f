// A sound card of the tests' own behind the device seam: what Wine's mixer lacks (two-channel
// volumes, a mixer list on the speakers, a three-item multiplexer on the recording line, peak
// meters, four playback sources) and the change notices a real driver posts after each set.
#pragma once
#include "MMDevice.h"
#include <map>
#include <string>
#include <vector>

class TStandInMixer : public TMMDeviceApi {
public:
  struct TControlRec {
    DWORD Id, LineId, Type, Flags;
    int Channels, Items;
    LONG Min, Max;
    DWORD Steps;
    std::string Name;
    std::vector<int32_t> Values; // items x channels
  };
  struct TLineRec {
    DWORD Id, Destination, Source, ComponentType, Flags;
    int Channels, Connections;
    std::string Name;
  };

  explicit TStandInMixer(int playbackSources = 4, int mixers = 1, bool playbackList = true);
  ~TStandInMixer() override;

  UINT GetNumDevs(TMMDeviceType type) override;
  MMRESULT GetDevCaps(TMMDeviceType type, UINT_PTR id, void* caps, UINT size) override;
  MMRESULT MixerGetID(HMIXEROBJ object, UINT* id, DWORD flags) override;
  MMRESULT MixerOpen(HMIXER* mixer, UINT id, DWORD_PTR callback, DWORD_PTR instance,
                     DWORD flags) override;
  MMRESULT MixerClose(HMIXER mixer) override;
  MMRESULT MixerGetLineInfo(HMIXEROBJ object, MIXERLINEA* line, DWORD flags) override;
  MMRESULT MixerGetLineControls(HMIXEROBJ object, MIXERLINECONTROLSA* controls,
                                DWORD flags) override;
  MMRESULT MixerGetControlDetails(HMIXEROBJ object, MIXERCONTROLDETAILS* details,
                                  DWORD flags) override;
  MMRESULT MixerSetControlDetails(HMIXEROBJ object, MIXERCONTROLDETAILS* details,
                                  DWORD flags) override;

  // The control of a line by type, for the tests' own reads and writes.
  TControlRec& Control(DWORD lineId, DWORD type);
  const TLineRec* Line(DWORD destination, int source) const; // source -1: the destination
  int Sets = 0;                                              // successful sets
  bool FailOpen = false;                                     // mixerOpen fails
  bool Posting = true;                                       // a change notice follows each set
  HWND Callback = nullptr;
  int OpenCount = 0;

private:
  std::vector<TLineRec> FLines;
  std::vector<TControlRec> FControls;
  int FMixers;
  TMMDeviceApi* FFormer;
};
