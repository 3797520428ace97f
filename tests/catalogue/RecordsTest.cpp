// Catalogue record codecs against files written independently by the Python oracle.
#include <gtest/gtest.h>
#include "SysUtils.h"
#include "TestUtil.h"
#include "TuneRecords.h"
#include <cmath>
#include <sstream>

namespace {

const uint8_t* Bytes(const std::string& s, size_t at = 0) {
  return reinterpret_cast<const uint8_t*>(s.data()) + at;
}

// Half a millisecond in days: the resolution the catalogue's dates carry.
constexpr double HalfMs = 0.5 / 86400000.0;

double When(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, ms);
}

template <class R, class Enc, class Dec>
void ExpectFileRoundTrips(const std::string& file, int size, Enc encode, Dec decode,
                          std::vector<R>& records) {
  std::string bytes = ReadFileBytes(OracleDir("records") + file);
  size_t whole = bytes.size() / size; // a trailing partial record is ignored
  for (size_t i = 0; i < whole; ++i) {
    records.push_back(decode(Bytes(bytes, i * size)));
    std::string again(size, '\0');
    encode(records.back(), reinterpret_cast<uint8_t*>(again.data()));
    EXPECT_EQ(again, bytes.substr(i * size, size)) << file << " record " << i + 1;
  }
}

} // namespace

TEST(Records, TitleRecordsDecodeFieldByFieldAndEncodeToTheSameBytes) {
  std::vector<TTuneRec> r;
  ExpectFileRoundTrips<TTuneRec>("tunes.dex", TuneRecSize, EncodeTuneRec, DecodeTuneRec, r);
  ASSERT_EQ(r.size(), 3u);

  EXPECT_EQ(r[0].FileType, "MIDI");
  EXPECT_TRUE(r[0].Live);
  EXPECT_EQ(r[0].RecNo, 1);
  EXPECT_EQ(r[0].Length, 1234);
  EXPECT_EQ(r[0].CategoryKey, 3);
  EXPECT_EQ(r[0].PerformerKey, 7);
  EXPECT_EQ(r[0].MasterKey, 42);
  EXPECT_EQ(r[0].Seconds, 125);
  EXPECT_EQ(r[0].Size, 5678);
  EXPECT_EQ(r[0].Crc, 0xDEADBEEFu);
  EXPECT_EQ(r[0].TimeText, "2:05");
  EXPECT_EQ(r[0].CategoryName, "Jazz");
  EXPECT_EQ(r[0].LastName, "Brubeck");
  EXPECT_EQ(r[0].FirstName, "Dave");
  EXPECT_EQ(r[0].FullName, "Dave Brubeck");
  EXPECT_EQ(r[0].Title, "Take Five");
  EXPECT_EQ(r[0].Origin, "C:\\Music\\take5.mid");
  EXPECT_NEAR(r[0].DateStamp, When(1999, 12, 31, 23, 59, 58), HalfMs);
  EXPECT_NEAR(r[0].DateObtained, When(2024, 2, 29, 12), HalfMs);

  EXPECT_EQ(r[1].FileType, "RMI");
  EXPECT_FALSE(r[1].Live);
  EXPECT_EQ(r[1].Offset, 1234);
  EXPECT_EQ(r[1].CategoryKey, -1);
  EXPECT_EQ(r[1].MasterKey, 2147483647);
  EXPECT_EQ(r[1].AlbumKey, 5);
  EXPECT_EQ(r[1].Crc, 0xFFFFFFFFu);
  EXPECT_EQ(r[1].TimeText, "1:00:00");
  EXPECT_EQ(r[1].Title, std::string(125, 'T')); // cut to the room
  EXPECT_EQ(r[1].Origin, std::string(255, 'O'));
  EXPECT_EQ(r[1].CategoryName, std::string(40, 'C'));
  EXPECT_EQ(r[1].DateStamp, 0.0);
  EXPECT_NEAR(r[1].DateObtained, When(2038, 1, 19, 3, 14, 7, 123), HalfMs);

  EXPECT_EQ(r[2].Offset, -5);
  EXPECT_EQ(r[2].TimeText, "?");
  EXPECT_EQ(r[2].Title, "Caf\xe9 \xc0 la carte"); // ANSI bytes kept as they are
  EXPECT_NEAR(r[2].DateStamp, When(2000, 2, 29, 6, 7, 8, 9), HalfMs);
}

TEST(Records, FillingCutsLongTextToItsRoom) {
  std::string bytes = ReadFileBytes(OracleDir("records") + "tunes.dex");
  TTuneRec r = DecodeTuneRec(Bytes(bytes, TuneRecSize));
  r.Title = std::string(130, 'T');
  r.Origin = std::string(300, 'O');
  r.CategoryName = std::string(41, 'C');
  r.LastName = std::string(44, 'L');
  r.FullName = std::string(40, 'L');
  std::string out(TuneRecSize, '\xff');
  EncodeTuneRec(r, reinterpret_cast<uint8_t*>(out.data()));
  EXPECT_EQ(out, bytes.substr(TuneRecSize, TuneRecSize));
}

TEST(Records, OverlongLengthBytesAreClampedToTheRoom) {
  std::string bytes = ReadFileBytes(OracleDir("records") + "tunes.dex").substr(0, TuneRecSize);
  bytes[0] = '\xff';   // file type, room 4
  bytes[271] = '\xfe'; // title, room 125
  TTuneRec r = DecodeTuneRec(Bytes(bytes));
  EXPECT_EQ(r.FileType.size(), 4u);
  EXPECT_EQ(r.Title.size(), 125u);
}

