// Importing files and zip archives of titles into the catalogue.
#include "HourGlass.h"
#include "ImportCommands.h"
#include <windows.h>
#include <algorithm>
#include <map>
#include <new>
#include <set>
#include "FolderTools.h"
#include "ArchiveCodeD2.h"
#include "CreateArchiveCodeD2.h"
#include "Crc32.h"
#include "FeatureHost.h"
#include "MainCatalogue.h"
#include "MainServices.h"
#include "PlayRoad.h"
#include "ProgramWide.h"
#include "TuneFiles.h"
#include "Messages.h"
#include "SysUtils.h"
#include "Threads.h"
#include "DataCodeD2.h"

// --- rules without a window
// ------------------------------------------------------------------------

TImportKind ImportKindOf(const std::string& fileName) {
  std::string name = ExtractFileName(fileName);
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos) return TImportKind::None;
  std::string ext = UpperCase(name.substr(dot));
  if (ext == ".MID" || ext == ".MIDI" || ext == ".RMI") return TImportKind::Midi;
  if (ext == ".ZIP") return TImportKind::Archive;
  return TImportKind::None;
}

void TitleAndTypeOf(const std::string& addTitle, std::string& title, std::string& fileType) {
  title = Trim(addTitle);
  fileType = "MIDI";
  auto cutWhenFirstAtEnd = [&title](const char* ext) {
    std::string upper = UpperCase(title);
    size_t at = upper.find(ext);
    if (title.size() > 4 && at != std::string::npos && at == title.size() - 4) {
      title.resize(title.size() - 4);
      return true;
    }
    return false;
  };
  cutWhenFirstAtEnd(".MID");
  if (cutWhenFirstAtEnd(".RMI")) fileType = "RMI";
  std::replace(title.begin(), title.end(), '_', ' ');
}

void SplitAtComma(const std::string& text, std::string& lastName, std::string& firstName) {
  size_t comma = text.find(',');
  if (comma == std::string::npos) {
    lastName = Trim(text);
    firstName.clear();
    return;
  }
  lastName = Trim(text.substr(0, comma));
  firstName = Trim(text.substr(comma + 1));
}

std::string StoredOrigin(const std::string& origin) {
  return Trim(origin).substr(0, OriginRoom);
}

bool ParseNVRequest(const std::string& text, TNVRequest& request) {
  if (text.compare(0, 2, "NV") != 0) return false;
  std::string rest = text.substr(2);
  size_t bracket = rest.find('[');
  // The path must come before the "[", and something after it.
  if (bracket == std::string::npos || bracket == 0 || rest.size() <= 2) return false;
  request.Path = UnquotedPath(rest.substr(0, bracket));
  request.Address = rest.substr(bracket + 1);
  size_t slash = request.Address.find_last_of('/');
  request.Title = slash == std::string::npos ? request.Address : request.Address.substr(slash + 1);
  request.Origin = Trim(request.Address);
  return true;
}

std::string UnquotedPath(const std::string& path) {
  std::string p = Trim(path);
  if (p.size() >= 2 && p.front() == '"' && p.back() == '"') p = p.substr(1, p.size() - 2);
  return p;
}

std::string DropTitleOf(const std::string& path) {
  std::string name = ExtractFileName(path);
  return name.substr(0, name.find('.'));
}

void TLeftOutFiles::Add(const std::string& path, const std::string& reason) {
  ++FCount;
  if (static_cast<int>(FLines.size()) >= MaxListed) return;
  // A result that names the file already is its own line.
  FLines.push_back(reason.compare(0, path.size(), path) == 0 ? reason : path + ": " + reason);
}

std::string TLeftOutFiles::Text() const {
  std::string text =
      FCount == 1 ? "This file was not added to the database:\r\n"
                  : "These " + IntToStr(FCount) + " files were not added to the database:\r\n";
  for (const std::string& line : FLines)
    text += "\r\n" + line;
  if (FCount > static_cast<int>(FLines.size()))
    text += "\r\n\r\nand " + IntToStr(FCount - static_cast<int>(FLines.size())) + " more";
  return text;
}

void TLeftOutFiles::Clear() {
  FLines.clear();
  FCount = 0;
}

