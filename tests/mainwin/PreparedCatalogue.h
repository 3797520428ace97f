// A catalogue prepared in a program folder as the program itself would leave it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct TPrepared {
  std::vector<int32_t> Keys;
  std::vector<std::string> Files; // the corpus file of each title, key for key
};

// Two categories "Folk" and "Jazz", corpus titles (four unless told) alternating between them, and
// the album "Evening" with the first and the last title.
TPrepared PrepareCatalogue(const std::string& folder, size_t titles = 4);
