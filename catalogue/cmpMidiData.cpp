// Standard MIDI File reader. The file is untrusted: every length is checked against the bytes
// that are really there before it is used.
#include "cmpMidiData.h"
#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr uint8_t MetaEndOfTrack = 0x2F;
constexpr size_t GrowBy = 1024 * MidiEventSize; // 11,264 bytes

[[noreturn]] void Fail(const std::string& message) {
  throw EMidiData(message);
}

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
uint16_t BigEndian16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// A cursor over a track chunk's bytes that refuses to step past its end.
struct TTrackReader {
  const uint8_t* Bytes;
  size_t Size;
  size_t Pos = 0;

  bool AtEnd() const { return Pos >= Size; }
  uint8_t Byte() {
    if (Pos >= Size) Fail("Track data ends inside an event");
    return Bytes[Pos++];
  }
  // At most four bytes of seven bits, as the file format allows.
  uint32_t VarLen() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b = Byte();
      value = (value << 7) | (b & 0x7F);
      if (!(b & 0x80)) return value;
    }
    Fail("Invalid variable-length number");
  }
  const uint8_t* Take(uint32_t length) {
    if (length > Size - Pos) Fail("Track data ends inside an event");
    const uint8_t* p = Bytes + Pos;
    Pos += length;
    return p;
  }
};

bool HasTwoDataBytes(uint8_t status) {
  uint8_t kind = status & 0xF0;
  return kind == 0x80 || kind == 0x90 || kind == 0xA0 || kind == 0xB0 || kind == 0xE0;
}

} // namespace

// --- TMidiTrack ------------------------------------------------------------------------------

TMidiTrack::TMidiTrack(TMidiData* owner) : FMemory(MidiTrackCapacity), FOwner(owner) {}

TMidiEvent TMidiTrack::Event(int index) const {
  if (index < 0 || index >= FCount) Fail("Invalid event no");
  const uint8_t* s = Slot(index);
  TMidiEvent e;
  std::memcpy(&e.Tick, s, 4);
  std::memcpy(&e.Length, s + 4, 2);
  e.Status = s[6];
  if (e.Status == 0xF0 || e.Status == 0xF7 || e.Status == 0xFF) {
    uint32_t block;
    std::memcpy(&block, s + 7, 4);
    e.Data = block < FBlocks.size() ? FBlocks[block].get() : nullptr;
  } else {
    e.Data1 = s[7];
    e.Data2 = s[8];
  }
  return e;
}

void TMidiTrack::Store(int index, int32_t tick, uint8_t status, uint16_t length, uint8_t d1,
                       uint8_t d2, uint32_t block) {
  uint8_t* s = Slot(index);
  std::memcpy(s, &tick, 4);
  std::memcpy(s + 4, &length, 2);
  s[6] = status;
  if (status == 0xF0 || status == 0xF7 || status == 0xFF) {
    std::memcpy(s + 7, &block, 4);
  } else {
    s[7] = d1;
    s[8] = d2;
    s[9] = s[10] = 0;
  }
}

uint32_t TMidiTrack::AddBlock(const uint8_t* data, size_t length) {
  auto block = std::make_unique<uint8_t[]>(length ? length : 1);
  if (length) std::memcpy(block.get(), data, length);
  FBlocks.push_back(std::move(block));
  return static_cast<uint32_t>(FBlocks.size() - 1);
}

std::string TMidiTrack::Name() const {
  if (FNameEvent < 0) return "";
  TMidiEvent e = Event(FNameEvent);
  return std::string(reinterpret_cast<const char*>(e.MetaData()), e.MetaLength());
}

int TMidiTrack::FindByTick(int32_t tick, int mode) const {
  int lo = 0, hi = FCount; // first index whose tick is at least the tick
  while (lo < hi) {
    int mid = lo + (hi - lo) / 2;
    if (Event(mid).Tick < tick)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo >= FCount) return -1;
  if (Event(lo).Tick != tick || mode != 1) return lo;
  int end = FCount; // first index past the events of that tick
  for (int l = lo; l < end;) {
    int mid = l + (end - l) / 2;
    if (Event(mid).Tick <= tick)
      l = mid + 1;
    else
      end = mid;
  }
  return end - 1;
}

