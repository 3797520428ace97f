// A windowless check of the catalogue files' bytes as they were opened: what could not be read
// and why, per file, and one summary for the user.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct TTuneRec;

enum class TCatalogueFileKind { Index, Categories, Artists, Albums, AlbumTitles };

// What is wrong with one record; a record can have several at once.
enum class TRecordFault : uint32_t {
  NotRecord = 1u << 0,    // a text longer than its room, a live flag not 0 or 1, an impossible date
  NameNotText = 1u << 1,  // a control character inside a name or text
  OutOfRange = 1u << 2,   // a key, count, size or duration below its least value
  ZeroLength = 1u << 3,   // a live title whose stored archive has no bytes
  OutsideData = 1u << 4,  // a live title's archive not wholly inside the data file
  Overlap = 1u << 5,      // a live title's archive sharing bytes with another live title's
  DuplicateKey = 1u << 6, // a key that another record of the file also carries
  ArchiveMismatch = 1u << 7, // the stored bytes are not this title's zip (signature, CRC or size)
  UnknownAlbum = 1u << 8,    // an album row whose album the album file does not hold
};

struct TBadRecord {
  int RecNo = 0;       // 1-based position in its file
  uint32_t Faults = 0; // TRecordFault bits
  bool Has(TRecordFault fault) const { return (Faults & static_cast<uint32_t>(fault)) != 0; }
};

// A list file that names titles an empty title index does not hold.
struct TNamedTitles {
  std::string FileName;
  int Titles = 0;
};

struct TFileFinding {
  TCatalogueFileKind Kind = TCatalogueFileKind::Index;
  std::string FileName; // "Music.dex", "Categories.dex", ...
  int Records = 0;      // whole records
  int CutBytes = 0;     // bytes of a cut last record; 0 when the size is a multiple of the record
  bool NotRecords = false; // most records are not records of this kind: the file is something else
  int64_t UnclaimedDataBytes = 0; // the index only: data file bytes no title record points to
  std::vector<std::pair<int64_t, int64_t>> UnclaimedRuns; // those bytes: begin and end of each run
  // The index only: data file bytes an append left when it ended between writing a title's archive
  // and its record. They are no damage: the next pack reclaims them.
  int64_t InterruptedWriteBytes = 0;
  std::vector<TBadRecord> Bad;              // in record order
  std::vector<TNamedTitles> NamedElsewhere; // the index only, when it holds no record at all
  // The ".damaged" copies that keep what could not be read, as their loaders made them.
  std::vector<std::string> Copies;
  bool Damaged() const;
  // Music.dax holds bytes no title claims or archives that are not their titles'.
  bool DataDamaged() const;
  // The faults of record recNo, 0 when it is sound.
  uint32_t FaultsOf(int recNo) const;
};

// The bytes of a file that could not be read: its damaged records and its cut last record. A copy
// of the file that holds each of them keeps all that was lost.
std::vector<std::string_view> UnreadParts(const TFileFinding& finding, std::string_view bytes,
                                          int recSize);

// A date-time the program can hold: 1 January of year 1 to 31 December 9999; 0 means unknown.
bool IsCatalogueDate(double value);

// The files as opened: an absent list file is not damage (it is created empty or left out).
struct TCatalogueBytes {
  std::string_view Index;               // Music.dex
  int64_t DataSize = 0;                 // Music.dax's size
  std::optional<std::string_view> Data; // Music.dax's bytes when at hand; archives are then checked
  std::optional<std::string_view> Categories, Artists, Albums, AlbumTitles;
};

struct TCatalogueFinding {
  std::vector<TFileFinding> Files; // the index first, then each list file present
  bool Damaged() const;
  const TFileFinding* File(TCatalogueFileKind kind) const;
  // One text for the user naming each damaged file with its record count and what was found;
  // empty when nothing was.
  std::string Summary() const;
  // Every copy the files' loaders made, each once.
  std::vector<std::string> Copies() const;
};

TCatalogueFinding CheckCatalogue(const TCatalogueBytes& files);

// The bytes a stored archive's zip local header takes.
inline constexpr int ArchiveHeaderSize = 30;
// Fills out with length bytes of the data file from offset; false when they cannot be read. The
// archives' headers are asked in ascending order of offset, then the bytes no title claims.
using TDataReader = std::function<bool(int64_t offset, uint8_t* out, int32_t length)>;

// The checks of single files, for a loader that reads one alone. The archives' headers are checked
// against their records, and the bytes no record claims are told from an interrupted append, when
// the data file's bytes or a reader of them are given. With records given, every record is decoded
// into it as it is checked, in file order.
TFileFinding CheckIndexFile(std::string_view index, int64_t dataSize,
                            std::optional<std::string_view> data = std::nullopt,
                            const TDataReader& readData = nullptr,
                            std::vector<TTuneRec>* records = nullptr);
// Categories, artists or albums.
TFileFinding CheckListFile(TCatalogueFileKind kind, std::string_view bytes);
// Album rows; with the album keys known, a row of any other album is flagged.
TFileFinding CheckAlbumTitlesFile(std::string_view bytes,
                                  const std::vector<int32_t>* albumKeys = nullptr);

// Records sharing one key: a lookup made for a reference that carries a CRC takes the record that
// agrees with it.
struct TKeyCandidate {
  int RecNo = 0;
  uint32_t Crc = 0;
  bool Intact = true; // no fault besides the shared key
};
// The record number of the first candidate whose CRC is the given one, intact ones first; 0 when
// none agrees.
int PickByCrc(const std::vector<TKeyCandidate>& candidates, uint32_t crc);
