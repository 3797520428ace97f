// Record layouts of the catalogue files and their little-endian codecs, and the file names.
#pragma once
#include "SysUtils.h"
#include <cstdint>
#include <string>

// --- file names
// -----------------------------------------------------------------------------------
inline constexpr const char* TuneBaseName = "Music";
inline constexpr const char* IndexExt = ".dex";
inline constexpr const char* DataExt = ".dax";
inline constexpr const char* CategoriesName = "Categories";
inline constexpr const char* ArtistsName = "Artists";
inline constexpr const char* AlbumsName = "Albums";
inline constexpr const char* AlbumSuffix = "_A";
inline constexpr const char* AlbumTitlesSuffix = "_AT";
inline constexpr const char* PackIndexName = "InfoTemp";
inline constexpr const char* PackDataName = "DataTemp";
inline constexpr const char* PackExt = ".bak";

// Rooms of the text fields, in characters.
inline constexpr int FileTypeRoom = 4;
inline constexpr int TimeTextRoom = 8;
inline constexpr int NameRoom = 40;
inline constexpr int FullNameRoom = 82;
inline constexpr int TitleRoom = 125;
inline constexpr int OriginRoom = 255;
// The longest duration a title keeps: 99:59:59, the most its time text has room for.
inline constexpr int32_t MaxTitleSeconds = 99 * 3600 + 59 * 60 + 59;

// --- title record
// ---------------------------------------------------------------------------------
inline constexpr int TuneRecSize = 672;

struct TTuneRec {
  std::string FileType; // "MIDI" or "RMI"
  bool Live = false;    // false: deleted, kept until the next pack
  int32_t RecNo = 0;    // 1-based position when appended
  int32_t Offset = 0;   // of the stored archive in the data file
  int32_t Length = 0;   // of the stored archive
  int32_t CategoryKey = 0;
  int32_t PerformerKey = 0;
  int32_t MasterKey = 0;
  int32_t Seconds = 0;  // 0 when not known
  int32_t AlbumKey = 0; // meaningful in the album titles file only
  int32_t Size = 0;     // of the MIDI file
  uint32_t Crc = 0;     // of the MIDI file
  std::string TimeText;
  std::string CategoryName;
  std::string LastName;
  std::string FirstName;
  std::string FullName;
  std::string Title;
  std::string Origin;
  TDateTime DateStamp = 0;    // the source file's modification time
  TDateTime DateObtained = 0; // when the title was added
};

void EncodeTuneRec(const TTuneRec& rec, uint8_t* out); // writes TuneRecSize bytes
TTuneRec DecodeTuneRec(const uint8_t* in);             // reads TuneRecSize bytes
// The same into a record in place (every field is set), for loading many without copies.
void DecodeTuneRecInto(const uint8_t* in, TTuneRec& rec);

// --- category and album records ------------------------------------------------------------------
inline constexpr int CatRecSize = 72;
inline constexpr int AlbRecSize = 76;

class TCategoryView; // the views a category or album has while the program runs
class TAlbumView;

struct TCatRec {
  int32_t Key = 0;
  int32_t Titles = 0;
  int32_t Seconds = 0;
  int32_t Bytes = 0;
  std::string Name;
  TCategoryView* View = nullptr; // in memory only; written as 0
};

struct TAlbRec {
  int32_t Key = 0;
  int32_t Titles = 0;
  int32_t Seconds = 0;
  int32_t Bytes = 0;
  std::string Name;
  TAlbumView* View = nullptr; // in memory only; written as 0
};

void EncodeCatRec(const TCatRec& rec, uint8_t* out); // writes CatRecSize bytes
TCatRec DecodeCatRec(const uint8_t* in);
void EncodeAlbRec(const TAlbRec& rec, uint8_t* out); // writes AlbRecSize bytes
TAlbRec DecodeAlbRec(const uint8_t* in);

// --- artist record
// --------------------------------------------------------------------------------
inline constexpr int PerfRecSize = 176;

struct TPerfRec {
  int32_t Key = 0;
  std::string FirstName;
  std::string LastName;
  std::string FullName;
};

void EncodePerfRec(const TPerfRec& rec, uint8_t* out); // writes PerfRecSize bytes
TPerfRec DecodePerfRec(const uint8_t* in);

// --- building records
// ----------------------------------------------------------------------------- Trimmed first name,
// a blank, trimmed last name, the whole trimmed.
std::string MakeFullName(const std::string& firstName, const std::string& lastName);

// The artist name form the lists show: "Last, First", or "Last" alone when there is no first name.
std::string ArtistNameForm(const std::string& lastName, const std::string& firstName);
// Typed artist text split at its first comma into last and first name, both trimmed (the form
// above puts a blank after the comma); text without a comma is all last name.
void SplitArtistText(const std::string& text, std::string& lastName, std::string& firstName);

// What a new title is made from, besides its master key and the names looked up by key.
struct TNewTune {
  std::string Title;
  TDateTime FileDate = 0;
  TDateTime DateObtained = 0;
  int32_t Seconds = 0;
  uint32_t Crc = 0;
  int32_t Size = 0;
  int32_t PerformerKey = 0;
  int32_t CategoryKey = 0;
  std::string FileType; // only its first 4 characters are kept
  std::string Origin;
};

// A new title record: names as the lists hold them (empty when a key is unknown), title and origin
// trimmed, duration text from the seconds. Live flag, record number, offset and length are left for
// the append; the album key is 0.
TTuneRec BuildTuneRec(const TNewTune& tune, int32_t masterKey, const std::string& categoryName,
                      const std::string& firstName, const std::string& lastName);