TEST(Records, CategoryAlbumAndArtistRecords) {
  std::vector<TCatRec> c;
  ExpectFileRoundTrips<TCatRec>("categories.dex", CatRecSize, EncodeCatRec, DecodeCatRec, c);
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].Key, 1);
  EXPECT_EQ(c[0].Titles, 12);
  EXPECT_EQ(c[0].Seconds, 3725);
  EXPECT_EQ(c[0].Bytes, 1234567);
  EXPECT_EQ(c[0].Name, "Pop");
  EXPECT_EQ(c[1].Key, -7);
  EXPECT_EQ(c[1].Name, std::string(40, 'N'));

  std::vector<TAlbRec> a;
  ExpectFileRoundTrips<TAlbRec>("albums.dex", AlbRecSize, EncodeAlbRec, DecodeAlbRec, a);
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a[0].Key, 9);
  EXPECT_EQ(a[0].Name, "Best of");
  EXPECT_EQ(a[1].Key, 2147483647);
  EXPECT_EQ(a[1].Titles, -1);
  EXPECT_EQ(a[1].Name, "");

  std::vector<TPerfRec> p;
  ExpectFileRoundTrips<TPerfRec>("artists.dex", PerfRecSize, EncodePerfRec, DecodePerfRec, p);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].Key, 5);
  EXPECT_EQ(p[0].FirstName, "Dave");
  EXPECT_EQ(p[0].LastName, "Brubeck");
  EXPECT_EQ(p[0].FullName, "Dave Brubeck");
  EXPECT_EQ(p[1].FirstName, std::string(40, 'F'));
  EXPECT_EQ(p[1].FullName, std::string(82, 'F'));
}

TEST(Records, InMemoryViewReferencesAreWrittenAsZero) {
  TCatRec c;
  c.Key = 1;
  c.View = reinterpret_cast<TCategoryView*>(0x12345678);
  std::string out(CatRecSize, '\xff');
  EncodeCatRec(c, reinterpret_cast<uint8_t*>(out.data()));
  EXPECT_EQ(out.substr(57), std::string(15, '\0'));
  TAlbRec a;
  a.View = reinterpret_cast<TAlbumView*>(0x12345678);
  out.assign(AlbRecSize, '\xff');
  EncodeAlbRec(a, reinterpret_cast<uint8_t*>(out.data()));
  EXPECT_EQ(out.substr(57), std::string(19, '\0'));
  EXPECT_EQ(DecodeAlbRec(Bytes(out)).View, nullptr);
}

TEST(Records, ANewTitleRecordIsBuiltAsTheIndependentWriterBuildsIt) {
  TNewTune t;
  t.Title = "  Blue Rondo \t";
  t.FileDate = When(2001, 9, 8, 7, 6, 5);
  t.DateObtained = When(2023, 1, 2, 3, 4, 5);
  t.Seconds = 3725;
  t.Crc = 0x01020304;
  t.Size = 4096;
  t.PerformerKey = 7;
  t.CategoryKey = 3;
  t.FileType = "MIDIfile";
  t.Origin = " C:\\x\\blue.mid  ";
  TTuneRec r = BuildTuneRec(t, 43, "Jazz", "  Dave ", "Brubeck  ");
  EXPECT_EQ(r.FullName, "Dave Brubeck");
  EXPECT_EQ(r.FirstName, "  Dave "); // names as the artist list holds them
  EXPECT_EQ(r.TimeText, "1:02:05");
  EXPECT_EQ(r.AlbumKey, 0);

  std::string golden = ReadFileBytes(OracleDir("records") + "newtune.dex");
  TTuneRec g = DecodeTuneRec(Bytes(golden));
  EXPECT_NEAR(r.DateStamp, g.DateStamp, HalfMs);
  EXPECT_NEAR(r.DateObtained, g.DateObtained, HalfMs);
  r.DateStamp = g.DateStamp;
  r.DateObtained = g.DateObtained;
  std::string out(TuneRecSize, '\0');
  EncodeTuneRec(r, reinterpret_cast<uint8_t*>(out.data()));
  EXPECT_EQ(out, golden);
}

TEST(Records, DatesAgreeWithPythonDatetime) {
  std::istringstream in(ReadFileBytes(OracleDir("records") + "dates.txt"));
  int y, mo, d, h, mi, s, ms, n = 0;
  double days;
  while (in >> y >> mo >> d >> h >> mi >> s >> ms >> days) {
    ++n;
    EXPECT_NEAR(When(y, mo, d, h, mi, s, ms), days, HalfMs) << y << "-" << mo << "-" << d;
    int y2, mo2, d2, h2, mi2, s2, ms2;
    DecodeDate(days, y2, mo2, d2);
    DecodeTime(days, h2, mi2, s2, ms2);
    EXPECT_EQ(std::vector<int>({y2, mo2, d2, h2, mi2, s2, ms2}),
              std::vector<int>({y, mo, d, h, mi, s, ms}));
  }
  EXPECT_EQ(n, 7);
}

TEST(ArtistNameForm, TypedTextSplitsAtTheFirstCommaAndTheFormReadsBack) {
  struct TCase {
    const char* Typed;
    const char* Last;
    const char* First;
    const char* Form;
  } const cases[] = {
      {"Doe, John", "Doe", "John", "Doe, John"},
      {"  Doe ,John  ", "Doe", "John", "Doe, John"},
      {"Prince", "Prince", "", "Prince"},
      {"Prince,", "Prince", "", "Prince"},
      {"Earth, Wind, Fire", "Earth", "Wind, Fire", "Earth, Wind, Fire"},
      {" , ", "", "", ""},
  };
  for (const TCase& c : cases) {
    std::string last, first;
    SplitArtistText(c.Typed, last, first);
    EXPECT_EQ(last, c.Last) << c.Typed;
    EXPECT_EQ(first, c.First) << c.Typed;
    EXPECT_EQ(ArtistNameForm(last, first), c.Form) << c.Typed;
  }
}
