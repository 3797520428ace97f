// Title file operations over libzip. Entry names are read raw, so ANSI names come back unchanged,
// and are always reduced to a bare name so that nothing is written outside the target folder.
#include "TuneFiles.h"
#include "Classes.h"
#include "FileOps.h"
#include "Guard.h"
#include "Handles.h"
#include "MessageBox.h"
#include "cmpMidiIterator.h"
#include <windows.h>
#include <zip.h>
#include <algorithm>
#include <cstring>
#include <new>
#include <ctime>

namespace {

// An open archive; one not closed by zip_close is discarded, which leaves its file as it was.
using TZipArchive = TUniqueHandle<TNullHandleTraits<zip_t*, zip_discard>>;
// An entry opened for reading.
using TZipEntry = TUniqueHandle<TNullHandleTraits<zip_file_t*, zip_fclose>>;
// A source the caller keeps.
using TZipSource = TUniqueHandle<TNullHandleTraits<zip_source_t*, zip_source_free>>;

bool RemoveFile(const std::string& path) {
  return DeleteFileA(path.c_str()) != 0;
}

std::string ZipErrorText(zip_error_t* error) {
  std::string text = zip_error_strerror(error);
  zip_error_fini(error);
  return text;
}

// Opens an archive through the ANSI file functions, whatever the C library's idea of names is.
zip_t* OpenArchive(const std::string& path, int flags, std::string& error) {
  zip_error_t ze;
  zip_error_init(&ze);
  zip_source_t* src = zip_source_win32a_create(path.c_str(), 0, -1, &ze);
  if (!src) {
    error = ZipErrorText(&ze);
    return nullptr;
  }
  zip_t* za = zip_open_from_source(src, flags, &ze);
  if (!za) {
    zip_source_free(src);
    error = ZipErrorText(&ze);
    return nullptr;
  }
  zip_error_fini(&ze);
  return za;
}

// Same file by identity: catches other spellings (case, short names, "..") of one file.
bool SameFile(const std::string& a, const std::string& b) {
  if (AnsiCompareText(ExpandFileName(a), ExpandFileName(b)) == 0) return true;
  auto id = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    TKernelHandle h(CreateFileA(path.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h && GetFileInformationByHandle(h.Get(), &info);
  };
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  if (!id(a, ia) || !id(b, ib)) return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow &&
         (ia.nFileIndexHigh | ia.nFileIndexLow) != 0;
}

} // namespace

std::string BareEntryName(const std::string& stored) {
  std::string name = stored;
  size_t cut = name.find_last_of("/\\");
  if (cut != std::string::npos) name = name.substr(cut + 1);
  if (name.size() >= 2 && name[1] == ':') name = name.substr(2);
  // Windows drops trailing dots and blanks, so "..", "..." and " . " would name the folder itself.
  if (name.find_first_not_of(". ") == std::string::npos) return "";
  if (name.find_first_of(":*?\"<>|") != std::string::npos) return "";
  for (unsigned char c : name)
    if (c < 32) return "";
  return name;
}

TTuneFiles::TTuneFiles() = default;

bool TTuneFiles::CopyTuneFile(const std::string& source, const std::string& target) {
  if (SameFile(source, target)) {
    std::string text = "Cannot copy " + source + " to itself!";
    if (OnMessageBox)
      OnMessageBox(text, TMessageKind::Error, 0, TMessageButtons::Cancel);
    else
      PlainMessageBox(text, "Error", TMessageKind::Error,
                      TMessageButtons::OK | TMessageButtons::Cancel);
    return false;
  }
  // The source is opened first so that a missing source leaves the target alone.
  TFileStream in(source, fmOpenRead | fmShareDenyWrite);
  TFileStream out(target, fmCreate);
  if (in.Size() > 0) out.CopyFrom(in, 0);
  return true;
}

namespace {

uint32_t LittleEndian32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Finds the "data" chunk of a RIFF file of form "RMID", reading through readAt (offset, buffer,
// count -> bytes read); the chunks before it are stepped over by their sizes, word-aligned as RIFF
// lays them out. Answers whether the chunk is there and begins as a Standard MIDI File does.
bool FindRiffMidiData(const std::function<size_t(uint64_t, void*, size_t)>& readAt,
                      uint64_t& dataAt, uint64_t& dataSize) {
  uint8_t head[12];
  if (readAt(0, head, 12) != 12 || std::memcmp(head, "RIFF", 4) != 0 ||
      std::memcmp(head + 8, "RMID", 4) != 0)
    return false;
  const uint64_t end = 8 + uint64_t(LittleEndian32(head + 4));
  for (uint64_t at = 12; at + 8 <= end;) {
    uint8_t chunk[8];
    if (readAt(at, chunk, 8) != 8) return false;
    const uint64_t size = LittleEndian32(chunk + 4);
    if (std::memcmp(chunk, "data", 4) == 0) {
      char id[4];
      dataAt = at + 8;
      dataSize = size;
      return size >= 4 && readAt(dataAt, id, 4) == 4 && std::memcmp(id, "MThd", 4) == 0;
    }
    at += 8 + size + (size & 1);
  }
  return false;
}

// The kind of a file by its first bytes, reading more of a RIFF file to find its MIDI data.
int KindOf(const std::function<size_t(uint64_t, void*, size_t)>& readAt) {
  char id[4] = {};
  if (readAt(0, id, 4) < 4) return mfOther;
  if (std::memcmp(id, "MThd", 4) == 0) return mfStandardMidi;
  uint64_t at = 0, size = 0;
  if (std::memcmp(id, "RIFF", 4) == 0 && FindRiffMidiData(readAt, at, size)) return mfRiffMidi;
  return mfOther;
}

std::function<size_t(uint64_t, void*, size_t)> FileReader(HANDLE h) {
  return [h](uint64_t offset, void* buffer, size_t count) -> size_t {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    DWORD got = 0;
    if (!SetFilePointerEx(h, to, nullptr, FILE_BEGIN) ||
        !ReadFile(h, buffer, static_cast<DWORD>(count), &got, nullptr))
      return 0;
    return got;
  };
}

std::function<size_t(uint64_t, void*, size_t)> BytesReader(const std::string& bytes) {
  return [&bytes](uint64_t offset, void* buffer, size_t count) -> size_t {
    if (offset >= bytes.size()) return 0;
    const size_t n = std::min<size_t>(count, bytes.size() - static_cast<size_t>(offset));
    std::memcpy(buffer, bytes.data() + offset, n);
    return n;
  };
}

} // namespace

int TTuneFiles::CheckMIDIHeader(const std::string& path, int64_t& size) {
  size = 0;
  TKernelHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) return mfUnreadable;
  LARGE_INTEGER li{};
  char id[4];
  DWORD got = 0;
  // A file that cannot be read at all is unreadable; one shorter than its first bytes is other.
  if (!GetFileSizeEx(h.Get(), &li) || !ReadFile(h.Get(), id, 4, &got, nullptr)) return mfUnreadable;
  size = li.QuadPart;
  if (size == 0) return mfUnreadable;
  return KindOf(FileReader(h.Get()));
}

namespace {

class TBytesSource : public TMidiSource {
public:
  TBytesSource(const char* bytes, size_t size) : FBytes(bytes), FSize(size) {}
  int32_t Read(void* buffer, int32_t count) override {
    size_t n = std::min(FSize - FAt, static_cast<size_t>(std::max(count, 0)));
    std::memcpy(buffer, FBytes + FAt, n);
    FAt += n;
    return static_cast<int32_t>(n);
  }

private:
  const char* FBytes;
  size_t FSize;
  size_t FAt = 0;
};

int64_t PackBufferLimit = 0;

// A packing buffer of that size; std::bad_alloc when there is no memory (or more than the limit).
void SizePackBuffer(std::string& buffer, size_t size) {
  if (PackBufferLimit > 0 && static_cast<int64_t>(size) > PackBufferLimit) throw std::bad_alloc();
  buffer.resize(size);
}

} // namespace

void SetPackBufferLimit(int64_t bytes) {
  PackBufferLimit = bytes;
}

TTuneSnapshot ReadTuneSnapshot(const std::string& path, int64_t maxBytes) {
  TTuneSnapshot s;
  TKernelHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!h) return s;
  // Not GetFileInformationByHandle: it asks for the volume too, which costs more than the read.
  LARGE_INTEGER size;
  FILETIME written;
  if (!GetFileSizeEx(h.Get(), &size) || !GetFileTime(h.Get(), nullptr, nullptr, &written)) return s;
  s.Size = size.QuadPart;
  s.Date = FileTimeToLocalDateTime((static_cast<uint64_t>(written.dwHighDateTime) << 32) |
                                   written.dwLowDateTime);
  if (s.Size == 0) return s;
  DWORD got = 0;
  if (s.Size <= maxBytes) {
    SizePackBuffer(s.Bytes, static_cast<size_t>(s.Size));
    if (!ReadFile(h.Get(), s.Bytes.data(), static_cast<DWORD>(s.Size), &got, nullptr)) {
      s.Bytes.clear();
      return s;
    }
    // A file that shrank meanwhile is taken as it was read.
    s.Bytes.resize(got);
    s.Size = got;
    s.Whole = true;
    s.Kind = KindOf(BytesReader(s.Bytes));
  } else {
    s.Kind = KindOf(FileReader(h.Get()));
  }
  return s;
}

