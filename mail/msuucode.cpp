// Uuencoding of attachments for plain-text messages.
#include "msuucode.h"
#include <algorithm>
#include <cstdint>

namespace {
char UUChar(unsigned v) {
  return v == 0 ? '`' : static_cast<char>(32 + v);
}
} // namespace

std::vector<std::string> UUEncodeLines(const std::string& data) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < data.size(); start += 45) {
    size_t count = std::min<size_t>(45, data.size() - start);
    std::string line(1, UUChar(static_cast<unsigned>(count)));
    for (size_t i = 0; i < count; i += 3) {
      size_t n = std::min<size_t>(3, count - i);
      uint32_t v = static_cast<unsigned char>(data[start + i]) << 16;
      if (n > 1) v |= static_cast<unsigned char>(data[start + i + 1]) << 8;
      if (n > 2) v |= static_cast<unsigned char>(data[start + i + 2]);
      line += UUChar((v >> 18) & 63);
      line += UUChar((v >> 12) & 63);
      if (n > 1) line += UUChar((v >> 6) & 63);
      if (n > 2) line += UUChar(v & 63);
    }
    lines.push_back(line);
  }
  return lines;
}
