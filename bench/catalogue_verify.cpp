// Prints what checking the stored titles costs at opening: the zip headers alone against every
// title unpacked and its CRC counted, for 2,000 small and 2,000 full-sized titles.
#include "DataCodeD2.h"
#include "Crc32.h"
#include "StoredTitle.h"
#include <windows.h>
#include <zlib.h>
#include <cstdio>
#include <random>

namespace {

double Clock() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return double(c.QuadPart) / double(f.QuadPart);
}

void Put(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i)
    s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A MIDI-like body of about size bytes: note events from a small alphabet, packed as a typical
// title packs (about a third).
std::string Body(size_t size, std::mt19937& rnd) {
  std::string b = "MThd";
  while (b.size() < size) {
    b.push_back(static_cast<char>(rnd() % 4));
    b.push_back(static_cast<char>(0x90 | rnd() % 2));
    b.push_back(static_cast<char>(48 + rnd() % 24));
    b.push_back(static_cast<char>(rnd() % 2 ? 100 : 0));
  }
  return b;
}

// A one-file zip's local header and deflated data, as the store keeps an archive.
std::string Archive(const std::string& body, uint32_t crc) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string packed(deflateBound(&z, body.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
  z.avail_in = static_cast<uInt>(body.size());
  z.next_out = reinterpret_cast<Bytef*>(packed.data());
  z.avail_out = static_cast<uInt>(packed.size());
  deflate(&z, Z_FINISH);
  packed.resize(z.total_out);
  deflateEnd(&z);
  std::string a;
  Put(a, 0x04034B50, 4);
  Put(a, 20, 2);
  Put(a, 0, 2);
  Put(a, 8, 2);
  Put(a, 0, 4);
  Put(a, crc, 4);
  Put(a, static_cast<uint32_t>(packed.size()), 4);
  Put(a, static_cast<uint32_t>(body.size()), 4);
  Put(a, 11, 2);
  Put(a, 0, 2);
  return a + "AAATune.mid" + packed;
}

void WriteAll(const std::string& path, const std::string& bytes) {
  TFileStream f(path, fmCreate);
  f.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

void Measure(int titles, size_t bodySize) {
  std::string folder = TempFolder() + "tb_bench_verify\\";
  ForceDirectories(folder);
  std::mt19937 rnd(37);
  std::string dex(static_cast<size_t>(titles) * TuneRecSize, '\0'), dax;
  for (int i = 0; i < titles; ++i) {
    std::string body = Body(bodySize, rnd);
    TTuneRec r;
    r.FileType = "MIDI";
    r.Live = true;
    r.RecNo = r.MasterKey = i + 1;
    r.CategoryKey = r.PerformerKey = 1;
    r.Size = static_cast<int32_t>(body.size());
    r.Crc = Crc32Update(0, body.data(), body.size());
    std::string a = Archive(body, r.Crc);
    r.Offset = static_cast<int32_t>(dax.size());
    r.Length = static_cast<int32_t>(a.size());
    r.Title = "Title " + std::to_string(i);
    dax += a;
    EncodeTuneRec(r, reinterpret_cast<uint8_t*>(dex.data()) + static_cast<size_t>(i) * TuneRecSize);
  }
  WriteAll(folder + "Music.dex", dex);
  WriteAll(folder + "Music.dax", dax);

  TMyDB store;
  store.Open(folder + "Music"); // once to warm the system cache
  store.Close();
  double t0 = Clock();
  CheckIndexFile(dex, static_cast<int64_t>(dax.size()));
  double t1 = Clock();
  store.Open(folder + "Music");
  double t2 = Clock();
  const bool headersDamaged = store.Finding().Damaged();
  std::vector<TTuneRec> recs(static_cast<size_t>(store.RecordCount()));
  for (int n = 1; n <= store.RecordCount(); ++n)
    store.ReadRecord(n, recs[n - 1]);
  store.Close(); // it holds the files to itself
  const double t2b = Clock();
  int damaged = 0;
  {
    TFileStream data(folder + "Music.dax", fmOpenRead | fmShareDenyNone);
    std::string archive;
    for (const TTuneRec& r : recs) {
      archive.resize(static_cast<size_t>(r.Length));
      data.SetPosition(r.Offset);
      data.ReadBuffer(archive.data(), r.Length);
      damaged += !StoredTitleFault(archive, r.Crc).empty();
    }
  }
  double t3 = Clock();
  std::printf("%d titles of %zu bytes (%.1f MB stored, %.1f MB unpacked), %d found damaged\n",
              titles, bodySize, dax.size() / 1e6, titles * double(bodySize) / 1e6,
              damaged + headersDamaged);
  std::printf("  records checked alone:        %8.1f ms\n", (t1 - t0) * 1000);
  std::printf("  open with the zip headers:    %8.1f ms\n", (t2 - t1) * 1000);
  std::printf("  every title unpacked (CRC):   %8.1f ms more\n", (t3 - t2b) * 1000);
  DeleteFileA((folder + "Music.dex").c_str());
  DeleteFileA((folder + "Music.dax").c_str());
  RemoveDirectoryA(folder.c_str());
}

} // namespace

int main() {
  Measure(2000, 60);
  Measure(2000, 30000);
  return 0;
}
