// Tempo arithmetic in whole milliseconds per quarter note, with 64-bit intermediates so that long
// files with slow tempos do not overflow.
#include "cmpMidiIterator.h"
#include <algorithm>
#include <functional>
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
  FQueue.clear();
  if (FData)
    for (int i = 0; i < MidiMaxTracks; ++i)
      if (TMidiTrack* t = FData->Track(i); t && t->Count() > 0) {
        FNoData = false;
        PushTrack(i);
      }
  ComputeMeasure();
}

namespace {
// Tempo and time-signature changes: the only events that move the clock or the bars.
bool IsTimingEvent(const TMidiEvent& e) {
  return e.IsMeta() && ((e.MetaType() == 0x58 && e.MetaLength() >= 2) ||
                        (e.MetaType() == 0x51 && e.MetaLength() >= 3));
}
} // namespace

void TMidiPosition::PushTrack(int track) {
  FQueue.emplace_back(FData->Track(track)->Event(FNextEvent[track]).Tick, track);
  ++FEventsRead;
  std::push_heap(FQueue.begin(), FQueue.end(), std::greater<TNext>());
}

void TMidiPosition::ApplyTimingEvent(const TMidiEvent& e) {
  if (e.MetaType() == 0x58) {
    int64_t since = int64_t(e.Tick) - FSignatureTick;
    FBarCounter += (since + FTicksPerBar - 1) / FTicksPerBar;
    FSignatureTick = e.Tick;
    FNumerator = e.MetaData()[0];
    FDenominatorExp = e.MetaData()[1];
    ComputeMeasure();
  } else {
    const uint8_t* d = e.MetaData();
    FTempoMilliseconds += (int64_t(e.Tick) - FTempoTick) * FMsPerQuarter / FDivision;
    FTempoTick = e.Tick;
    FMsPerQuarter = static_cast<int>(((d[0] << 16) | (d[1] << 8) | d[2]) / 1000);
  }
}

void TMidiPosition::SeekTo(int32_t tick) {
  if (tick < FTick) Reset();
  // A sequencer plays a tempo change wherever it stands, so every track's changes count, merged
  // in time order. Each step takes a track's run of events that come before every other track's
  // next one, so that every event is looked at once or twice however many tracks there are.
  while (!FQueue.empty() && FQueue.front().first <= tick) {
    std::pop_heap(FQueue.begin(), FQueue.end(), std::greater<TNext>());
    const int i = FQueue.back().second;
    FQueue.pop_back();
    TMidiTrack* track = FData->Track(i);
    int& next = FNextEvent[i];
    TMidiEvent e = track->Event(next);
    ++FEventsRead;
    for (;;) {
      if (IsTimingEvent(e)) ApplyTimingEvent(e);
      if (++next >= track->Count()) break;
      e = track->Event(next);
      ++FEventsRead;
      if (e.Tick > tick || (!FQueue.empty() && TNext(e.Tick, i) > FQueue.front())) {
        FQueue.emplace_back(e.Tick, i);
        std::push_heap(FQueue.begin(), FQueue.end(), std::greater<TNext>());
        break;
      }
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
