// Small helpers of the mail library: the transfer log file and header-safe text.
#include "msutils.h"
#include "Classes.h"
#include "SysUtils.h"

TTransferLogFile::TTransferLogFile() = default;
TTransferLogFile::~TTransferLogFile() = default;

bool TTransferLogFile::Ready(const std::string& fileName, bool replace) {
  if (FFile && (replace || !SameText(FFile->FileName(), fileName))) FFile.reset();
  if (FFile) return true;
  try {
    // Emptied by a create first, then opened so that others may read it meanwhile.
    if (replace || !SameText(FStarted, fileName) || !FileExists(fileName)) {
      TFileStream emptied(fileName, fmCreate);
    }
    FStarted = fileName;
    FFile = std::make_unique<TFileStream>(fileName, fmOpenWrite | fmShareDenyWrite);
    FFile->Seek(0, soEnd);
  } catch (const Exception&) {
    FFile.reset();
  }
  return FFile != nullptr;
}

void TTransferLogFile::Append(const std::string& fileName, const std::string& line) {
  if (!Ready(fileName, false)) return;
  Write(line + "\r\n");
}

void TTransferLogFile::Rewrite(const std::string& fileName, const TStringList& log) {
  if (!Ready(fileName, true)) return;
  std::string text;
  for (int i = 0; i < log.Count(); ++i)
    text += log[i] + "\r\n";
  Write(text);
}

void TTransferLogFile::Write(const std::string& text) {
  // A disk that fills up ends the log, not the transfer.
  if (FFile->Write(text.data(), static_cast<int32_t>(text.size())) !=
      static_cast<int32_t>(text.size()))
    FFile.reset();
}

void TTransferLogFile::Close() {
  FFile.reset();
}

std::string StripLineBreaks(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '\r' && c != '\n') out += c;
  return out;
}

bool IsSafeMailAddress(const std::string& address) {
  if (address.empty()) return false;
  // Separators and brackets mean a list or a name was taken for one address.
  for (unsigned char c : address)
    if (c <= 32 || c == 127 || c == '<' || c == '>' || c == ',' || c == ';' || c == '(' ||
        c == ')' || c == '"' || c == '\\')
      return false;
  size_t at = address.rfind('@');
  return at != std::string::npos && at > 0 && at + 1 < address.size();
}