namespace {
// Whole seconds of a loaded file. A duration beyond what a title keeps (a few bytes can claim
// centuries) is kept at the longest it keeps, never wrapped.
int DurationSeconds(TMidiData& data) {
  TMidiPosition position(&data);
  return static_cast<int>(std::min<int64_t>(position.DurationMs() / 1000, MaxTitleSeconds));
}
} // namespace

int TTuneFiles::GetMIDIDurationOf(const std::string& bytes) {
  // A reader of its own: an import may time a file on another thread.
  TMidiData data;
  try {
    const char* midi = bytes.data();
    size_t size = bytes.size();
    const bool riff = bytes.compare(0, 4, "RIFF") == 0;
    if (riff) {
      uint64_t at = 0, length = 0;
      if (!FindRiffMidiData(BytesReader(bytes), at, length)) return -1;
      midi += at;
      size = static_cast<size_t>(std::min<uint64_t>(length, bytes.size() - at));
    }
    TBytesSource source(midi, size);
    data.LoadFromSource(source, riff);
    return DurationSeconds(data);
  } catch (...) {
    return -1;
  }
}

int TTuneFiles::GetMIDIDuration(const std::string& path) {
  TMidiData data;
  try {
    data.SetFileName(path);
    data.SetActive(true);
    return DurationSeconds(data);
  } catch (...) {
    return -1;
  }
}

