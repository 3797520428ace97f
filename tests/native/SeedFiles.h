// Reads the seed files the host fuzzers mutate; a missing seed ends the run.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

inline std::string ReadSeedFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    std::fprintf(stderr, "missing seed %s\n", path.c_str());
    std::exit(2);
  }
  return {std::istreambuf_iterator<char>(f), {}};
}