namespace {
// A failure that says nothing of itself.
const char* const UnknownFailure = "The file could not be added";
} // namespace

std::string FailureText(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e))
    return "There was not enough memory to read and pack the file";
  std::string what = Trim(e.what());
  return what.empty() ? UnknownFailure : what;
}

// --- import-busy
// -----------------------------------------------------------------------------------

TImportScope::TImportScope(TMainServices& window, TMyDB* store) : FWindow(window), FStore(store) {
  FWindow.EnterImport();
  if (FStore) FStore->HoldSaveFailures();
}

TImportScope::~TImportScope() {
  if (FStore) {
    try {
      FStore->ReleaseSaveFailures();
    } catch (const std::exception&) {
      // The box could not be shown; the failure stays to be found at the next save.
    }
  }
  FWindow.LeaveImport();
}

namespace {

// The name of a title's one entry in its stored archive, and of the work copy it is packed from.
const char* const PackEntryName = "AAATune.TTT";
// Files up to this size are read once and packed in memory; larger ones go through work files.
constexpr int64_t InMemoryPackLimit = 64 << 20;
// Files above this size are timed and packed on a thread of their own, so that the window answers
// meanwhile; smaller ones are done sooner than a thread is made.
constexpr int64_t AsideBytes = 1 << 20;
// Work aside that takes longer than this marks the window busy.
constexpr uint32_t QuickWorkMs = 100;

bool RemoveWorkFile(const std::string& path) {
  return !FileExists(path) || DeleteFileA(path.c_str()) != 0;
}

} // namespace

// --- the main window's import routines
// -------------------------------------------------------------

void TImportCommands::AddFileByType(const std::string& fileName, const std::string& title,
                                    std::string& result, bool checkDuplicates, bool quiet,
                                    const std::string& origin, const std::string& artist,
                                    const std::string& category) {
  TImportScope busy(FContext.Window, FContext.Catalogue.Store());
  result.clear();
  FAddedKeys.clear();
  FFileTold = false;
  TImportInput input = FLastKeys;
  input.Title = title;
  input.Origin = origin;
  try {
    // A given category or artist applies to this import, quiet or not; a blank one is none.
    if (!Trim(category).empty() && FContext.Catalogue.CatList())
      input.CategoryKey = FContext.Catalogue.CatList()->FindOrAddCategory(Trim(category));
    std::string last, first;
    SplitAtComma(artist, last, first);
    TPerfList* artists = FContext.Catalogue.Artists();
    if ((!last.empty() || !first.empty()) && artists)
      input.ArtistKey = artists->FindOrAddPerformer(first, last);
  } catch (const std::exception& e) {
    result = FailureText(e);
    return;
  }
  ImportFile(fileName, input, result, checkDuplicates, quiet);
}

void TImportCommands::ImportFile(const std::string& fileName, const TImportInput& input,
                                 std::string& result, bool checkDuplicates, bool quiet) {
  TImportScope busy(FContext.Window, FContext.Catalogue.Store());
  result.clear();
  FAddedKeys.clear();
  FFileTold = false;
  FLastKeys.ArtistKey = input.ArtistKey;
  FLastKeys.CategoryKey = input.CategoryKey;
  try {
    AddByKind(fileName, input, result, checkDuplicates, quiet);
  } catch (const std::exception& e) {
    result = FailureText(e);
  } catch (...) {
    result = UnknownFailure;
  }
}

void TImportCommands::AddByKind(const std::string& fileName, const TImportInput& input,
                                std::string& result, bool checkDuplicates, bool quiet) {
  switch (ImportKindOf(fileName)) {
  case TImportKind::Midi:
    AddMIDIToCatalogue(fileName, input, quiet, result, checkDuplicates);
    break;
  case TImportKind::Archive: {
    int count = TTuneFiles::ArchiveEntryCount(fileName);
    if (count < 5) {
      auto hourglass = HourGlass();
      FExtractAbort = false;
      ImportArchive(fileName, input, quiet, result, checkDuplicates);
    } else {
      TArchiveForm& window = ArchiveWindow();
      window.SetBounds(window.Left(), window.Top(), 501, 190);
      FContext.Window.CenterOverMainWindow(window);
      window.StartExtract(fileName, quiet, count, checkDuplicates);
      window.SetImportInput(input);
      window.ShowModal();
      result = window.Result();
      if (FContext.Catalogue.CatList()) {
        FContext.Catalogue.CatList()->ResortAll();
        FContext.Catalogue.CatList()->UpdateAllSummaries();
      }
    }
    break;
  }
  case TImportKind::None:
    break;
  }
}

