// Tempo arithmetic in whole milliseconds per quarter note, with 64-bit intermediates so that long
// files with slow tempos do not overflow.
#include "cmpMidiIterator.h"
#include <algorithm>
#include <limits>

namespace {
// A Standard MIDI File without a tempo event plays at 120 beats a minute.
constexpr int DefaultMsPerQuarter = 500;
} // namespace

TMidiPosition::TMidiPosition(TMidiData* data) : FData(data) {
  Reset();
}

void TMidiPosition::SetMidiData(TMidiData* data) {
  int32_t former = FTick;
  FData = data;
  Reset();
  SeekTo(former);
}

void TMidiPosition::ComputeMeasure() {
  int64_t perBeat = FDivision;
  if (FDenominatorExp >= 3) {
    int shift = FDenominatorExp - 2;
    perBeat = shift >= 31 ? 0 : perBeat >> shift;
  } else if (FDenominatorExp < 2) {
    perBeat = perBeat << (2 - FDenominatorExp);
  }
  // A beat or bar of no ticks would divide by zero below; such signatures count tick by tick.
  FTicksPerBeat = static_cast<int>(std::max<int64_t>(1, perBeat));
  int64_t perBar = int64_t(FTicksPerBeat) * FNumerator;
  FTicksPerBar =
      static_cast<int>(std::clamp<int64_t>(perBar, 1, std::numeric_limits<int32_t>::max()));
}

void TMidiPosition::Reset() {
  FDivision = FData ? std::max(1, FData->PPQN()) : 180;
  FTick = 0;
  FMilliseconds = 0;
  FMsPerQuarter = DefaultMsPerQuarter;
  FTempoTick = 0;
  FTempoMilliseconds = 0;
  FNumerator = 4;
  FDenominatorExp = 2;
  FBarCounter = 0;
  FBar = 0;
  FBeat = 0;
  FSignatureTick = 0;
  FNextEvent.fill(0);
  FNoData = true;
  if (FData)
    for (int i = 0; i < MidiMaxTracks; ++i)
      if (TMidiTrack* t = FData->Track(i); t && t->Count() > 0) FNoData = false;
  ComputeMeasure();
}

void TMidiPosition::SeekTo(int32_t tick) {
  if (tick < FTick) Reset();
  TMidiTrack* track = FData ? FData->Track(0) : nullptr;
  if (track) {
    int& next = FNextEvent[0];
    while (next < track->Count()) {
      TMidiEvent e = track->Event(next);
      if (e.Tick > tick) break;
      if (e.IsMeta() && e.MetaType() == 0x58 && e.MetaLength() >= 2) {
        int64_t since = int64_t(e.Tick) - FSignatureTick;
        FBarCounter += (since + FTicksPerBar - 1) / FTicksPerBar;
        FSignatureTick = e.Tick;
        FNumerator = e.MetaData()[0];
        FDenominatorExp = e.MetaData()[1];
        ComputeMeasure();
      } else if (e.IsMeta() && e.MetaType() == 0x51 && e.MetaLength() >= 3) {
        const uint8_t* d = e.MetaData();
        FTempoMilliseconds += (int64_t(e.Tick) - FTempoTick) * FMsPerQuarter / FDivision;
        FTempoTick = e.Tick;
        FMsPerQuarter = static_cast<int>(((d[0] << 16) | (d[1] << 8) | d[2]) / 1000);
      }
      ++next;
    }
  }
  FTick = tick;
  int64_t sinceSignature = std::max<int64_t>(0, int64_t(tick) - FSignatureTick);
  FBar = FBarCounter + sinceSignature / FTicksPerBar;
  FBeat = static_cast<int>((sinceSignature % FTicksPerBar) / FTicksPerBeat);
  FMilliseconds = (int64_t(tick) - FTempoTick) * FMsPerQuarter / FDivision + FTempoMilliseconds;
}

int32_t TMidiPosition::LatestTick() const {
  int32_t latest = 0;
  if (!FData) return 0;
  for (int i = 0; i < MidiMaxTracks; ++i) {
    TMidiTrack* t = FData->Track(i);
    if (!t) continue;
    for (int k = t->Count() - 1; k >= 0; --k) {
      TMidiEvent e = t->Event(k);
      if (e.Status < 0xF0) {
        latest = std::max(latest, e.Tick);
        break;
      }
    }
  }
  return latest;
}

int64_t TMidiPosition::DurationMs() {
  int32_t former = FTick;
  SeekTo(LatestTick());
  int64_t ms = FMilliseconds;
  SeekTo(former);
  return ms;
}