void TMidiTrack::InsertEvent(int32_t tick, uint8_t status, const uint8_t* data, uint16_t length) {
  bool endsWithEot = false;
  if (FCount > 0) {
    TMidiEvent last = Event(FCount - 1);
    endsWithEot = last.IsMeta() && last.MetaType() == MetaEndOfTrack;
    if (endsWithEot && last.Tick < tick) std::memcpy(Slot(FCount - 1), &tick, 4);
  }
  size_t need = size_t(FCount + 1) * MidiEventSize;
  if (need > FMemory.Size())
    FMemory.SetSize(std::max(need, std::min(FMemory.Size() + GrowBy, FMemory.Capacity())));

  int pos;
  int found = FCount == 0 ? -1 : FindByTick(tick, 1);
  if (found < 0) {
    pos = FCount; // every event lies before the tick
  } else if (Event(found).Tick != tick) {
    pos = found;
  } else {
    // After the events of that tick, but a closing end-of-track event stays last.
    pos = (found == FCount - 1 && endsWithEot) ? found : found + 1;
  }
  bool isBlock = status == 0xF0 || status == 0xF7 || status == 0xFF;
  uint32_t block = isBlock ? AddBlock(data, length) : 0;
  std::memmove(Slot(pos + 1), Slot(pos), size_t(FCount - pos) * MidiEventSize);
  uint8_t d1 = !isBlock && length > 0 ? data[0] : 0;
  uint8_t d2 = !isBlock && length > 1 ? data[1] : 0;
  Store(pos, tick, status, length, d1, d2, block);
  ++FCount;
  if (FNameEvent >= pos) ++FNameEvent;
  if (FOwner) FOwner->SetModified(true);
}

// One walk over the track's bytes; the first pass counts, the second stores.
void TMidiTrack::Scan(const uint8_t* bytes, size_t size, bool store, int& count, bool& sawEnd) {
  TTrackReader r{bytes, size};
  int64_t tick = 0;
  uint8_t running = 0;
  bool sysexOpen = false;
  count = 0;
  sawEnd = false;
  while (!r.AtEnd()) {
    if (sawEnd) Fail("Unexpected end of track");
    tick += r.VarLen();
    if (tick > std::numeric_limits<int32_t>::max()) Fail("Event time out of range");
    uint8_t b = r.Byte();
    if (sysexOpen && b != 0xF7) Fail("Error in Sysex");
    if (!store && count >= MidiMaxEvents) Fail("Too many events in track");
    uint8_t status;
    if (b & 0x80) {
      status = b;
    } else {
      if (!running) Fail("Error in Running Status");
      status = running;
    }
    if (status == 0xF0 || status == 0xF7) {
      uint32_t length = r.VarLen();
      const uint8_t* data = r.Take(length);
      if (length > 0xFFFF) Fail("System exclusive message too long");
      sysexOpen = length == 0 || data[length - 1] != 0xF7;
      if (store)
        Store(count, int32_t(tick), status, uint16_t(length), 0, 0, AddBlock(data, length));
    } else if (status == 0xFF) {
      uint8_t type = r.Byte();
      uint32_t length = r.VarLen();
      const uint8_t* data = r.Take(length);
      if (length > 0xFFFE) Fail("Meta event too long");
      if (type == MetaEndOfTrack) sawEnd = true;
      if (store) {
        auto block = std::make_unique<uint8_t[]>(length + 1);
        block[0] = type;
        if (length) std::memcpy(block.get() + 1, data, length);
        FBlocks.push_back(std::move(block));
        Store(count, int32_t(tick), status, uint16_t(length + 1), 0, 0,
              uint32_t(FBlocks.size() - 1));
        if (type == 3 && (FNameEvent < 0 || Event(FNameEvent).MetaType() != 3))
          FNameEvent = count;
        else if (type == 1 && FNameEvent < 0)
          FNameEvent = count;
      }
    } else if (status > 0xF0) {
      // Other system statuses carry no bytes here.
      if (store) Store(count, int32_t(tick), status, 0, 0, 0, 0);
    } else {
      uint8_t d1 = (b & 0x80) ? r.Byte() : b; // under running status b is the first data byte
      uint8_t d2 = 0;
      if (b & 0x80) running = status;
      bool two = HasTwoDataBytes(status);
      if (two) d2 = r.Byte();
      if (!store) {
        if (FFirstChannel < 0) FFirstChannel = status & 0x0F;
        if (FFirstProgram < 0 && (status & 0xF0) == 0xC0) FFirstProgram = d1;
      } else {
        Store(count, int32_t(tick), status, two ? 2 : 1, d1, d2, 0);
      }
    }
    ++count;
    if (store) FCount = count; // events stored so far are readable (name event checks)
  }
}

