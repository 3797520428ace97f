// Standard MIDI File reader: tracks of 11-byte events sorted by tick, parsed in two passes.
#pragma once
#include "SysUtils.h"
#include "VirtualMemory.h"
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

TB_DECLARE_EXCEPTION(EMidiData, Exception);

class TMidiData;

// Every track reserves this much address space; its events are packed 11 bytes each.
constexpr size_t MidiTrackCapacity = 1048576;
constexpr size_t MidiEventSize = 11;
constexpr int MidiMaxEvents = static_cast<int>(MidiTrackCapacity / MidiEventSize); // 95,325
constexpr int MidiMaxTracks = 256;

// An unpacked copy of one stored event. For F0, F7 and FF events Data points at the event's own
// block (FF: the meta type, then the meta data) and Length counts the block's bytes.
struct TMidiEvent {
  int32_t Tick = 0;
  uint16_t Length = 0;
  uint8_t Status = 0;
  uint8_t Data1 = 0; // channel messages only
  uint8_t Data2 = 0;
  const uint8_t* Data = nullptr;
  bool IsMeta() const { return Status == 0xFF; }
  uint8_t MetaType() const { return IsMeta() && Data && Length > 0 ? Data[0] : 0; }
  const uint8_t* MetaData() const { return Data ? Data + 1 : nullptr; }
  int MetaLength() const { return IsMeta() && Length > 0 ? Length - 1 : 0; }
};

class TMidiTrack {
public:
  explicit TMidiTrack(TMidiData* owner);
  TMidiTrack(const TMidiTrack&) = delete;
  TMidiTrack& operator=(const TMidiTrack&) = delete;

  int Count() const { return FCount; }
  // An index outside 0..Count-1 raises "Invalid event no".
  TMidiEvent Event(int index) const;
  // Index of the first event at or after tick; with equal ticks mode 0 answers the first and mode
  // 1 the last of them. -1 when no event lies at or after the tick.
  int FindByTick(int32_t tick, int mode) const;
  // Inserts an event after those of the same tick, keeping a final end-of-track event last.
  // data holds the two data bytes of a channel message, or the block of an F0/F7/FF event.
  void InsertEvent(int32_t tick, uint8_t status, const uint8_t* data, uint16_t length);
  // Parses a track chunk's bytes; raises EMidiData on malformed data.
  void Parse(const uint8_t* bytes, size_t size);

  int NameEvent() const { return FNameEvent; } // -1 when the track has no name event
  std::string Name() const;
  int FirstProgram() const { return FFirstProgram; } // -1 when none
  int FirstChannel() const { return FFirstChannel; } // -1 when none
  TMidiData* Owner() const { return FOwner; }

private:
  uint8_t* Slot(int index) const { return FMemory.Memory() + size_t(index) * MidiEventSize; }
  void Store(int index, int32_t tick, uint8_t status, uint16_t length, uint8_t d1, uint8_t d2,
             uint32_t block);
  uint32_t AddBlock(const uint8_t* data, size_t length);
  void Scan(const uint8_t* bytes, size_t size, bool store, int& count, bool& sawEnd);

  TVirtualMemory FMemory;
  int FCount = 0;
  int FNameEvent = -1;
  int FFirstProgram = -1;
  int FFirstChannel = -1;
  TMidiData* FOwner;
  // The separately allocated blocks of F0, F7 and FF events; an event refers to its block by
  // number, which fits the event's 4 bytes on every platform.
  std::vector<std::unique_ptr<uint8_t[]>> FBlocks;
};

// Where the loader reads a file from: the plain file, or the data chunk of a RIFF file.
class TMidiSource {
public:
  virtual ~TMidiSource() = default;
  // Answers the number of bytes read; fewer at the end of the data.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
};

// Opens a file for the reader: the data chunk of a RIFF MIDI file (riff set), else the file.
// Raises EMidiData when the file cannot be opened or its RIFF chunks cannot be found.
std::unique_ptr<TMidiSource> OpenMidiSource(const std::string& fileName, bool& riff);

class TMidiData {
public:
  TMidiData();
  ~TMidiData();
  TMidiData(const TMidiData&) = delete;
  TMidiData& operator=(const TMidiData&) = delete;

  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& value) { FFileName = value; }
  bool Active() const { return FActive; }
  // True loads FileName (or starts empty when it is empty); false clears. Load errors pass on.
  void SetActive(bool value);
  int PPQN() const { return FDivision; }
  void SetPPQN(int value);
  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }

  // The header as read (host order here; the file holds them big-endian).
  int Format() const { return FFormat; }
  int TrackCount() const { return FTrackCount; }
  const std::vector<uint8_t>& ExtraHeader() const { return FExtraHeader; }
  bool IsRiff() const { return FRiff; }
  // nullptr for an empty slot.
  TMidiTrack* Track(int index) const;

  void Clear();
  // Reads a whole file from a source; the Active setter uses it with OpenMidiSource.
  void LoadFromSource(TMidiSource& source, bool riff = false);
  // The data as a Standard MIDI File (without running status), each track without its events
  // after lastTick and closed by an end-of-track event at the last tick it keeps.
  std::string WrittenUpTo(int32_t lastTick) const;

private:
  std::string FFileName;
  bool FModified = false;
  bool FActive = false;
  int FFormat = 1;
  int FTrackCount = 0;
  int FDivision = 180;
  std::vector<uint8_t> FExtraHeader;
  bool FRiff = false;
  std::array<std::unique_ptr<TMidiTrack>, MidiMaxTracks> FTracks;
};
