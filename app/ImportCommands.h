// Rules of importing that need no window: the road a file takes, the title and type its name
// gives, artist names, stored origins, plug-in requests and dropped files' titles.
#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TArchiveReader;
class TFeatureHost;
class TMainCatalogue;
class TMainServices;
class TPlayRoad;
struct TArchiveEntry;
struct TArchiveRun;
struct TTuneSnapshot;
class TMyDB;

// Holds import-busy for one whole import (or scan and its import): a title start waits for it,
// requests and drops wait in the queue, a close is put off until the import returns, and list
// files that could not be written meanwhile are told in one box at its end.
class TImportScope {
public:
  // store: the catalogue's store, if open.
  TImportScope(TMainServices& window, TMyDB* store);
  ~TImportScope();
  TImportScope(const TImportScope&) = delete;
  TImportScope& operator=(const TImportScope&) = delete;

private:
  TMainServices& FWindow;
  TMyDB* FStore; // its list files' failed saves are told once, when the import ends
};

enum class TImportKind { None, Midi, Archive };

// The final extension decides: ".mid", ".midi" and ".rmi" are MIDI files, ".zip" an archive.
TImportKind ImportKindOf(const std::string& fileName);

// The title stored for an add title and its file type: trimmed; a final ".mid" cut when it is the
// first ".MID" of the text, then a final ".rmi" the same way (type "RMI", else "MIDI"); every "_"
// a blank.
void TitleAndTypeOf(const std::string& addTitle, std::string& title, std::string& fileType);

// "Last, First": the trimmed text before the first comma and the trimmed text after it; without a
// comma the whole trimmed text is the last name.
void SplitAtComma(const std::string& text, std::string& lastName, std::string& firstName);

// An origin as the title record keeps it (trimmed, cut to the record's room), so that the
// duplicate test compares like with like.
std::string StoredOrigin(const std::string& origin);

// A plug-in request: "NV", the saved file's path, "[", the address it came from.
struct TNVRequest {
  std::string Path;
  std::string Address;
  std::string Title;  // the part of the address after its last "/"
  std::string Origin; // the trimmed address
};
// False when the text is not a well-formed plug-in request.
bool ParseNVRequest(const std::string& text, TNVRequest& request);

// A path as a request or a drop hands it over: trimmed, one pair of enclosing quotes dropped.
std::string UnquotedPath(const std::string& path);

// A dropped file's title: its bare name up to its first ".".
std::string DropTitleOf(const std::string& path);

// Entries larger than this are not extracted from an archive.
inline constexpr int64_t MaxEntrySize = 64ll * 1024 * 1024;
// One archive import looks at this many entries at most and unpacks this many bytes in all at
// most, so that a small archive cannot fill the disk or keep the program busy for hours.
inline constexpr int MaxArchiveEntries = 10000;
inline constexpr int64_t MaxArchiveBytes = 256ll * 1024 * 1024;

// The files an import left out and why, told to the user in one box once the import is over.
class TLeftOutFiles {
public:
  void Add(const std::string& path, const std::string& reason);
  bool Empty() const { return FCount == 0; }
  int Count() const { return FCount; }
  // The box's text: the first MaxListed files with their reasons, then how many more.
  std::string Text() const;
  void Clear();
  static constexpr int MaxListed = 20;

private:
  std::vector<std::string> FLines; // the listed ones only
  int FCount = 0;
};

// Why an import left a file out, as a plain sentence: the exception's own text, or what ran out.
std::string FailureText(const std::exception& e);

// What an import stores with each title besides the file: the title text, the origin (the
// source name the duplicate test compares), and the artist and category keys.
struct TImportInput {
  std::string Title;
  std::string Origin;
  int32_t ArtistKey = 0;
  int32_t CategoryKey = 0;
};

class TArchiveForm;
class TCreateArchiveForm;

// What the imports work with: the window's message box, busy state and import-busy, the
// catalogue, the play road (its abort, and the program a title start may be waiting for), and the
// feature windows' host, which the import's own archive windows call back.
struct TImportContext {
  TMainServices& Window;
  const TMainCatalogue& Catalogue;
  TPlayRoad& Road;
  std::function<TFeatureHost&()> FeatureHost;
};

// The main window's imports: MIDI files and archives of titles into the catalogue.
class TImportCommands {
public:
  explicit TImportCommands(const TImportContext& context);
  ~TImportCommands();
  TImportCommands(const TImportCommands&) = delete;
  TImportCommands& operator=(const TImportCommands&) = delete;

  // Imports a MIDI file or a zip archive of titles by its final extension. The artist ("Last,
  // First") and category are found or made; a blank one keeps the key the last import gave.
  // result is "OK" when every title was stored.
  void AddFileByType(const std::string& fileName, const std::string& title, std::string& result,
                     bool checkDuplicates, bool quiet, const std::string& origin,
                     const std::string& artist, const std::string& category);
  // The same with the keys settled by the caller.
  void ImportFile(const std::string& fileName, const TImportInput& input, std::string& result,
                  bool checkDuplicates, bool quiet);