bool TImportCommands::AddMIDIToCatalogue(const std::string& fileName, const TImportInput& input,
                                         bool quiet, std::string& result, bool checkDuplicates) {
  FFileTold = false;
  try {
    return StoreMIDI(fileName, input, quiet, result, checkDuplicates);
  } catch (const std::exception& e) {
    result = FailureText(e);
  } catch (...) {
    result = UnknownFailure;
  }
  return false;
}

bool TImportCommands::StoreMIDI(const std::string& fileName, const TImportInput& input, bool quiet,
                                std::string& result, bool checkDuplicates) {
  if (FContext.Road.Aborted()) return false;
  // One read serves the header check, the duration, the CRC and the packing.
  const TTuneSnapshot file = ReadTuneSnapshot(fileName, InMemoryPackLimit);
  int measured = 0;
  RunAside(file, [&] { measured = MeasuredSeconds(fileName, file); });
  int seconds = 0;
  if (!CheckedDuration(fileName, file, measured, input, quiet, result, seconds)) return false;
  if (checkDuplicates && !PassesDuplicateTest(input, quiet, result)) return false;
  if (!WaitForPlayer(result)) return false;
  if (!StorePacked(fileName, file, input, quiet, seconds, result)) return false;
  result = "OK";
  return true;
}

void TImportCommands::RunAside(const TTuneSnapshot& file, const std::function<void()>& work) {
  if (file.Size <= AsideBytes) {
    work();
    return;
  }
  TAsideWork aside(work);
  // A small file is done before anyone could notice; a large one marks the window busy and lets
  // it answer meanwhile (a second start handing files over, a repaint, the player's timer).
  if (!aside.WaitQuietly(QuickWorkMs)) {
    TBusyState busy(FContext.Window.Busy());
    aside.WaitRunningMessages();
  }
  aside.Rethrow();
}

int TImportCommands::MeasuredSeconds(const std::string& fileName, const TTuneSnapshot& file) {
  if (file.Kind != mfStandardMidi && file.Kind != mfRiffMidi) return 0;
  if (file.Size < 6 || file.Size > INT32_MAX) return 0;
  return file.Whole ? TTuneFiles::GetMIDIDurationOf(file.Bytes)
                    : TTuneFiles::GetMIDIDuration(fileName);
}

bool TImportCommands::CheckedDuration(const std::string& fileName, const TTuneSnapshot& file,
                                      int measured, const TImportInput& input, bool quiet,
                                      std::string& result, int& seconds) {
  const int kind = file.Kind;
  const int64_t size = file.Size;
  if (kind == mfOther) {
    if (!quiet)
      FContext.Window.ShowMessageBox(
          input.Origin + " is not a valid MIDI file.\r\nIt will not be added to the database",
          TMessageKind::Information, 0, TMessageButtons::OK);
    FFileTold = !quiet;
    result = fileName + " is not a MIDI file, has " + IntToStr(size) + " bytes";
    return false;
  }
  // Below 6 bytes nothing can be a title; beyond 2 GB the record could not hold the size.
  if (kind == mfUnreadable || size < 6 || size > INT32_MAX) {
    result = "Invalid file size";
    return false;
  }
  // A RIFF file is read as closely as a Standard MIDI File, but its duration is left to its first
  // play (the catalogue has always kept it so).
  seconds = kind == mfStandardMidi || measured == -1 ? measured : 0;
  if (seconds != -1) return true;
  if (quiet) {
    result = "Corrupted MIDI file";
    return false;
  }
  FContext.Window.Beep();
  if (FContext.Window.ShowMessageBox(
          "\"" + input.Title + "\" is not in the right format and may be corrupted." +
              "\r\n\r\nAdd it anyway?",
          TMessageKind::Error, 0,
          TMessageButtons::Yes | TMessageButtons::No) == TMessageAnswer::Yes)
    return true;
  FFileTold = true;
  result = "Corrupted MIDI file";
  return false;
}

