// Small titles of their own for the benches' catalogues, stored as the import stores them.
#pragma once
#include <initializer_list>
#include <string>
#include "Crc32.h"
#include "TuneFiles.h"
#include "TuneRecords.h"

// A Standard MIDI File of one note whose pitch and length follow n: a file of its own for each n.
inline std::string OneNoteMidi(int n) {
  std::string track;
  auto bytes = [&track](std::initializer_list<int> list) {
    for (int b : list)
      track.push_back(static_cast<char>(b));
  };
  bytes({0x00, 0x90, 36 + n % 60, 100, 0x83, 0x60 + n / 60 % 32, 0x80, 36 + n % 60, 0});
  bytes({0x00, 0xFF, 0x2F, 0x00});
  std::string file = "MThd";
  for (int b : {0, 0, 0, 6, 0, 0, 0, 1, 0, 0x60})
    file.push_back(static_cast<char>(b));
  file += "MTrk";
  for (int shift : {24, 16, 8, 0})
    file.push_back(static_cast<char>((track.size() >> shift) & 0xFF));
  return file + track;
}

// Packs OneNoteMidi(n) alone, appends the archive to data (whose first byte lies at dataStart in
// the data file) and points the record at it with the title's size and CRC, so that the catalogue
// opens whole.
inline void AppendOwnArchive(TTuneRec& r, int n, std::string& data, int64_t dataStart = 0) {
  const std::string body = OneNoteMidi(n);
  std::string archive;
  TTuneFiles::ZipBytes(body, "AAATune.TTT", archive);
  r.Offset = static_cast<int32_t>(dataStart + static_cast<int64_t>(data.size()));
  r.Length = static_cast<int32_t>(archive.size());
  r.Size = static_cast<int32_t>(body.size());
  r.Crc = Crc32Update(0, body.data(), body.size());
  data += archive;
}