  // True, with result "OK", only when the title was stored. Any failure is the result text.
  bool AddMIDIToCatalogue(const std::string& fileName, const TImportInput& input, bool quiet,
                          std::string& result, bool checkDuplicates);

  // Notes the file when the last AddFileByType left it out and no box of its own told the user
  // already (a declined question tells nothing either).
  void NoteLeftOut(TLeftOutFiles& leftOut, const std::string& fileName,
                   const std::string& result) const;
  // Shows the left-out files in one box and empties the list; nothing when it is empty or the
  // program is closing.
  void TellLeftOut(TLeftOutFiles& leftOut);

  // True, with result "OK", only when every title of the archive was stored (or found, with the
  // duplicate test on).
  bool ImportArchive(const std::string& archiveName, const TImportInput& input, bool quiet,
                     std::string& result, bool checkDuplicates);
  bool PackTuneForCatalogue(const std::string& fileName, const std::string& packedName);

  // Packs a file's bytes as a stored title's archive without work files.
  bool PackTuneInMemory(const std::string& bytes, std::string& archive);

  // The zipper's and the unzipper's progress (0-100); abort answers whether to stop.
  void AZ1ArchiveProgress(int progress, bool& abort);
  void AUZ1ArchiveProgress(int progress, bool& abort);

  // The archive import window's Cancel.
  bool ExtractAbort() const { return FExtractAbort; }
  void SetExtractAbort(bool value) { FExtractAbort = value; }

  // Keys stored (or found as duplicates) by the last import, in order.
  const std::vector<int32_t>& AddedKeys() const { return FAddedKeys; }

  // After each entry of an archive import, with its 1-based number (a seam for tests).
  std::function<void(int entry)> OnArchiveEntryDone;

  // The archive windows of the creation order, or the main window's own when none was made.
  TArchiveForm& ArchiveWindow();
  TCreateArchiveForm& CreateArchiveWindow();

  // The keys an import gets when it names no artist or category: those the last import gave.
  int32_t LastArtistKey() const { return FLastKeys.ArtistKey; }
  int32_t LastCategoryKey() const { return FLastKeys.CategoryKey; }

private:
  bool StoreMIDI(const std::string& fileName, const TImportInput& input, bool quiet,
                 std::string& result, bool checkDuplicates);
  // Runs work on the file, a large one's on a thread of its own: the window answers meanwhile.
  void RunAside(const TTuneSnapshot& file, const std::function<void()>& work);
  // The file's duration as read (-1 when its MIDI data cannot be read); 0 for what is no MIDI.
  static int MeasuredSeconds(const std::string& fileName, const TTuneSnapshot& file);
  // The steps of storing one MIDI file; each false stops the add with its result set.
  bool CheckedDuration(const std::string& fileName, const TTuneSnapshot& file, int measured,
                       const TImportInput& input, bool quiet, std::string& result, int& seconds);
  bool PassesDuplicateTest(const TImportInput& input, bool quiet, std::string& result);
  bool WaitForPlayer(std::string& result);
  bool StorePacked(const std::string& fileName, const TTuneSnapshot& file,
                   const TImportInput& input, bool quiet, int seconds, std::string& result);
  void AddByKind(const std::string& fileName, const TImportInput& input, std::string& result,
                 bool checkDuplicates, bool quiet);
  // One entry of an archive: "OK", or why it was left out, naming the entry as the archive does;
  // "" when the user stopped it (the run's cancel set) or it ran past the bytes left.
  std::string ImportEntry(TArchiveReader& reader, int index, const TArchiveEntry& entry,
                          const std::string& folder, const TImportInput& archiveInput,
                          bool checkDuplicates, TArchiveRun& run);
  // Unpacks an entry to its work file and adds it under the origin given; "" as ImportEntry.
  std::string AddEntry(TArchiveReader& reader, int index, const TArchiveEntry& entry,
                       const std::string& folder, TImportInput input, bool checkDuplicates,
                       TArchiveRun& run);
  // The archive window when it shows, for the import's progress.
  TArchiveForm* ShownArchiveWindow() const;
  // Runs every entry of an open archive; the result names the first failure or the cancel.
  bool ImportEntries(TArchiveReader& reader, const std::string& folder, const TImportInput& input,
                     bool checkDuplicates, std::string& result);

  TImportContext FContext;
  TImportInput FLastKeys;
  std::unique_ptr<TArchiveForm> FOwnArchiveForm;             // when the program made none
  std::unique_ptr<TCreateArchiveForm> FOwnCreateArchiveForm; // when the program made none
  bool FExtractAbort = false;
  // A box about the last file was shown (or the user answered its question).
  bool FFileTold = false;
  std::vector<int32_t> FAddedKeys;
};
