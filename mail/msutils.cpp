// Small helpers of the mail library: the transfer log file and header-safe text.
#include "msutils.h"
#include "Classes.h"

void WriteTransferLog(const TStringList& log, const std::string& fileName) {
  log.SaveToFile(fileName);
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