int64_t TTuneFiles::CutSilentTail(const std::string& path, int64_t tailMs) {
  TMidiData data;
  int64_t notesMs = -1;
  std::string cut;
  try {
    data.SetFileName(path);
    data.SetActive(true);
    TMidiPosition position(&data);
    notesMs = position.DurationMs();
    int32_t last = 0;
    for (int i = 0; i < data.TrackCount(); ++i)
      if (TMidiTrack* t = data.Track(i); t && t->Count() > 0)
        last = std::max(last, t->Event(t->Count() - 1).Tick);
    position.SeekTo(last);
    if (position.Milliseconds() - notesMs <= tailMs) return notesMs;
    cut = data.WrittenUpTo(position.LatestTick());
  } catch (const std::exception&) {
    return notesMs;
  }
  // Only a whole copy replaces the file; without it the sequencer plays the file as it is.
  const std::string work = path + ".cut";
  try {
    TFileStream out(work, fmCreate);
    out.WriteBuffer(cut.data(), static_cast<int32_t>(cut.size()));
  } catch (const std::exception&) {
    RemoveFile(work);
    return notesMs;
  }
  if (!MoveFileExA(work.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) RemoveFile(work);
  return notesMs;
}

bool TTuneFiles::WriteArchive(const std::vector<std::string>& files, const std::string& archive) {
  // Packed under a work name beside the archive and put in its place only when whole: a failed or
  // cancelled packing leaves the archive that was there as it was.
  const std::string work = archive + ".new";
  if (FileExists(work) && !RemoveFile(work)) return false;
  std::string error;
  TZipArchive owner(OpenArchive(work, ZIP_CREATE | ZIP_TRUNCATE, error));
  if (!owner) return false;
  zip_t* za = owner.Get();
  bool ok = true;
  for (const std::string& file : files) {
    // Names are stored bare, so two files of one name (in any letter case, as Windows sees it)
    // would be one entry twice: a later one takes the first free "name (n).ext".
    const std::string bare = ExtractFileName(file);
    std::string entry = bare;
    for (int n = 2; zip_name_locate(za, entry.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_RAW) >= 0; ++n)
      entry = ChangeFileExt(bare, "") + " (" + IntToStr(n) + ")" + ExtractFileExt(bare);
    zip_source_t* src = zip_source_win32a(za, file.c_str(), 0, -1);
    zip_int64_t index = -1;
    if (src) {
      index = zip_file_add(za, entry.c_str(), src, ZIP_FL_ENC_GUESS);
      if (index < 0) zip_source_free(src);
    }
    if (index < 0 || zip_set_file_compression(za, index, ZIP_CM_DEFLATE, 9) != 0) {
      ok = false;
      break;
    }
  }
  if (ok && OnProgress)
    zip_register_progress_callback_with_state(
        za, 0.01,
        [](zip_t*, double done, void* self) {
          GuardVoid([&] { static_cast<TTuneFiles*>(self)->OnProgress(int(done * 100 + 0.5)); });
        },
        nullptr, this);
  if (ok && OnAbortQuery)
    zip_register_cancel_callback_with_state(
        za,
        [](zip_t*, void* self) -> int {
          return Guard(1, [&] { return static_cast<TTuneFiles*>(self)->OnAbortQuery() ? 1 : 0; });
        },
        nullptr, this);
  if (!ok || zip_close(za) != 0) {
    owner.Reset();
    RemoveFile(work); // a partial archive must not pass for a good one
    return false;
  }
  owner.Release(); // zip_close freed it
  // A cancel heard with the last of the packing keeps the former archive all the same.
  const bool aborted = OnAbortQuery && Guard(true, [&] { return OnAbortQuery(); });
  if (aborted || !DefaultFileOps().RenameOver(work, archive)) {
    RemoveFile(work);
    return false;
  }
  return true;
}

bool TTuneFiles::ZipBytes(const std::string& bytes, const std::string& entryName,
                          std::string& archive) {
  archive.clear();
  zip_error_t ze;
  zip_error_init(&ze);
  zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &ze);
  zip_error_fini(&ze);
  if (!out) return false;
  TZipSource outOwner(out);
  zip_error_init(&ze);
  TZipArchive owner(zip_open_from_source(out, ZIP_TRUNCATE, &ze));
  zip_error_fini(&ze);
  if (!owner) return false;
  // The archive took the reference; one more keeps the buffer for reading once it is closed.
  zip_source_keep(out);
  zip_t* za = owner.Get();
  zip_source_t* src = zip_source_buffer(za, bytes.data(), bytes.size(), 0);
  zip_int64_t index = src ? zip_file_add(za, entryName.c_str(), src, ZIP_FL_ENC_GUESS) : -1;
  if (src && index < 0) zip_source_free(src);
  if (index < 0 || zip_set_file_compression(za, index, ZIP_CM_DEFLATE, 9) != 0 ||
      zip_file_set_mtime(za, index, time(nullptr), 0) != 0)
    return false;
  if (zip_close(za) != 0) return false;
  owner.Release(); // zip_close freed it
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_source_stat(out, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) return false;
  // Sized before the source opens: a failed allocation leaves nothing open behind it.
  SizePackBuffer(archive, static_cast<size_t>(st.size));
  if (zip_source_open(out) != 0) {
    archive.clear();
    return false;
  }
  zip_int64_t got = zip_source_read(out, archive.data(), st.size);
  zip_source_close(out);
  if (got != static_cast<zip_int64_t>(st.size)) {
    archive.clear();
    return false;
  }
  return true;
}

