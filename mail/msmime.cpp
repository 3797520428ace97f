// MIME transfer encodings of the message writer: base64 and quoted-printable, line by line.
#include "msmime.h"
#include <algorithm>
#include <cstdint>

namespace {
constexpr char Base64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char Hex[] = "0123456789ABCDEF";
constexpr size_t QuotedLineLength = 76;
} // namespace

std::vector<std::string> EncodeBase64Lines(const std::string& data) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < data.size(); start += 57) {
    size_t end = std::min(data.size(), start + 57);
    std::string line;
    for (size_t i = start; i < end; i += 3) {
      size_t n = std::min<size_t>(3, end - i);
      uint32_t v = static_cast<unsigned char>(data[i]) << 16;
      if (n > 1) v |= static_cast<unsigned char>(data[i + 1]) << 8;
      if (n > 2) v |= static_cast<unsigned char>(data[i + 2]);
      line += Base64Alphabet[(v >> 18) & 63];
      line += Base64Alphabet[(v >> 12) & 63];
      line += n > 1 ? Base64Alphabet[(v >> 6) & 63] : '=';
      line += n > 2 ? Base64Alphabet[v & 63] : '=';
    }
    lines.push_back(line);
  }
  return lines;
}

void EncodeQuotedPrintableParagraph(const std::string& paragraph, std::vector<std::string>& out) {
  std::string line;
  for (size_t i = 0; i < paragraph.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(paragraph[i]);
    bool last = i + 1 == paragraph.size();
    std::string token;
    if ((c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last)) {
      token = static_cast<char>(c);
    } else {
      token = {'=', Hex[c >> 4], Hex[c & 15]};
    }
    // Room is kept for the "=" of a soft break.
    if (line.size() + token.size() > QuotedLineLength - 1) {
      out.push_back(line + "=");
      line.clear();
    }
    line += token;
  }
  out.push_back(line);
}

std::vector<std::string> SplitTextLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

std::vector<std::string> EncodeQuotedPrintableLines(const std::string& text) {
  std::vector<std::string> out;
  for (const std::string& paragraph : SplitTextLines(text))
    EncodeQuotedPrintableParagraph(paragraph, out);
  return out;
}
