// Unpacks a stored archive's single file in memory only to count its CRC-32: a flipped byte in
// the packed data shows as a bad stream or a CRC that differs.
#include "StoredTitle.h"
#include "Bytes.h"
#include "CatalogueCheck.h"
#include "Crc32.h"
#include <zlib.h>

namespace {

constexpr uint32_t LocalSignature = 0x04034B50;
constexpr uint16_t Deferred = 0x0008; // CRC and sizes in a descriptor after the data
constexpr uint16_t Stored = 0, Deflated = 8;

// Inflates data as a raw deflate stream; answers the unpacked bytes' count and CRC.
bool Inflate(std::string_view data, uint32_t& crc, uint64_t& size) {
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  unsigned char out[65536];
  int rc;
  // Z_OK always means progress; a cut stream ends with Z_BUF_ERROR, a garbled one with
  // Z_DATA_ERROR.
  do {
    z.next_out = out;
    z.avail_out = sizeof out;
    rc = inflate(&z, Z_NO_FLUSH);
    crc = Crc32Update(crc, out, sizeof out - z.avail_out);
  } while (rc == Z_OK);
  size = z.total_out;
  inflateEnd(&z);
  return rc == Z_STREAM_END;
}

} // namespace

std::string StoredTitleFault(std::string_view archive, uint32_t recordCrc) {
  const auto* p = reinterpret_cast<const uint8_t*>(archive.data());
  if (archive.size() < static_cast<size_t>(ArchiveHeaderSize) || GetU32(p) != LocalSignature)
    return "its stored bytes are not a zip archive";
  const uint16_t flags = GetU16(p + 6), method = GetU16(p + 8);
  const uint32_t headerCrc = GetU32(p + 14), packed = GetU32(p + 18), unpacked = GetU32(p + 22);
  const size_t start = ArchiveHeaderSize + size_t{GetU16(p + 26)} + GetU16(p + 28);
  const bool deferred = (flags & Deferred) != 0;
  if (start > archive.size() || (!deferred && packed > archive.size() - start))
    return "its stored archive is cut short";
  std::string_view data = archive.substr(start, deferred ? std::string_view::npos : packed);
  uint32_t crc = 0;
  uint64_t size = 0;
  if (method == Stored && !deferred) {
    crc = Crc32Update(0, data.data(), data.size());
    size = data.size();
  } else if (method == Deflated) {
    if (!Inflate(data, crc, size)) return "its packed data cannot be unpacked";
  } else {
    return "its stored archive uses an unknown packing method";
  }
  if (!deferred && (crc != headerCrc || size != unpacked))
    return "its unpacked bytes do not match the archive's CRC";
  if (recordCrc != 0 && crc != recordCrc) return "its unpacked bytes do not match its record's CRC";
  return "";
}
