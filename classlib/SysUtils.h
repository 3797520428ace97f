// Base services of the class library: exceptions, ASCII text helpers, date-times, paths, command
// line.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include <exception>

// Root of every exception the program raises; carries a fixed message text.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const std::string& Message() const { return FMessage; }
  void SetMessage(const std::string& value) { FMessage = value; }
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  std::string FMessage;
};

// Declares a component's own exception class.
#define TB_DECLARE_EXCEPTION(Name, Base)                                                           \
  class Name : public Base {                                                                       \
  public:                                                                                          \
    using Base::Base;                                                                              \
  }

TB_DECLARE_EXCEPTION(EConvertError, Exception);
TB_DECLARE_EXCEPTION(EStreamError, Exception);
TB_DECLARE_EXCEPTION(EFOpenError, EStreamError);
TB_DECLARE_EXCEPTION(EFCreateError, EStreamError);
TB_DECLARE_EXCEPTION(EReadError, EStreamError);
TB_DECLARE_EXCEPTION(EWriteError, EStreamError);
TB_DECLARE_EXCEPTION(EStringListError, Exception);
TB_DECLARE_EXCEPTION(EOSError, Exception);

// The text of a caught exception, whatever its type.
std::string ExceptionMessage(std::exception_ptr e);

// --- text -------------------------------------------------------------------------------------
std::string IntToStr(int64_t value);
int StrToInt(const std::string& text);                      // raises EConvertError
int StrToIntDef(const std::string& text, int defaultValue); // never raises
bool TryStrToInt(const std::string& text, int& value);
std::string Trim(const std::string& text); // drops control characters and blanks at both ends
std::string TrimLeft(const std::string& text);
std::string TrimRight(const std::string& text);
std::string UpperCase(const std::string& text); // ASCII letters only
std::string LowerCase(const std::string& text);
int CompareText(const std::string& a, const std::string& b); // ASCII case-insensitive
bool SameText(const std::string& a, const std::string& b);
int CompareStr(const std::string& a, const std::string& b);
std::string AnsiUpperCase(const std::string& text); // code-page aware
int AnsiCompareText(const std::string& a, const std::string& b);
std::string StringReplaceAll(const std::string& text, const std::string& from,
                             const std::string& to);
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// "%.0n"-style thousands grouping of a whole number with the user's separator.
std::string FormatThousands(double value);

// --- date-time: days since 30 December 1899, time of day as the fraction -----------------------
using TDateTime = double;
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
TDateTime Now();
TDateTime Date();
// A file's modification time in local time; 0 when it cannot be read.
TDateTime FileDateTime(const std::string& path);
// Windows FILETIME (100 ns since 1601, UTC) as local date-time.
TDateTime FileTimeToLocalDateTime(uint64_t fileTime);
std::string FormatDateTime(const char* pattern, TDateTime value); // "yyyy-mm-dd hh:nn:ss" letters

// --- paths --------------------------------------------------------------------------------------
std::string ExtractFilePath(const std::string& path); // with the trailing backslash
std::string ExtractFileDir(const std::string& path);  // without it
std::string ExtractFileName(const std::string& path);
std::string ExtractFileExt(const std::string& path); // with the dot
std::string ChangeFileExt(const std::string& path, const std::string& ext);
std::string IncludeTrailingBackslash(const std::string& path);
std::string ExcludeTrailingBackslash(const std::string& path);
std::string ExpandFileName(const std::string& path);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
bool ForceDirectories(const std::string& path);
// windows.h maps DeleteFile to DeleteFileA; ours takes a std::string. The DeleteFileA overload
// keeps calls working in files that include windows.h after this header.
#ifdef DeleteFile
#undef DeleteFile
#endif
bool DeleteFile(const std::string& path);
inline bool DeleteFileA(const std::string& path) {
  return ::DeleteFile(path);
}
bool RenameFile(const std::string& from, const std::string& to);
int64_t FileSize(const std::string& path); // -1 when missing
// Free bytes on the drive that holds the path; -1 when unknown.
int64_t DiskFree(const std::string& path);
// The folder of the running program file, with the trailing backslash.
std::string AppFolder();
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& dir);
std::string TempFolder();

// --- command line -------------------------------------------------------------------------------
// Splits a command line the classic way: blanks separate, double quotes group and are dropped,
// backslashes are ordinary characters. Element 0 is the program.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
int ParamCount();
std::string ParamStr(int index); // 0 is the program file's full path

// --- errors -------------------------------------------------------------------------------------
std::string SysErrorMessage(unsigned long code);
[[noreturn]] void RaiseLastOSError();
