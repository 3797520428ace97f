// Base services of the class library over Win32: text, dates, paths, command line, errors.
#include "SysUtils.h"
#include "Handles.h"
#include <windows.h>
// windows.h maps DeleteFile to DeleteFileA; ours takes a std::string.
#undef DeleteFile
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

std::string ExceptionMessage(std::exception_ptr e) {
  try {
    if (e) std::rethrow_exception(e);
  } catch (const std::exception& ex) {
    return ex.what();
  } catch (...) {
    return "Unknown exception";
  }
  return "";
}

std::string IntToStr(int64_t value) {
  return std::to_string(value);
}

bool TryStrToInt(const std::string& text, int& value) {
  std::string t = Trim(text);
  if (t.empty()) return false;
  size_t i = 0;
  bool negative = false;
  if (t[0] == '-' || t[0] == '+') {
    negative = t[0] == '-';
    i = 1;
  }
  if (i >= t.size()) return false;
  int64_t result = 0;
  if (t.size() > i + 1 && t[i] == '$') { // hexadecimal, as "$1F"
    for (++i; i < t.size(); ++i) {
      char c = t[i];
      int d = (c >= '0' && c <= '9')   ? c - '0'
              : (c >= 'a' && c <= 'f') ? c - 'a' + 10
              : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                       : -1;
      if (d < 0) return false;
      result = result * 16 + d;
      if (result > 0xFFFFFFFFLL) return false;
    }
    value = static_cast<int>(static_cast<uint32_t>(result));
    if (negative) value = -value;
    return true;
  }
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    result = result * 10 + (t[i] - '0');
    if (result > 2147483648LL) return false;
  }
  if (negative) result = -result;
  if (result > 2147483647LL || result < -2147483648LL) return false;
  value = static_cast<int>(result);
  return true;
}

int StrToInt(const std::string& text) {
  int v = 0;
  if (!TryStrToInt(text, v)) throw EConvertError("'" + text + "' is not a valid integer value");
  return v;
}

int StrToIntDef(const std::string& text, int defaultValue) {
  int v = 0;
  return TryStrToInt(text, v) ? v : defaultValue;
}

static bool IsTrimmable(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::string Trim(const std::string& text) {
  return TrimLeft(TrimRight(text));
}

std::string TrimLeft(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsTrimmable(text[i]))
    ++i;
  return text.substr(i);
}

std::string TrimRight(const std::string& text) {
  size_t n = text.size();
  while (n > 0 && IsTrimmable(text[n - 1]))
    --n;
  return text.substr(0, n);
}

std::string UpperCase(const std::string& text) {
  std::string r = text;
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

std::string LowerCase(const std::string& text) {
  std::string r = text;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return r;
}

int CompareText(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return x - y;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

int CompareStr(const std::string& a, const std::string& b) {
  int c = a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

std::string AnsiUpperCase(const std::string& text) {
  std::string r = text;
  if (!r.empty()) CharUpperBuffA(r.data(), static_cast<DWORD>(r.size()));
  return r;
}

int AnsiCompareText(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) -
         2;
}

std::string StringReplaceAll(const std::string& text, const std::string& from,
                             const std::string& to) {
  if (from.empty()) return text;
  std::string r;
  size_t pos = 0;
  for (;;) {
    size_t hit = text.find(from, pos);
    if (hit == std::string::npos) break;
    r.append(text, pos, hit - pos);
    r += to;
    pos = hit + from.size();
  }
  r.append(text, pos, std::string::npos);
  return r;
}

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string r(n > 0 ? n : 0, '\0');
  if (n > 0) std::vsnprintf(r.data(), r.size() + 1, fmt, args);
  va_end(args);
  return r;
}

std::string FormatThousands(double value) {
  char sep[8] = ",";
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, sep, sizeof sep);
  long long v = std::llround(value);
  bool negative = v < 0;
  std::string digits = std::to_string(negative ? -v : v);
  std::string r;
  int count = 0;
  for (size_t i = digits.size(); i-- > 0;) {
    r.insert(r.begin(), digits[i]);
    if (++count % 3 == 0 && i > 0) r.insert(0, sep);
  }
  return negative ? "-" + r : r;
}

