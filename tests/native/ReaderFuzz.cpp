// Host build of the MIDI reader under AddressSanitizer and UBSan: every corpus file and thousands
// of damaged copies must load or end as EMidiData, never crash or touch memory wrongly; what loads,
// written back whole or cut at its last note, loads again and times as before.
#include "cmpMidiData.h"
#include "cmpMidiIterator.h"
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

class TBytesSource : public TMidiSource {
public:
  explicit TBytesSource(std::vector<uint8_t> bytes) : FBytes(std::move(bytes)) {}
  int32_t Read(void* buffer, int32_t count) override {
    size_t n = std::min<size_t>(count, FBytes.size() - FPos);
    if (n > 0) std::memcpy(buffer, FBytes.data() + FPos, n);
    FPos += n;
    return static_cast<int32_t>(n);
  }

private:
  std::vector<uint8_t> FBytes;
  size_t FPos = 0;
};

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

// A loaded file written back, whole and cut at its last channel event, must load again and time
// as before; the run ends when it does not.
void WriteBack(const TMidiData& data, int32_t latest, int64_t ms) {
  for (int32_t upTo : {INT32_MAX, latest}) {
    const std::string written = data.WrittenUpTo(upTo);
    TMidiData back;
    TBytesSource source(std::vector<uint8_t>(written.begin(), written.end()));
    back.LoadFromSource(source);
    if (TMidiPosition(&back).DurationMs() != ms) {
      std::fprintf(stderr, "written back up to %d, the file times otherwise\n", int(upTo));
      std::exit(1);
    }
  }
}

// 1 loaded, 0 refused with EMidiData; anything else ends the run.
int Feed(const std::vector<uint8_t>& bytes, int64_t& ms) {
  TMidiData data;
  TBytesSource source(bytes);
  try {
    data.LoadFromSource(source);
    TMidiPosition pos(&data);
    ms = pos.DurationMs();
    pos.SeekTo(pos.LatestTick() / 2);
    for (int i = 0; i < data.TrackCount(); ++i)
      if (TMidiTrack* t = data.Track(i)) t->FindByTick(ms > 0 ? 1 : 0, 1);
  } catch (const EMidiData&) {
    return 0;
  }
  WriteBack(data, TMidiPosition(&data).LatestTick(), ms);
  return 1;
}

} // namespace

// The plain file opener of the host build; RIFF files are covered by the Windows tests.
std::unique_ptr<TMidiSource> OpenMidiSource(const std::string& fileName, bool& riff) {
  riff = false;
  return std::make_unique<TBytesSource>(ReadAll(fileName));
}

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS [MUTATIONS]\n", argv[0]);
    return 2;
  }
  int mutations = argc > 2 ? std::atoi(argv[2]) : 4000;
  std::vector<std::vector<uint8_t>> files;
  for (auto& e : std::filesystem::recursive_directory_iterator(argv[1]))
    if (e.is_regular_file()) files.push_back(ReadAll(e.path().string()));
  if (files.empty()) {
    std::fprintf(stderr, "no corpus files\n");
    return 2;
  }
  int loaded = 0, refused = 0;
  int64_t ms = 0;
  for (auto& f : files)
    (Feed(f, ms) ? loaded : refused)++;
  std::printf("corpus: %zu files, %d loaded, %d refused\n", files.size(), loaded, refused);
  std::mt19937 rng(7);
  int mloaded = 0, mrefused = 0;
  for (int i = 0; i < mutations; ++i) {
    std::vector<uint8_t> c = files[rng() % files.size()];
    if (c.empty()) continue;
    switch (rng() % 4) {
    case 0:
      c.resize(rng() % c.size());
      break;
    case 1:
      for (int k = 1 + rng() % 8; k > 0; --k)
        c[rng() % c.size()] = uint8_t(rng());
      break;
    case 2: // a length or count field of the header or a track made huge or small
      if (c.size() > 22) c[4 + rng() % 19] = uint8_t(rng() & 1 ? 0xFF : 0x00);
      break;
    default:
      c.insert(c.begin() + rng() % c.size(), uint8_t(0x80 | rng()));
      break;
    }
    (Feed(c, ms) ? mloaded : mrefused)++;
  }
  std::printf("mutated: %d copies, %d loaded, %d refused\n", mutations, mloaded, mrefused);
  return 0;
}
