// A title made into a file name that stays in the folder it is written to.
#include "TitleFileName.h"
#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// Long enough for any title, short enough to leave room for a folder, a key and ".mid.zip".
constexpr size_t MaxNameLength = 120;

bool IsDeviceName(const std::string& name) {
  // Windows takes these as devices whatever extension follows.
  std::string stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ')
    stem.pop_back();
  std::string upper;
  for (char c : stem)
    upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const char* const plain[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* d : plain)
    if (upper == d) return true;
  return upper.size() == 4 &&
         (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) && upper[3] >= '1' &&
         upper[3] <= '9';
}

std::string TrimEnds(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && (text[first] == ' ' || text[first] == '.'))
    ++first;
  while (last > first && (text[last - 1] == ' ' || text[last - 1] == '.'))
    --last;
  return text.substr(first, last - first);
}

} // namespace

std::string TitleFileName(const std::string& title) {
  std::string name;
  for (char c : title) {
    const auto u = static_cast<unsigned char>(c);
    name += (u < 32 || std::strchr("\\/:*?\"<>|", c)) ? '_' : c;
  }
  name = TrimEnds(name);
  if (name.size() > MaxNameLength) name = TrimEnds(name.substr(0, MaxNameLength));
  if (name.empty()) return "Untitled";
  if (IsDeviceName(name)) name = "_" + name;
  return name;
}
