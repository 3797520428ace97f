// Building title records and the artist name forms; the record codecs are in TuneRecordCodecs.
#include "TuneRecords.h"
#include "TimeText.h"

std::string MakeFullName(const std::string& firstName, const std::string& lastName) {
  return Trim(Trim(firstName) + " " + Trim(lastName));
}

std::string ArtistNameForm(const std::string& lastName, const std::string& firstName) {
  std::string first = Trim(firstName);
  return first.empty() ? Trim(lastName) : Trim(lastName) + ", " + first;
}

void SplitArtistText(const std::string& text, std::string& lastName, std::string& firstName) {
  size_t comma = text.find(',');
  lastName = Trim(text.substr(0, comma));
  firstName = comma == std::string::npos ? std::string() : Trim(text.substr(comma + 1));
}

TTuneRec BuildTuneRec(const TNewTune& t, int32_t masterKey, const std::string& categoryName,
                      const std::string& firstName, const std::string& lastName) {
  TTuneRec r;
  r.FileType = t.FileType.substr(0, FileTypeRoom);
  r.CategoryKey = t.CategoryKey;
  r.PerformerKey = t.PerformerKey;
  r.Seconds = t.Seconds;
  r.Size = t.Size;
  r.Crc = t.Crc;
  r.MasterKey = masterKey;
  r.CategoryName = categoryName;
  r.FirstName = firstName;
  r.LastName = lastName;
  r.FullName = MakeFullName(firstName, lastName);
  r.Title = Trim(t.Title);
  r.Origin = Trim(t.Origin);
  r.TimeText = SecondsToTimeText(t.Seconds);
  r.DateStamp = t.FileDate;
  r.DateObtained = t.DateObtained;
  return r;
}