// --- date-time ----------------------------------------------------------------------------------
static bool IsLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

TDateTime EncodeDate(int year, int month, int day) {
  static const int days[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                  {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > days[IsLeap(year)][month - 1])
    throw EConvertError("Invalid argument to date encode");
  int d = day;
  for (int m = 0; m < month - 1; ++m)
    d += days[IsLeap(year)][m];
  int y = year - 1;
  long n = static_cast<long>(y) * 365 + y / 4 - y / 100 + y / 400 + d;
  return static_cast<double>(n - 693594);
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
      msec > 999)
    throw EConvertError("Invalid argument to time encode");
  return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / 86400000.0;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  // Civil-from-days over the proleptic Gregorian calendar.
  // 25569 is 1 January 1970; 719468 shifts the epoch to 1 March of year 0.
  long long z = static_cast<long long>(std::floor(value)) - 25569 + 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long y = yoe + era * 400;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
  double frac = std::fabs(value - std::trunc(value));
  long long ms = std::llround(frac * 86400000.0);
  if (ms >= 86400000) ms = 86399999;
  hour = static_cast<int>(ms / 3600000);
  minute = static_cast<int>(ms / 60000 % 60);
  second = static_cast<int>(ms / 1000 % 60);
  msec = static_cast<int>(ms % 1000);
}

static TDateTime SystemTimeToDateTime(const SYSTEMTIME& st) {
  return EncodeDate(st.wYear, st.wMonth, st.wDay) +
         EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

TDateTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return SystemTimeToDateTime(st);
}

TDateTime Date() {
  return std::floor(Now());
}

TDateTime FileTimeToLocalDateTime(uint64_t fileTime) {
  FILETIME ft, local;
  ft.dwLowDateTime = static_cast<DWORD>(fileTime);
  ft.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToSystemTime(&local, &st)) return 0;
  if (st.wYear > 9999) return 0; // past the date-time calendar: unknown, like an unreadable time
  return SystemTimeToDateTime(st);
}

TDateTime FileDateTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return FileTimeToLocalDateTime(
      (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
      data.ftLastWriteTime.dwLowDateTime);
}

std::string FormatDateTime(const char* pattern, TDateTime value) {
  int y, mo, d, h, mi, s, ms;
  DecodeDate(value, y, mo, d);
  DecodeTime(value, h, mi, s, ms);
  std::string r;
  std::string p = pattern;
  for (size_t i = 0; i < p.size();) {
    auto run = [&](char c) {
      size_t n = 0;
      while (i + n < p.size() && (p[i + n] | 0x20) == c)
        ++n;
      return n;
    };
    char c = static_cast<char>(p[i] | 0x20);
    size_t n = (c == 'y' || c == 'm' || c == 'd' || c == 'h' || c == 'n' || c == 's') ? run(c) : 0;
    if (n == 0) {
      r += p[i++];
      continue;
    }
    int v = c == 'y'   ? (n <= 2 ? y % 100 : y)
            : c == 'm' ? mo
            : c == 'd' ? d
            : c == 'h' ? h
            : c == 'n' ? mi
                       : s;
    r += Format(n >= 2 ? (c == 'y' && n > 2 ? "%04d" : "%02d") : "%d", v);
    i += n;
  }
  return r;
}

// --- paths --------------------------------------------------------------------------------------
static size_t LastDelimiter(const std::string& path) {
  return path.find_last_of("\\:/");
}

std::string ExtractFilePath(const std::string& path) {
  size_t i = LastDelimiter(path);
  return i == std::string::npos ? "" : path.substr(0, i + 1);
}

std::string ExtractFileDir(const std::string& path) {
  size_t i = LastDelimiter(path);
  if (i == std::string::npos) return "";
  if (i > 0 && (path[i] == '\\' || path[i] == '/') && path[i - 1] != ':') return path.substr(0, i);
  return path.substr(0, i + 1);
}

std::string ExtractFileName(const std::string& path) {
  size_t i = LastDelimiter(path);
  return i == std::string::npos ? path : path.substr(i + 1);
}

