// Walks a MIDI file's tracks in time: ticks to elapsed milliseconds, bars and beats.
#pragma once
#include "cmpMidiData.h"
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

class TMidiPosition {
public:
  explicit TMidiPosition(TMidiData* data = nullptr);

  TMidiData* MidiData() const { return FData; }
  // Resets over the new data, then seeks back to the former tick.
  void SetMidiData(TMidiData* data);
  void Reset();
  // Moves to a tick, applying the tempo and time-signature changes of every track in time order.
  void SeekTo(int32_t tick);
  // The largest tick of a last channel event over all tracks; 0 without any.
  int32_t LatestTick() const;
  // Elapsed milliseconds at the latest tick; the position is kept.
  int64_t DurationMs();

  int32_t Tick() const { return FTick; }
  int64_t Milliseconds() const { return FMilliseconds; }
  int Division() const { return FDivision; }
  int MsPerQuarter() const { return FMsPerQuarter; }
  int Numerator() const { return FNumerator; }
  int DenominatorExponent() const { return FDenominatorExp; }
  int TicksPerBeat() const { return FTicksPerBeat; }
  int TicksPerBar() const { return FTicksPerBar; }
  int64_t Bar() const { return FBar; }
  int Beat() const { return FBeat; }
  bool NoData() const { return FNoData; }
  // Events looked at since the position was made: a walk to the end of the data looks at each
  // event once, whatever the number of tracks.
  int64_t EventsRead() const { return FEventsRead; }

private:
  void ComputeMeasure();
  void ApplyTimingEvent(const TMidiEvent& e);
  // The tracks' next unread events, merged in time order (equal ticks: the lower track first).
  void PushTrack(int track);

  // A heap of (tick of the track's next unread event, track), the smallest first.
  using TNext = std::pair<int32_t, int>;
  std::vector<TNext> FQueue;

  TMidiData* FData;
  int32_t FTick = 0;
  int64_t FMilliseconds = 0;
  int FDivision = 180;
  int FMsPerQuarter = 500;
  int32_t FTempoTick = 0;
  int64_t FTempoMilliseconds = 0;
  int FNumerator = 4;
  int FDenominatorExp = 2;
  int FTicksPerBeat = 180;
  int FTicksPerBar = 720;
  int64_t FBarCounter = 0;
  int64_t FBar = 0;
  int FBeat = 0;
  int32_t FSignatureTick = 0;
  bool FNoData = true;
  std::array<int, MidiMaxTracks> FNextEvent{};
  int64_t FEventsRead = 0;
};
