// Record codecs of the catalogue files: every field at its fixed offset, little-endian. Free of
// the system's headers, so the host build checks them under the sanitizers.
#include "TuneRecords.h"
#include "Bytes.h"
#include <cstring>

static_assert(TuneRecSize == 672 && CatRecSize == 72 && AlbRecSize == 76 && PerfRecSize == 176);
// The last field of each layout ends exactly at the record's end.
static_assert(664 + 8 == TuneRecSize);
static_assert(68 + 4 == CatRecSize && 72 + 4 == AlbRecSize);
static_assert(86 + FullNameRoom + 1 + 7 == PerfRecSize);
static_assert(397 + OriginRoom + 1 + 3 == 656);

void EncodeTuneRec(const TTuneRec& r, uint8_t* p) {
  std::memset(p, 0, TuneRecSize);
  PutShortString(p + 0, FileTypeRoom, r.FileType);
  p[5] = r.Live ? 1 : 0;
  PutI32(p + 8, r.RecNo);
  PutI32(p + 12, r.Offset);
  PutI32(p + 16, r.Length);
  PutI32(p + 20, r.CategoryKey);
  PutI32(p + 24, r.PerformerKey);
  PutI32(p + 28, r.MasterKey);
  PutI32(p + 32, r.Seconds);
  PutI32(p + 36, r.AlbumKey);
  PutI32(p + 40, r.Size);
  PutU32(p + 44, r.Crc);
  PutShortString(p + 56, TimeTextRoom, r.TimeText);
  PutShortString(p + 65, NameRoom, r.CategoryName);
  PutShortString(p + 106, NameRoom, r.LastName);
  PutShortString(p + 147, NameRoom, r.FirstName);
  PutShortString(p + 188, FullNameRoom, r.FullName);
  PutShortString(p + 271, TitleRoom, r.Title);
  PutShortString(p + 397, OriginRoom, r.Origin);
  PutF64(p + 656, r.DateStamp);
  PutF64(p + 664, r.DateObtained);
}

void DecodeTuneRecInto(const uint8_t* p, TTuneRec& r) {
  AssignShortString(p + 0, FileTypeRoom, r.FileType);
  r.Live = p[5] != 0;
  r.RecNo = GetI32(p + 8);
  r.Offset = GetI32(p + 12);
  r.Length = GetI32(p + 16);
  r.CategoryKey = GetI32(p + 20);
  r.PerformerKey = GetI32(p + 24);
  r.MasterKey = GetI32(p + 28);
  r.Seconds = GetI32(p + 32);
  r.AlbumKey = GetI32(p + 36);
  r.Size = GetI32(p + 40);
  r.Crc = GetU32(p + 44);
  AssignShortString(p + 56, TimeTextRoom, r.TimeText);
  AssignShortString(p + 65, NameRoom, r.CategoryName);
  AssignShortString(p + 106, NameRoom, r.LastName);
  AssignShortString(p + 147, NameRoom, r.FirstName);
  AssignShortString(p + 188, FullNameRoom, r.FullName);
  AssignShortString(p + 271, TitleRoom, r.Title);
  AssignShortString(p + 397, OriginRoom, r.Origin);
  r.DateStamp = GetF64(p + 656);
  r.DateObtained = GetF64(p + 664);
}

TTuneRec DecodeTuneRec(const uint8_t* p) {
  TTuneRec r;
  DecodeTuneRecInto(p, r);
  return r;
}

// Categories and albums share their first 60 bytes; the rest are in-memory references.
static void EncodeListHead(int32_t key, int32_t titles, int32_t seconds, int32_t bytes,
                           const std::string& name, uint8_t* p) {
  PutI32(p + 0, key);
  PutI32(p + 4, titles);
  PutI32(p + 8, seconds);
  PutI32(p + 12, bytes);
  PutShortString(p + 16, NameRoom, name);
}

// Category and album records begin alike: key, titles, seconds, bytes and the name.
template <class TRec> void DecodeListHead(const uint8_t* p, TRec& r) {
  r.Key = GetI32(p + 0);
  r.Titles = GetI32(p + 4);
  r.Seconds = GetI32(p + 8);
  r.Bytes = GetI32(p + 12);
  r.Name = GetShortString(p + 16, NameRoom);
}

void EncodeCatRec(const TCatRec& r, uint8_t* p) {
  std::memset(p, 0, CatRecSize);
  EncodeListHead(r.Key, r.Titles, r.Seconds, r.Bytes, r.Name, p);
}

TCatRec DecodeCatRec(const uint8_t* p) {
  TCatRec r;
  DecodeListHead(p, r);
  return r;
}

void EncodeAlbRec(const TAlbRec& r, uint8_t* p) {
  std::memset(p, 0, AlbRecSize);
  EncodeListHead(r.Key, r.Titles, r.Seconds, r.Bytes, r.Name, p);
}

TAlbRec DecodeAlbRec(const uint8_t* p) {
  TAlbRec r;
  DecodeListHead(p, r);
  return r;
}

void EncodePerfRec(const TPerfRec& r, uint8_t* p) {
  std::memset(p, 0, PerfRecSize);
  PutI32(p + 0, r.Key);
  PutShortString(p + 4, NameRoom, r.FirstName);
  PutShortString(p + 45, NameRoom, r.LastName);
  PutShortString(p + 86, FullNameRoom, r.FullName);
}

TPerfRec DecodePerfRec(const uint8_t* p) {
  TPerfRec r;
  r.Key = GetI32(p + 0);
  r.FirstName = GetShortString(p + 4, NameRoom);
  r.LastName = GetShortString(p + 45, NameRoom);
  r.FullName = GetShortString(p + 86, FullNameRoom);
  return r;
}