int TTuneFiles::ArchiveEntryCount(const std::string& archive) {
  std::string error;
  TZipArchive za(OpenArchive(archive, ZIP_RDONLY, error));
  if (!za) return -1;
  return static_cast<int>(zip_get_num_entries(za.Get(), 0));
}

bool TTuneFiles::ZipOneFile(const std::string& file, const std::string& archive) {
  return WriteArchive({file}, archive);
}

bool TTuneFiles::ZipFileList(const std::vector<std::string>& files, const std::string& archive) {
  if (files.empty()) return false;
  if (OnProgress) OnProgress(0);
  std::string name = archive;
  if (UpperCase(name).find(".ZIP") == std::string::npos) name += ".zip";
  return WriteArchive(files, name);
}

bool TTuneFiles::UnzipSingleFile(const std::string& archive, const std::string& folder,
                                 std::string& message, std::string& extractedPath) {
  extractedPath.clear();
  int64_t size = ::FileSize(archive);
  if (size == 0) {
    message = "0 bytes in archive " + archive;
    return false;
  }
  std::string error;
  TZipArchive owner(size < 0 ? nullptr : OpenArchive(archive, ZIP_RDONLY, error));
  if (!owner) {
    message = "Archive loading exception: " + (size < 0 ? "Cannot open file " + archive : error);
    return false;
  }
  zip_t* za = owner.Get();
  zip_int64_t count = zip_get_num_entries(za, 0);
  if (count != 1) {
    message = "Valid archive format but " + IntToStr(count) + " files in " + archive;
    return false;
  }
  auto fail = [&](const std::string& why) {
    message = "Exception unzipping " + archive + " : " + why;
    return false;
  };
  const char* stored = zip_get_name(za, 0, ZIP_FL_ENC_RAW);
  std::string name = BareEntryName(stored ? stored : "");
  if (name.empty()) return fail("the entry has no file name");
  std::string base = IncludeTrailingBackslash(folder);
  std::string target = base + name;
  std::string part = base + "~unzip.part";
  TZipEntry entry(zip_fopen_index(za, 0, 0));
  if (!entry) return fail(zip_error_strerror(zip_get_error(za)));
  zip_file_t* zf = entry.Get();
  bool ok = true;
  std::string why;
  try {
    TFileStream out(part, fmCreate);
    char buf[65536];
    for (;;) {
      zip_int64_t n = zip_fread(zf, buf, sizeof buf);
      if (n < 0) {
        ok = false;
        why = zip_error_strerror(zip_file_get_error(zf));
        break;
      }
      if (n == 0) break;
      out.WriteBuffer(buf, static_cast<int32_t>(n));
    }
  } catch (const std::exception& e) {
    ok = false;
    why = e.what();
  }
  entry.Reset();
  // Only a fully checked entry replaces a file of that name.
  if (ok && !MoveFileExA(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    ok = false;
    why = SysErrorMessage(GetLastError());
  }
  if (!ok) {
    RemoveFile(part);
    return fail(why);
  }
  extractedPath = target;
  message = archive + " unzipped OK to one file.";
  return true;
}

// --- many-title archives
// ----------------------------------------------------------------------------------

TArchiveReader::~TArchiveReader() {
  if (FZip) zip_discard(FZip);
}

bool TArchiveReader::Open(const std::string& archive, std::string& error) {
  if (FZip) zip_discard(FZip);
  FZip = OpenArchive(archive, ZIP_RDONLY, error);
  return FZip != nullptr;
}

int TArchiveReader::Count() const {
  return FZip ? static_cast<int>(zip_get_num_entries(FZip, 0)) : 0;
}

TArchiveEntry TArchiveReader::Entry(int index) const {
  TArchiveEntry e;
  if (!FZip) return e;
  const char* stored = zip_get_name(FZip, index, ZIP_FL_ENC_RAW);
  e.Stored = stored ? stored : "";
  e.Folder = !e.Stored.empty() && (e.Stored.back() == '/' || e.Stored.back() == '\\');
  e.Name = e.Folder ? "" : BareEntryName(e.Stored);
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(FZip, index, ZIP_FL_ENC_RAW, &st) == 0) {
    if (st.valid & ZIP_STAT_SIZE) e.Size = static_cast<int64_t>(st.size);
    if (st.valid & ZIP_STAT_CRC) e.Crc = st.crc;
    e.Encrypted = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
  }
  return e;
}

