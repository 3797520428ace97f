// String lists and streams of the class library.
#include "Classes.h"
#include <windows.h>
#include <algorithm>

// --- TStringList ---------------------------------------------------------------------------------
void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

const std::string& TStringList::Strings(int index) const {
  CheckIndex(index);
  return FItems[index].S;
}

void TStringList::SetStrings(int index, const std::string& value) {
  CheckIndex(index);
  FItems[index].S = value;
}

void* TStringList::Objects(int index) const {
  CheckIndex(index);
  return FItems[index].Object;
}

void TStringList::SetObjects(int index, void* value) {
  CheckIndex(index);
  FItems[index].Object = value;
}

int TStringList::CompareStrings(const std::string& a, const std::string& b) const {
  return FCaseSensitive ? CompareStr(a, b) : CompareText(a, b);
}

int TStringList::Add(const std::string& s) {
  return AddObject(s, nullptr);
}

void TStringList::AddStrings(const TStringList& other) {
  for (const auto& item : other.FItems)
    AddObject(item.S, item.Object);
}

int TStringList::AddObject(const std::string& s, void* object) {
  if (!FSorted) {
    FItems.push_back({s, object});
    return Count() - 1;
  }
  int index;
  if (Find(s, index)) {
    if (FDuplicates == TDuplicates::dupIgnore) return index;
    if (FDuplicates == TDuplicates::dupError)
      throw EStringListError("String list does not allow duplicates");
  }
  FItems.insert(FItems.begin() + index, {s, object});
  return index;
}

void TStringList::Insert(int index, const std::string& s) {
  InsertObject(index, s, nullptr);
}

void TStringList::InsertObject(int index, const std::string& s, void* object) {
  if (FSorted) throw EStringListError("Operation not allowed on sorted string list");
  if (index < 0 || index > Count())
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
  FItems.insert(FItems.begin() + index, {s, object});
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  FItems.erase(FItems.begin() + index);
}

void TStringList::Move(int from, int to) {
  CheckIndex(from);
  CheckIndex(to);
  Item item = FItems[from];
  FItems.erase(FItems.begin() + from);
  FItems.insert(FItems.begin() + to, item);
}

void TStringList::Exchange(int a, int b) {
  CheckIndex(a);
  CheckIndex(b);
  std::swap(FItems[a], FItems[b]);
}

void TStringList::Clear() {
  FItems.clear();
}

int TStringList::IndexOf(const std::string& s) const {
  if (FSorted) {
    int index;
    return Find(s, index) ? index : -1;
  }
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(FItems[i].S, s) == 0) return i;
  return -1;
}

int TStringList::IndexOfObject(const void* object) const {
  for (int i = 0; i < Count(); ++i)
    if (FItems[i].Object == object) return i;
  return -1;
}

bool TStringList::Find(const std::string& s, int& index) const {
  int lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int c = CompareStrings(FItems[mid].S, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (FDuplicates != TDuplicates::dupAccept) lo = mid;
      }
    }
  }
  index = lo;
  return found;
}

void TStringList::SetSorted(bool value) {
  if (value && !FSorted) {
    FSorted = true;
    Sort();
  }
  FSorted = value;
}

void TStringList::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [this](const Item& a, const Item& b) { return CompareStrings(a.S, b.S) < 0; });
}

std::string TStringList::Text() const {
  std::string r;
  for (const Item& item : FItems) {
    r += item.S;
    r += "\r\n";
  }
  return r;
}

void TStringList::SetText(const std::string& value) {
  FItems.clear();
  size_t i = 0, n = value.size();
  while (i < n) {
    size_t start = i;
    while (i < n && value[i] != '\r' && value[i] != '\n')
      ++i;
    std::string line = value.substr(start, i - start);
    if (i < n && value[i] == '\r') ++i;
    if (i < n && value[i] == '\n') ++i;
    if (FSorted)
      Add(line);
    else
      FItems.push_back({line, nullptr});
  }
}

std::string TStringList::CommaText() const {
  std::string r;
  for (int i = 0; i < Count(); ++i) {
    if (i) r += ',';
    const std::string& s = FItems[i].S;
    bool quote = s.empty() || s.find_first_of(" ,\"") != std::string::npos;
    if (!quote) {
      r += s;
      continue;
    }
    r += '"';
    for (char c : s) {
      if (c == '"') r += '"';
      r += c;
    }
    r += '"';
  }
  return r;
}

