// A catalogue prepared in a program folder as the program itself would leave it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct TPrepared {
  std::vector<int32_t> Keys;
  std::vector<std::string> Files; // the corpus file of each title, key for key
};

// A title to store: its file, its name, category and artist, the origin recorded (the file's path
// when empty) and the duration stored (-1: unknown, as a file added though damaged).
struct TTitleSpec {
  std::string File, Title, Category, Last, First, Origin;
  int32_t Seconds = 0;
};

// The titles stored in folder's catalogue as the import stores them, each file packed as an
// archive of its own, the categories and artists made as they are first named. Answers the keys.
std::vector<int32_t> PrepareTitles(const std::string& folder,
                                   const std::vector<TTitleSpec>& titles);

// Two categories "Folk" and "Jazz", corpus titles (four unless told) alternating between them, and
// the album "Evening" with the first and the last title. Titles are stored with a duration of 0
// seconds, the first with firstSeconds (-1: unknown, as a file added though damaged).
TPrepared PrepareCatalogue(const std::string& folder, size_t titles = 4, int32_t firstSeconds = 0);

// A category or album record as the lists' files hold it, written by hand: key, three totals
// (zero), the name as a length byte and 40 characters, zeros to size (72 or 76).
std::string ListRecord(int32_t key, const std::string& name, size_t size);