void TMidiTrack::Parse(const uint8_t* bytes, size_t size) {
  int count = 0;
  bool sawEnd = false;
  Scan(bytes, size, false, count, sawEnd);
  if (!sawEnd && count + 1 > MidiMaxEvents) Fail("Too many events in track");
  FMemory.SetSize(size_t(count) * MidiEventSize);
  FBlocks.reserve(FBlocks.size() + 16);
  int stored = 0;
  FCount = 0;
  Scan(bytes, size, true, stored, sawEnd);
  if (!sawEnd) {
    int32_t lastTick = FCount > 0 ? Event(FCount - 1).Tick : 0;
    InsertEvent(lastTick, 0xFF, &MetaEndOfTrack, 1);
  }
}

// --- TMidiData -------------------------------------------------------------------------------

TMidiData::TMidiData() = default;
TMidiData::~TMidiData() = default;

TMidiTrack* TMidiData::Track(int index) const {
  return index >= 0 && index < MidiMaxTracks ? FTracks[index].get() : nullptr;
}

void TMidiData::Clear() {
  FExtraHeader.clear();
  for (auto& t : FTracks)
    t.reset();
  FFormat = 1;
  FTrackCount = 0;
  FDivision = 180;
  FRiff = false;
  FModified = false;
  FActive = false;
}

void TMidiData::SetPPQN(int value) {
  if (value == FDivision) return;
  if (value <= 0 || value > 0xFFFF) Fail("Invalid MIDI time division");
  FDivision = value;
  FModified = true;
}

void TMidiData::SetActive(bool value) {
  if (value == FActive) return;
  Clear();
  if (!value || FFileName.empty()) {
    FActive = value;
    return;
  }
  bool riff = false;
  std::unique_ptr<TMidiSource> source = OpenMidiSource(FFileName, riff);
  LoadFromSource(*source, riff);
}

namespace {
// Reads exactly count bytes, growing the buffer only as data really arrives, so that a length
// field claiming gigabytes costs nothing before the file runs out.
std::vector<uint8_t> ReadExactly(TMidiSource& source, uint32_t count) {
  std::vector<uint8_t> r;
  constexpr uint32_t Step = 65536;
  while (r.size() < count) {
    uint32_t chunk = std::min<uint32_t>(Step, count - static_cast<uint32_t>(r.size()));
    size_t at = r.size();
    r.resize(at + chunk);
    int32_t got = source.Read(r.data() + at, static_cast<int32_t>(chunk));
    if (got != static_cast<int32_t>(chunk)) Fail("Unexpected end of MIDI file");
  }
  return r;
}
} // namespace

namespace {

void PutVarLen(std::string& out, uint32_t value) {
  char bytes[5];
  int n = 0;
  do {
    bytes[n++] = static_cast<char>(value & 0x7F);
    value >>= 7;
  } while (value);
  while (n > 1)
    out += static_cast<char>(bytes[--n] | 0x80);
  out += bytes[0];
}

void PutBigEndian(std::string& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i)
    out += static_cast<char>(value >> (8 * i));
}

