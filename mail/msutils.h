// Small helpers of the mail library: the transfer log file and header-safe text.
#pragma once
#include <string>

#include <memory>

class TStringList;
class TFileStream;

// The transfer log file, written line by line as a transfer goes and closed when it ends, so that
// it can be read while the program runs. The first line of the run replaces what the file held;
// later transfers of the run are added after it. A file that cannot be written is left alone:
// the log must never stop a mail.
class TTransferLogFile {
public:
  TTransferLogFile();
  ~TTransferLogFile();
  TTransferLogFile(const TTransferLogFile&) = delete;
  TTransferLogFile& operator=(const TTransferLogFile&) = delete;

  void Append(const std::string& fileName, const std::string& line);
  // The file becomes exactly these lines (after older ones were dropped from the log).
  void Rewrite(const std::string& fileName, const TStringList& log);
  void Close();

private:
  bool Ready(const std::string& fileName, bool replace);
  void Write(const std::string& text);
  std::unique_ptr<TFileStream> FFile;
  // The file this run has begun; a later open of it adds to it.
  std::string FStarted;
};

// The text without any CR or LF, so that it cannot start a header line of its own.
std::string StripLineBreaks(const std::string& text);

// An address the envelope may carry: a local part, "@" and a domain; no blanks, no control
// characters, no angle brackets, parentheses, quotes, backslashes, commas or semicolons.
bool IsSafeMailAddress(const std::string& address);