bool TImportCommands::PassesDuplicateTest(const TImportInput& input, bool quiet,
                                          std::string& result) {
  TMyDB* store = FContext.Catalogue.Store();
  if (!store) return true;
  int32_t found = -1;
  if (!store->FindIdByFileName(StoredOrigin(input.Origin), found)) return true;
  if (quiet) {
    result = "Duplicate";
    FAddedKeys.push_back(found);
    return false;
  }
  if (FContext.Window.ShowMessageBox(
          input.Origin + " already exists in database. Add it anyway?", TMessageKind::Confirmation,
          0, TMessageButtons::Yes | TMessageButtons::No) == TMessageAnswer::Yes)
    return true;
  FFileTold = true;
  return false;
}

bool TImportCommands::WaitForPlayer(std::string& result) {
  // The player's start uses the same zip and reader; it ends before an import goes on.
  // A start beneath this import (its pump ran the import) cannot end first: give up then.
  // Messages run only when there is something to wait for.
  TPlayRoad& road = FContext.Road;
  auto playerFree = [&road] {
    return road.Aborted() || (!road.StartInProgress() && !road.Program().Stepping());
  };
  bool free = playerFree() || WaitFor(playerFree, 10000);
  if (road.Aborted()) return false;
  if (!free) {
    result = "The player is busy";
    return false;
  }
  return true;
}

bool TImportCommands::StorePacked(const std::string& fileName, const TTuneSnapshot& file,
                                  const TImportInput& input, bool quiet, int seconds,
                                  std::string& result) {
  std::string title, fileType;
  TitleAndTypeOf(input.Title, title, fileType);
  const TDateTime fileDate = file.Date;
  uint32_t crc = 0;
  std::string archive, packed;
  // The packed work file goes however the add ends.
  TScopeExit packedGone([&packed] {
    if (!packed.empty()) RemoveWorkFile(packed);
  });
  bool packedInMemory = false;
  RunAside(file, [&] {
    crc = file.Whole ? Crc32Update(0, file.Bytes.data(), file.Bytes.size())
                     : FileCRC32(fileName).value_or(0);
    if (file.Whole) packedInMemory = PackTuneInMemory(file.Bytes, archive);
  });
  if (file.Whole) {
    if (!packedInMemory) {
      result = "Could not pack " + fileName;
      return false;
    }
  } else {
    packed = WorkFolder("TempZips") + "AAATune.Zzz";
    if (!PackTuneForCatalogue(fileName, packed)) {
      result = "Could not pack " + fileName;
      return false;
    }
  }
  int32_t key = -1;
  bool stored = false;
  const int32_t size = static_cast<int32_t>(file.Size);
  try {
    if (TDMM2* store = FContext.Catalogue.DMM2())
      stored = file.Whole ? store->AddPackedTune(archive, title, fileDate, quiet, Now(), seconds,
                                                 crc, size, input.ArtistKey, input.CategoryKey,
                                                 fileType, input.Origin, &key)
                          : store->AddTune(packed, title, fileDate, quiet, Now(), seconds, crc,
                                           size, input.ArtistKey, input.CategoryKey, fileType,
                                           input.Origin, &key);
    if (!stored) result = "The database is not open";
  } catch (const std::exception& e) {
    result = FailureText(e);
  }
  if (!stored) return false;
  FAddedKeys.push_back(key);
  return true;
}

void TImportCommands::NoteLeftOut(TLeftOutFiles& leftOut, const std::string& fileName,
                                  const std::string& result) const {
  if (result == "OK" || FFileTold) return;
  if (!result.empty())
    leftOut.Add(fileName, result);
  else if (ImportKindOf(fileName) == TImportKind::None)
    leftOut.Add(fileName, "not a MIDI file (.mid, .midi, .rmi) or a zip archive (.zip)");
}

