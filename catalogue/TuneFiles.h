// Title files and their zip archives: classify, time, copy, pack and unpack single titles.
#pragma once
#include "CatalogueViews.h"
#include "cmpMidiData.h"
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// File types answered by CheckMIDIHeader.
enum : int { mfUnreadable = -1, mfOther = 0, mfStandardMidi = 1, mfRiffMidi = 2 };

// A file read whole, once, for everything an import needs of it.
struct TTuneSnapshot {
  int Kind = mfUnreadable; // as CheckMIDIHeader answers it
  int64_t Size = 0;
  TDateTime Date = 0; // modification time, local
  std::string Bytes;  // the whole file; empty when it is larger than the limit read
  bool Whole = false; // Bytes holds the whole file
};

// Reads a file's kind, size and date, and its bytes when it has at most maxBytes. Raises
// std::bad_alloc when there is no memory for the bytes.
TTuneSnapshot ReadTuneSnapshot(const std::string& path, int64_t maxBytes);

// The largest buffer the in-memory packing may take, 0 for no limit (the program's own). A larger
// one fails with std::bad_alloc as it would in a full address space. A seam for tests.
void SetPackBufferLimit(int64_t bytes);

// The main window owns one; the catalogue store reaches it without knowing the window.
class TTuneFiles : public TTuneZipper {
public:
  TTuneFiles();

  // Copies a whole file; refuses (false, with an error box) when both name the same file. Stream
  // errors pass to the caller.
  bool CopyTuneFile(const std::string& source, const std::string& target);
  // 1 Standard MIDI File, 2 RIFF MIDI file (form "RMID" with a "data" chunk that begins with
  // "MThd"), 0 anything else (also fewer than 4 bytes, or another RIFF file such as a WAV), -1
  // empty or unreadable.
  static int CheckMIDIHeader(const std::string& path, int64_t& size);
  // Whole seconds (at most MaxTitleSeconds), or -1 when the file cannot be read as MIDI. Each call
  // reads with a reader of its own, so that it may run on any thread.
  static int GetMIDIDuration(const std::string& path);
  // The same for a Standard or RIFF MIDI file held in memory.
  static int GetMIDIDurationOf(const std::string& bytes);
  // Readies a title's file for the sequencer, which waits out any silence its file holds past the
  // last note (Wine's cannot even be stopped meanwhile): when more than tailMs of it lies past
  // the last channel event, the file is rewritten as a Standard MIDI File without it. Answers the
  // ms at which the last channel event lies; -1, the file left alone, when it cannot be read.
  static int64_t CutSilentTail(const std::string& path, int64_t tailMs);
  // Packs one file under its bare name, deflated at maximum compression. The archive is replaced
  // only by a whole new one: a failed or aborted packing leaves it as it was.
  bool ZipOneFile(const std::string& file, const std::string& archive) override;
  // Packs bytes as the one entry of a new archive made in memory, deflated at maximum
  // compression, dated now. False (and no archive) when the packing fails; std::bad_alloc when
  // there is no memory for the archive.
  static bool ZipBytes(const std::string& bytes, const std::string& entryName,
                       std::string& archive);
  // Packs every listed file under its bare name; ".zip" is appended unless the name holds ".ZIP".
  // A name already in the archive becomes "name (2).ext" (or the first free number). Replaces an
  // archive of that name only when the new one is whole and the packing was not aborted.
  bool ZipFileList(const std::vector<std::string>& files, const std::string& archive);
  // Number of entries of an archive; -1 when it cannot be read.
  static int ArchiveEntryCount(const std::string& archive);
  // Extracts the one entry of an archive into a folder, under its bare name only.
  bool UnzipSingleFile(const std::string& archive, const std::string& folder, std::string& message,
                       std::string& extractedPath) override;

  TMidiData& MidiData1() { return FMidiData; }

  // The main window's message box; a plain box when unset.
  std::function<TMessageAnswer(const std::string& text, TMessageKind kind, int helpContext,
                               TMessageButtons buttons)>
      OnMessageBox;
  // Packing progress, 0 to 100; ZipFileList starts it at 0.
  std::function<void(int percent)> OnProgress;
  // Polled while packing; true ends the packing (the program is shutting down).
  std::function<bool()> OnAbortQuery;

private:
  bool WriteArchive(const std::vector<std::string>& files, const std::string& archive);
  TMidiData FMidiData;
};

struct zip;

// One entry of a many-title archive as its central directory declares it.
struct TArchiveEntry {
  std::string Stored; // the name as it stands in the archive
  std::string Name;   // the bare file name; empty when nothing safe is left of the stored one
  bool Folder = false;
  bool Encrypted = false;
  int64_t Size = 0; // uncompressed, as declared
  uint32_t Crc = 0; // as declared
};

// The reason TArchiveReader::Extract gives for an entry larger than it may write.
inline constexpr const char* EntryTooLarge = "the entry is larger than the limit";

// Reads an archive entry by entry, each written to a target the caller names, so that no stored
// name ever reaches the file system.
class TArchiveReader {
public:
  TArchiveReader() = default;
  ~TArchiveReader();
  TArchiveReader(const TArchiveReader&) = delete;
  TArchiveReader& operator=(const TArchiveReader&) = delete;

  bool Open(const std::string& archive, std::string& error);
  int Count() const;
  TArchiveEntry Entry(int index) const;
  // Writes the entry to target; false with the reason, and no target, when the entry is
  // encrypted (the reason "encrypted"), damaged, larger than maxSize, or progress (percent of the
  // entry) answers true to abort.
  bool Extract(int index, const std::string& target, int64_t maxSize, std::string& why,
               const std::function<bool(int percent)>& progress = {});
  // Whether two entries unpack to the same bytes; false too when either cannot be read.
  bool SameBytes(int a, int b);

private:
  zip* FZip = nullptr;
};

// An entry's stored name reduced to a bare file name: no drive, no folders of either separator;
// empty when nothing safe is left (a folder entry, "..", dots only).
std::string BareEntryName(const std::string& stored);