// One track's events up to lastTick, then its end of track: at its own tick when that is kept,
// else at the last tick kept.
std::string TrackBytesUpTo(const TMidiTrack& track, int32_t lastTick) {
  std::string out;
  int32_t at = 0, end = 0;
  // A system-exclusive message left open at the cut would leave its continuation missing: it
  // goes, from the block that opened it.
  size_t openSince = std::string::npos;
  int32_t openAt = 0;
  for (int k = 0; k < track.Count(); ++k) {
    const TMidiEvent e = track.Event(k);
    if (e.Tick > lastTick) break;
    end = e.Tick;
    if (e.IsMeta() && e.MetaType() == MetaEndOfTrack) continue;
    const size_t start = out.size();
    const int32_t startAt = at;
    PutVarLen(out, static_cast<uint32_t>(e.Tick - at));
    at = e.Tick;
    out += static_cast<char>(e.Status);
    if (e.Status < 0xF0) {
      out += static_cast<char>(e.Data1);
      if (HasTwoDataBytes(e.Status)) out += static_cast<char>(e.Data2);
    } else if (e.Status == 0xF0 || e.Status == 0xF7) {
      PutVarLen(out, e.Length);
      out.append(reinterpret_cast<const char*>(e.Data), e.Length);
      const bool open = e.Length == 0 || e.Data[e.Length - 1] != 0xF7;
      if (open && openSince == std::string::npos) {
        openSince = start;
        openAt = startAt;
      } else if (!open) {
        openSince = std::string::npos;
      }
    } else if (e.IsMeta()) {
      out += static_cast<char>(e.MetaType());
      PutVarLen(out, static_cast<uint32_t>(e.MetaLength()));
      out.append(reinterpret_cast<const char*>(e.MetaData()), e.MetaLength());
    }
  }
  if (openSince != std::string::npos) {
    out.resize(openSince);
    end = at = openAt;
  }
  PutVarLen(out, static_cast<uint32_t>(end - at));
  out += std::string("\xFF\x2F\0", 3);
  return out;
}

} // namespace

std::string TMidiData::WrittenUpTo(int32_t lastTick) const {
  std::string out = "MThd";
  PutBigEndian(out, static_cast<uint32_t>(6 + FExtraHeader.size()), 4);
  PutBigEndian(out, static_cast<uint32_t>(FFormat), 2);
  PutBigEndian(out, static_cast<uint32_t>(FTrackCount), 2);
  PutBigEndian(out, static_cast<uint32_t>(FDivision), 2);
  out.append(FExtraHeader.begin(), FExtraHeader.end());
  for (int i = 0; i < FTrackCount; ++i) {
    const std::string track =
        FTracks[i] ? TrackBytesUpTo(*FTracks[i], lastTick) : std::string("\0\xFF\x2F\0", 4);
    out += "MTrk";
    PutBigEndian(out, static_cast<uint32_t>(track.size()), 4);
    out += track;
  }
  return out;
}

void TMidiData::LoadFromSource(TMidiSource& source, bool riff) {
  Clear();
  FRiff = riff;
  uint8_t id[4] = {};
  if (source.Read(id, 4) != 4 || std::memcmp(id, "MThd", 4) != 0) Fail("Invalid MIDI file ID");
  std::vector<uint8_t> len = ReadExactly(source, 4);
  uint32_t headerSize = BigEndian32(len.data());
  if (headerSize < 6) Fail("Invalid MIDI header size");
  std::vector<uint8_t> header = ReadExactly(source, 6);
  FFormat = BigEndian16(&header[0]);
  FTrackCount = BigEndian16(&header[2]);
  FDivision = BigEndian16(&header[4]);
  if (headerSize > 6) FExtraHeader = ReadExactly(source, headerSize - 6);
  if (FTrackCount > MidiMaxTracks) Fail("Too many tracks in MIDI file");
  if (FDivision == 0) Fail("Invalid MIDI time division");
  for (int i = 0; i < FTrackCount; ++i) {
    if (source.Read(id, 4) != 4) Fail("Unexpected end of MIDI file");
    if (std::memcmp(id, "MTrk", 4) != 0) Fail("Invalid track start ID");
    len = ReadExactly(source, 4);
    std::vector<uint8_t> bytes = ReadExactly(source, BigEndian32(len.data()));
    auto track = std::make_unique<TMidiTrack>(this);
    track->Parse(bytes.data(), bytes.size());
    FTracks[i] = std::move(track);
  }
  FActive = true;
  FModified = false;
}