void TImportCommands::TellLeftOut(TLeftOutFiles& leftOut) {
  if (leftOut.Empty()) return;
  const std::string text = leftOut.Text();
  leftOut.Clear();
  if (FContext.Road.Aborted() || FContext.Window.Closed()) return;
  FContext.Window.ShowMessageBox(text, TMessageKind::Warning, 0, TMessageButtons::OK);
}

bool TImportCommands::PackTuneForCatalogue(const std::string& fileName,
                                           const std::string& packedName) {
  std::string copy = WorkFolder("TempZips") + PackEntryName;
  if (!RemoveWorkFile(copy)) return false;
  bool ok = false;
  try {
    ok = FContext.Catalogue.TuneFiles().CopyTuneFile(fileName, copy) &&
         FContext.Catalogue.TuneFiles().ZipOneFile(copy, packedName);
  } catch (const std::exception&) {
    ok = false;
  }
  RemoveWorkFile(copy);
  return ok;
}

bool TImportCommands::PackTuneInMemory(const std::string& bytes, std::string& archive) {
  // The entry is named as the file route names it, after its work copy. A work copy left behind
  // that cannot be cleared means another program holds the work folder: nothing is packed then,
  // on either route.
  if (!RemoveWorkFile(WorkFolder("TempZips") + PackEntryName)) return false;
  return TTuneFiles::ZipBytes(bytes, PackEntryName, archive);
}

TArchiveForm* TImportCommands::ShownArchiveWindow() const {
  TArchiveForm* window = ArchiveFrm ? ArchiveFrm : FOwnArchiveForm.get();
  return window && window->Visible() ? window : nullptr;
}

bool TImportCommands::ImportArchive(const std::string& archiveName, const TImportInput& input,
                                    bool quiet, std::string& result, bool checkDuplicates) {
  (void)quiet; // every title of an archive is added quietly
  TImportScope busy(FContext.Window, FContext.Catalogue.Store());
  result.clear();
  if (!FileExists(archiveName)) {
    result = "No archive found";
    return false;
  }
  TArchiveReader reader;
  std::string error;
  if (!reader.Open(archiveName, error)) {
    result = "Error decompressing: " + error;
    return false;
  }
  if (reader.Count() == 0) {
    result = "Empty archive";
    return false;
  }
  // Each entry is written under a work name of its own in a folder of its own; stored names
  // never reach the file system.
  const std::string folder = ProgramFolder() + "ForTempZips\\";
  ForceDirectories(folder);
  // The work folder goes however the import ends.
  TScopeExit cleanUp([&folder] {
    try {
      ClearDirectory(folder, "*.*");
    } catch (const std::exception&) {
      // What could not be cleared stays; the folder's removal below then fails as well.
    }
    RemoveDirectoryA(folder.c_str());
  });
  return ImportEntries(reader, folder, input, checkDuplicates, result);
}

// What one archive import keeps from entry to entry.
struct TArchiveRun {
  // Origins given so far, as stored, and the entries that asked for each one first.
  std::set<std::string> Given;
  std::map<std::string, std::vector<int>> Asked;
  int64_t BytesLeft = MaxArchiveBytes;
  bool Full = false; // the bytes ran out: later entries are past the limits
  std::vector<int32_t> Keys;
  std::string FirstFailure;
  int Failed = 0, PastLimits = 0, Processed = 0;
  bool Cancelled = false;
};

namespace {

// An origin for an entry whose plain one an earlier entry has: its number in the archive after
// it, within the record's room so that the two stay apart as stored.
std::string MarkedOrigin(const std::string& stored, int index, const std::set<std::string>& given) {
  for (int n = 1;; ++n) {
    const std::string mark =
        " (entry " + IntToStr(index + 1) + (n > 1 ? ", " + IntToStr(n) : "") + ")";
    std::string origin = stored.substr(0, OriginRoom - mark.size()) + mark;
    if (!given.count(origin)) return origin;
  }
}

// The archive's result: "OK", or what was cancelled and left out, and how many entries.
std::string ArchiveResult(const TArchiveRun& run, int count) {
  std::vector<std::string> parts;
  if (run.Cancelled)
    parts.push_back("the import was cancelled after " + IntToStr(run.Processed) + " of " +
                    IntToStr(count) + " entries");
  if (!run.FirstFailure.empty()) parts.push_back(run.FirstFailure);
  if (run.PastLimits > 0)
    parts.push_back(IntToStr(run.PastLimits) + " entries past the limits of " +
                    IntToStr(MaxArchiveEntries) + " entries and " +
                    IntToStr(MaxArchiveBytes >> 20) + " MB unpacked in all");
  if (parts.empty()) return "OK";
  std::string text = "OK decompressing but " + parts[0];
  for (size_t i = 1; i < parts.size(); ++i)
    text += "; " + parts[i];
  const int leftOut = run.Failed + run.PastLimits;
  if (leftOut > 0)
    text += " (" + IntToStr(leftOut) + " of " + IntToStr(count) + " entries left out)";
  return text;
}

} // namespace