std::string ExtractFileExt(const std::string& path) {
  size_t i = path.find_last_of(".\\:/");
  return (i != std::string::npos && path[i] == '.') ? path.substr(i) : "";
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  size_t i = path.find_last_of(".\\:/");
  if (i == std::string::npos || path[i] != '.') return path + ext;
  return path.substr(0, i) + ext;
}

std::string IncludeTrailingBackslash(const std::string& path) {
  if (!path.empty() && (path.back() == '\\' || path.back() == '/')) return path;
  return path + "\\";
}

std::string ExcludeTrailingBackslash(const std::string& path) {
  std::string r = path;
  while (r.size() > 1 && (r.back() == '\\' || r.back() == '/') && r[r.size() - 2] != ':')
    r.pop_back();
  return r;
}

std::string ExpandFileName(const std::string& path) {
  char buf[MAX_PATH * 2];
  char* part = nullptr;
  DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, &part);
  return (n == 0 || n >= sizeof buf) ? path : std::string(buf, n);
}

bool FileExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& path) {
  std::string dir = ExcludeTrailingBackslash(path);
  if (dir.empty() || DirectoryExists(dir)) return !dir.empty();
  std::string parent = ExtractFileDir(dir);
  if (!parent.empty() && parent != dir && !ForceDirectories(parent)) return false;
  return CreateDirectoryA(dir.c_str(), nullptr) || DirectoryExists(dir);
}

bool DeleteFile(const std::string& path) {
  return DeleteFileA(path.c_str()) != 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
  return MoveFileA(from.c_str(), to.c_str()) != 0;
}

int64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int64_t DiskFree(const std::string& path) {
  ULARGE_INTEGER avail, total, freeBytes;
  std::string dir = ExtractFilePath(ExpandFileName(path));
  if (!GetDiskFreeSpaceExA(dir.empty() ? nullptr : dir.c_str(), &avail, &total, &freeBytes))
    return -1;
  return static_cast<int64_t>(avail.QuadPart);
}

std::string AppFolder() {
  return ExtractFilePath(ParamStr(0));
}

std::string GetCurrentDir() {
  char buf[MAX_PATH * 2];
  DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
  return std::string(buf, n < sizeof buf ? n : 0);
}

bool SetCurrentDir(const std::string& dir) {
  return SetCurrentDirectoryA(dir.c_str()) != 0;
}

std::string TempFolder() {
  char buf[MAX_PATH * 2];
  DWORD n = GetTempPathA(sizeof buf, buf);
  return std::string(buf, n < sizeof buf ? n : 0);
}

// --- command line -------------------------------------------------------------------------------
std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> result;
  size_t i = 0, n = commandLine.size();
  for (;;) {
    while (i < n && static_cast<unsigned char>(commandLine[i]) <= ' ')
      ++i;
    if (i >= n) break;
    std::string param;
    bool quoted = false;
    while (i < n && (quoted || static_cast<unsigned char>(commandLine[i]) > ' ')) {
      if (commandLine[i] == '"')
        quoted = !quoted;
      else
        param += commandLine[i];
      ++i;
    }
    result.push_back(param);
  }
  return result;
}

int ParamCount() {
  int n = static_cast<int>(SplitCommandLine(GetCommandLineA()).size()) - 1;
  return n < 0 ? 0 : n;
}

std::string ParamStr(int index) {
  if (index == 0) {
    char buf[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return std::string(buf, n < sizeof buf ? n : 0);
  }
  auto params = SplitCommandLine(GetCommandLineA());
  return (index > 0 && index < static_cast<int>(params.size())) ? params[index] : "";
}

std::string SysErrorMessage(unsigned long code) {
  TLocalMemory buf;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<char*>(buf.Put()), 0, nullptr);
  return n && buf ? TrimRight(std::string(static_cast<const char*>(buf.Get()), n))
                  : "System error " + std::to_string(code);
}

void RaiseLastOSError() {
  DWORD code = GetLastError();
  throw EOSError("System Error.  Code: " + std::to_string(code) + ".\r\n" + SysErrorMessage(code));
}