void TStringList::LoadFromFile(const std::string& path) {
  TMemoryStream m;
  m.LoadFromFile(path);
  SetText(std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size())));
}

void TStringList::SaveToFile(const std::string& path) const {
  TFileStream f(path, fmCreate);
  std::string t = Text();
  f.WriteBuffer(t.data(), static_cast<int32_t>(t.size()));
}

std::string TStringList::Values(const std::string& name) const {
  for (const Item& item : FItems) {
    size_t eq = item.S.find('=');
    if (eq != std::string::npos && CompareStrings(item.S.substr(0, eq), name) == 0)
      return item.S.substr(eq + 1);
  }
  return "";
}

// --- TStream -------------------------------------------------------------------------------------
int64_t TStream::Size() {
  int64_t pos = Seek(0, soCurrent);
  int64_t end = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return end;
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<char> buf(65536);
  int64_t left = count;
  while (left > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(left, static_cast<int64_t>(buf.size())));
    source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    left -= n;
  }
  return count;
}

// --- TFileStream
// -----------------------------------------------------------------------------------
TFileStream::TFileStream(const std::string& fileName, uint32_t mode) : FFileName(fileName) {
  DWORD access, share, disposition;
  if (mode == fmCreate) {
    access = GENERIC_READ | GENERIC_WRITE;
    share = 0;
    disposition = CREATE_ALWAYS;
  } else {
    static const DWORD accessModes[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    static const DWORD shareModes[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE};
    access = accessModes[std::min<uint32_t>(mode & 3, 2)];
    share = shareModes[std::min<uint32_t>((mode & 0xF0) >> 4, 4)];
    disposition = OPEN_EXISTING;
  }
  FHandle = CreateFileA(fileName.c_str(), access, share, nullptr, disposition,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (FHandle == INVALID_HANDLE_VALUE) {
    std::string reason = SysErrorMessage(GetLastError());
    if (mode == fmCreate) throw EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
  }
}

TFileStream::~TFileStream() {
  if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
  DWORD done = 0;
  if (count <= 0 || !ReadFile(FHandle, buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
  return static_cast<int32_t>(done);
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
  DWORD done = 0;
  if (count <= 0 || !WriteFile(FHandle, buffer, static_cast<DWORD>(count), &done, nullptr))
    return 0;
  return static_cast<int32_t>(done);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(FHandle, distance, &result, static_cast<DWORD>(origin))) return -1;
  return result.QuadPart;
}

void TFileStream::SetSize(int64_t value) {
  int64_t pos = Position();
  Seek(value, soBeginning);
  if (!SetEndOfFile(FHandle)) throw EStreamError("Cannot set the size of \"" + FFileName + "\"");
  if (pos < value) Seek(pos, soBeginning);
}

void TFileStream::Flush() {
  if (!FlushFileBuffers(FHandle)) throw EWriteError("Cannot flush \"" + FFileName + "\"");
}

// --- TMemoryStream
// ---------------------------------------------------------------------------------
int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || FPosition >= Size()) return 0;
  int32_t n = static_cast<int32_t>(std::min<int64_t>(count, Size() - FPosition));
  std::copy_n(FData.data() + FPosition, n, static_cast<uint8_t*>(buffer));
  FPosition += n;
  return n;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  if (FPosition + count > Size()) FData.resize(static_cast<size_t>(FPosition + count));
  std::copy_n(static_cast<const uint8_t*>(buffer), count, FData.data() + FPosition);
  FPosition += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? FPosition : Size();
  FPosition = std::max<int64_t>(0, base + offset);
  return FPosition;
}

void TMemoryStream::SetSize(int64_t value) {
  FData.resize(static_cast<size_t>(value));
  if (FPosition > value) FPosition = value;
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& path) {
  TFileStream f(path, fmOpenRead | fmShareDenyWrite);
  int64_t n = f.Size();
  FData.assign(static_cast<size_t>(n), 0);
  f.ReadBuffer(FData.data(), static_cast<int32_t>(n));
  FPosition = 0;
}

void TMemoryStream::SaveToFile(const std::string& path) {
  TFileStream f(path, fmCreate);
  f.WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}