bool TImportCommands::ImportEntries(TArchiveReader& reader, const std::string& folder,
                                    const TImportInput& input, bool checkDuplicates,
                                    std::string& result) {
  const int count = reader.Count();
  TArchiveForm* window = ShownArchiveWindow();
  if (window) {
    window->GroupBox1->SetCaption(" Extracting " + IntToStr(count) + " files from archive ");
    window->Repaint();
  }
  TArchiveRun run;
  for (int i = 0; i < count; ++i) {
    const TArchiveEntry entry = reader.Entry(i);
    // Past the limits the entries are only counted.
    if (!run.Full && !entry.Folder && entry.Size <= MaxEntrySize && entry.Size > run.BytesLeft)
      run.Full = true;
    if (i >= MaxArchiveEntries || run.Full) {
      run.PastLimits += entry.Folder ? 0 : 1;
      continue;
    }
    if (FContext.Road.Aborted() || FExtractAbort) {
      run.Cancelled = true;
      break;
    }
    std::string r;
    // One entry's failure is its result; the next entry goes on.
    try {
      r = ImportEntry(reader, i, entry, folder, input, checkDuplicates, run);
    } catch (const std::exception& e) {
      r = (entry.Stored.empty() ? "entry " + IntToStr(i + 1) : entry.Stored) + ": " +
          FailureText(e);
    }
    if (run.Cancelled) break;
    if (r.empty()) {
      ++run.PastLimits; // it ran past the bytes left
    } else if (r != "OK") {
      ++run.Failed;
      if (run.FirstFailure.empty()) run.FirstFailure = r;
    }
    ++run.Processed;
    if (window) window->EPB2->SetPosition(i + 1);
    if (OnArchiveEntryDone) OnArchiveEntryDone(i + 1);
  }
  FAddedKeys = run.Keys;
  result = ArchiveResult(run, count);
  return result == "OK";
}

std::string TImportCommands::ImportEntry(TArchiveReader& reader, int index,
                                         const TArchiveEntry& entry, const std::string& folder,
                                         const TImportInput& archiveInput, bool checkDuplicates,
                                         TArchiveRun& run) {
  if (entry.Folder) return "OK";
  const std::string label = entry.Stored.empty() ? "entry " + IntToStr(index + 1) : entry.Stored;
  if (entry.Name.empty()) return label + ": name refused";
  if (entry.Encrypted) return label + ": encrypted";
  if (entry.Size > MaxEntrySize)
    return label + ": larger than " + IntToStr(MaxEntrySize >> 20) + " MB";
  // Each entry is named by itself and comes from the archive's origin; entries that would share
  // one stay apart, the first keeping the plain one.
  TImportInput input = archiveInput;
  input.Title = entry.Name;
  input.Origin = archiveInput.Origin + "+" + entry.Name;
  const std::string plain = StoredOrigin(input.Origin);
  std::vector<int>& asked = run.Asked[plain];
  for (int earlier : asked) {
    const TArchiveEntry twin = reader.Entry(earlier);
    // The same bytes under the same name again is a duplicate, not a title of its own.
    if (checkDuplicates && twin.Size == entry.Size && twin.Crc == entry.Crc &&
        reader.SameBytes(earlier, index)) {
      run.BytesLeft -= entry.Size;
      return label + ": Duplicate of entry " + IntToStr(earlier + 1);
    }
  }
  asked.push_back(index);
  if (run.Given.count(plain)) input.Origin = MarkedOrigin(plain, index, run.Given);
  run.Given.insert(StoredOrigin(input.Origin));
  std::string r = AddEntry(reader, index, entry, folder, input, checkDuplicates, run);
  if (r == "OK" || r.empty()) return r; // "" when cancelled or past the limits
  // The result names the entry, never its work file.
  const std::string work = folder + "entry" + IntToStr(index + 1) + ".tmp";
  if (r.compare(0, work.size(), work) == 0) return label + r.substr(work.size());
  return label + ": " + StringReplaceAll(r, work, label);
}