namespace {

// Why an entry could not be opened: "encrypted" when it needs a password, else the library's text.
std::string OpenFailure(zip_t* za) {
  zip_error_t* error = zip_get_error(za);
  switch (zip_error_code_zip(error)) {
  case ZIP_ER_NOPASSWD:
  case ZIP_ER_WRONGPASSWD:
  case ZIP_ER_ENCRNOTSUPP:
    return "encrypted";
  default:
    return zip_error_strerror(error);
  }
}

} // namespace

bool TArchiveReader::Extract(int index, const std::string& target, int64_t maxSize,
                             std::string& why, const std::function<bool(int)>& progress) {
  TArchiveEntry e = Entry(index);
  if (e.Size > maxSize) {
    why = EntryTooLarge;
    return false;
  }
  TZipEntry entry(FZip ? zip_fopen_index(FZip, index, 0) : nullptr);
  zip_file_t* zf = entry.Get();
  if (!zf) {
    why = FZip ? OpenFailure(FZip) : "no archive";
    return false;
  }
  bool ok = true;
  try {
    TFileStream out(target, fmCreate);
    char buf[65536];
    int64_t done = 0;
    for (;;) {
      zip_int64_t n = zip_fread(zf, buf, sizeof buf);
      if (n < 0) {
        ok = false;
        why = zip_error_strerror(zip_file_get_error(zf));
        break;
      }
      if (n == 0) break;
      done += n;
      // The declared size may lie: what is really written is bounded too.
      if (done > maxSize) {
        ok = false;
        why = EntryTooLarge;
        break;
      }
      out.WriteBuffer(buf, static_cast<int32_t>(n));
      if (progress &&
          progress(e.Size > 0 ? static_cast<int>(std::min<int64_t>(done * 100 / e.Size, 100))
                              : 100)) {
        ok = false;
        why = "cancelled";
        break;
      }
    }
  } catch (const std::exception& ex) {
    ok = false;
    why = ex.what();
  }
  entry.Reset();
  if (!ok) RemoveFile(target);
  return ok;
}

namespace {

// Reads until the buffer is full or the entry ends: the count read, -1 on a read error.
zip_int64_t ReadFull(zip_file_t* zf, std::string& buffer) {
  zip_int64_t got = 0;
  const auto size = static_cast<zip_int64_t>(buffer.size());
  while (got < size) {
    zip_int64_t n = zip_fread(zf, buffer.data() + got, static_cast<zip_uint64_t>(size - got));
    if (n < 0) return -1;
    if (n == 0) break;
    got += n;
  }
  return got;
}

} // namespace

bool TArchiveReader::SameBytes(int a, int b) {
  if (!FZip) return false;
  TZipEntry first(zip_fopen_index(FZip, a, 0));
  TZipEntry second(zip_fopen_index(FZip, b, 0));
  if (!first || !second) return false;
  std::string x(65536, '\0'), y(65536, '\0');
  for (;;) {
    zip_int64_t n = ReadFull(first.Get(), x);
    zip_int64_t m = ReadFull(second.Get(), y);
    if (n < 0 || m < 0 || n != m) return false;
    if (n == 0) return true;
    if (std::memcmp(x.data(), y.data(), static_cast<size_t>(n)) != 0) return false;
  }
}
