// Small helpers of the mail library: the transfer log file and header-safe text.
#pragma once
#include <string>

class TStringList;

// Writes the whole transfer log to fileName, replacing what the file held.
void WriteTransferLog(const TStringList& log, const std::string& fileName);

// The text without any CR or LF, so that it cannot start a header line of its own.
std::string StripLineBreaks(const std::string& text);

// An address the envelope may carry: a local part, "@" and a domain; no blanks, no control
// characters, no angle brackets, parentheses, quotes, backslashes, commas or semicolons.
bool IsSafeMailAddress(const std::string& address);