std::string TImportCommands::AddEntry(TArchiveReader& reader, int index, const TArchiveEntry& entry,
                                      const std::string& folder, TImportInput input,
                                      bool checkDuplicates, TArchiveRun& run) {
  const std::string work = folder + "entry" + IntToStr(index + 1) + ".tmp";
  TScopeExit workGone([&work] { RemoveWorkFile(work); });
  std::string why;
  bool stop = false;
  const int64_t limit = std::min(MaxEntrySize, run.BytesLeft);
  const bool extracted = reader.Extract(index, work, limit, why, [this, &stop](int percent) {
    AUZ1ArchiveProgress(percent, stop);
    return stop;
  });
  if (stop) {
    run.Cancelled = true;
    return "";
  }
  const bool tooLarge = !extracted && why == EntryTooLarge;
  run.BytesLeft -= tooLarge ? limit : std::max(entry.Size, extracted ? FileSize(work) : 0);
  if (tooLarge) {
    // Past the bytes left, not past the entry limit: the limits end the import here.
    if (limit < MaxEntrySize) {
      run.BytesLeft = 0;
      run.Full = true;
      return "";
    }
    return "larger than " + IntToStr(MaxEntrySize >> 20) + " MB";
  }
  if (!extracted) return why == "encrypted" ? why : "read error (" + why + ")";
  FAddedKeys.clear();
  std::string r;
  AddMIDIToCatalogue(work, input, true, r, checkDuplicates);
  // A title already in the catalogue counts as found when duplicates are not added again.
  if (r == "Duplicate" && checkDuplicates) r = "OK";
  run.Keys.insert(run.Keys.end(), FAddedKeys.begin(), FAddedKeys.end());
  return r.empty() ? "not added" : r;
}

void TImportCommands::AZ1ArchiveProgress(int progress, bool& abort) {
  LetMessagesRun();
  TCreateArchiveForm* window = FOwnCreateArchiveForm.get();
  if (CreateArchiveFrm) window = CreateArchiveFrm;
  const bool shown = window && window->Visible();
  abort = FContext.Road.Aborted() || (shown && window->Cancelled());
  if (shown && progress >= 0) window->EPB2->SetPosition(progress);
}

void TImportCommands::AUZ1ArchiveProgress(int progress, bool& abort) {
  FContext.Window.RunImportPump();
  TArchiveForm* window = ShownArchiveWindow();
  abort = FContext.Road.Aborted() || (window && FExtractAbort);
  if (window) window->EPB1->SetPosition(progress);
}

TArchiveForm& TImportCommands::ArchiveWindow() {
  if (ArchiveFrm) return *ArchiveFrm;
  if (!FOwnArchiveForm) {
    FOwnArchiveForm = std::make_unique<TArchiveForm>(nullptr);
    FOwnArchiveForm->SetHost(&FContext.FeatureHost());
  }
  return *FOwnArchiveForm;
}

TCreateArchiveForm& TImportCommands::CreateArchiveWindow() {
  if (CreateArchiveFrm) return *CreateArchiveFrm;
  if (!FOwnCreateArchiveForm) {
    FOwnCreateArchiveForm = std::make_unique<TCreateArchiveForm>(nullptr);
    FOwnCreateArchiveForm->SetHost(&FContext.FeatureHost());
  }
  return *FOwnCreateArchiveForm;
}

TImportCommands::TImportCommands(const TImportContext& context) : FContext(context) {}

TImportCommands::~TImportCommands() = default;
