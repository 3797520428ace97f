// The catalogue grid's rows: row objects, selection, key-cascade sorting and row operations.
#include "MyGrid.h"
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <windows.h>
#include "TimeText.h"

namespace {

const TShortRec& EmptyRec() {
  static const TShortRec empty;
  return empty;
}

std::string Cut(const std::string& text, size_t room) {
  return text.size() > room ? text.substr(0, room) : text;
}

// A text as it sorts: trimmed, then cut to its room. Compared with ASCII letters folded to upper
// case, bytes otherwise; views into the row objects, so sorting copies no text.
std::string_view SortText(const std::string& text, size_t room) {
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ')
    ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
    --end;
  return std::string_view(text).substr(begin, std::min(end - begin, room));
}

inline unsigned char Fold(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

int CompareFolded(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = Fold(a[i]), y = Fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

template <class T> int CompareValues(T a, T b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

// What one row sorts by.
struct TSortKey {
  std::string_view Type, Category, Last, First, Title, Origin;
  int32_t CategoryKey = 0, ArtistKey = 0; // whose names Category and Last, First are
  int32_t Seconds = 0, Size = 0;
  TDateTime DateStamp = 0, DateObtained = 0;
};

// Only the texts the code compares are looked at: a title's texts lie apart from its row object,
// and over a hundred thousand rows each one read costs.
TSortKey MakeSortKey(const TShortRec& r, TSortCode code) {
  TSortKey k;
  switch (code) {
  case TSortCode::Origin:
    k.Origin = SortText(r.Origin, OriginRoom);
    break;
  case TSortCode::FileType:
    k.Type = SortText(r.FileType, FileTypeRoom);
    [[fallthrough]];
  case TSortCode::Category:
    k.Category = SortText(r.CategoryName, NameRoom);
    [[fallthrough]];
  case TSortCode::Artist:
    k.Last = SortText(r.LastName, NameRoom);
    k.First = SortText(r.FirstName, NameRoom);
    [[fallthrough]];
  case TSortCode::Title:
    k.Title = SortText(r.Title, TitleRoom);
    break;
  default:
    break;
  }
  k.CategoryKey = r.CategoryKey;
  k.ArtistKey = r.ArtistKey;
  k.Seconds = r.Seconds;
  k.Size = r.Size;
  k.DateStamp = r.DateStamp;
  k.DateObtained = r.DateObtained;
  return k;
}

int CompareSortKeys(const TSortKey& a, const TSortKey& b, TSortCode code) {
  int r = 0;
  switch (code) {
  case TSortCode::Seconds:
    return CompareValues(a.Seconds, b.Seconds);
  case TSortCode::Size:
    return CompareValues(b.Size, a.Size);
  case TSortCode::DateStamp:
    return CompareValues(b.DateStamp - a.DateStamp, 0.0);
  case TSortCode::DateObtained:
    return CompareValues(b.DateObtained - a.DateObtained, 0.0);
  case TSortCode::Origin:
    return CompareFolded(a.Origin, b.Origin);
  case TSortCode::FileType:
    if ((r = CompareFolded(a.Type, b.Type)) != 0) return r;
    [[fallthrough]];
  case TSortCode::Category:
    if ((r = CompareFolded(a.Category, b.Category)) != 0) return r;
    [[fallthrough]];
  case TSortCode::Artist:
    if ((r = CompareFolded(a.Last, b.Last)) != 0) return r;
    if ((r = CompareFolded(a.First, b.First)) != 0) return r;
    [[fallthrough]];
  case TSortCode::Title:
    return CompareFolded(a.Title, b.Title);
  }
  return 0;
}

std::unordered_set<int32_t> KeySet(const TStringList& keys) {
  std::unordered_set<int32_t> set;
  for (int i = 0; i < keys.Count(); ++i) {
    int key = 0;
    if (TryStrToInt(Trim(keys[i]), key)) set.insert(key);
  }
  return set;
}

} // namespace

// --- free functions ------------------------------------------------------------------------------

bool ColumnSortCode(int colCount, int col, TSortCode& code) {
  static const uint8_t full[9] = {2, 1, 0, 3, 8, 4, 5, 6, 7};
  static const uint8_t other[8] = {1, 0, 3, 8, 4, 5, 6, 7};
  if (colCount == 9) {
    if (col < 0 || col > 8) return false;
    code = static_cast<TSortCode>(full[col]);
  } else {
    if (col < 0 || col > 7) return false;
    code = static_cast<TSortCode>(other[col]);
  }
  return true;
}

int CompareShortRecs(const TShortRec& a, const TShortRec& b, TSortCode code) {
  return CompareSortKeys(MakeSortKey(a, code), MakeSortKey(b, code), code);
}

namespace {

// The locale's thousands separator and time picture, read once: the grid formats these for
// every row, and asking the system each time is what makes a large fill slow.
struct TCellLocale {
  std::string Thousands = ",";
  std::string TimePicture = "HH:mm:ss";
  std::string Am = "AM", Pm = "PM";
  TCellLocale() {
    char buf[96];
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, buf, sizeof buf)) Thousands = buf;
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, buf, sizeof buf)) TimePicture = buf;
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_S1159, buf, sizeof buf)) Am = buf;
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_S2359, buf, sizeof buf)) Pm = buf;
  }
};

const TCellLocale& CellLocale() {
  static const TCellLocale locale;
  return locale;
}

void AppendNumber(std::string& out, int value, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, value);
  out += buf;
}

// The long time form of the locale's picture (h, hh, H, HH, m, mm, s, ss, t, tt, 'quoted').
std::string TimeText(int hour, int minute, int second) {
  const std::string& p = CellLocale().TimePicture;
  std::string out;
  for (size_t i = 0; i < p.size();) {
    char c = p[i];
    size_t n = 1;
    while (i + n < p.size() && p[i + n] == c && c != '\'')
      ++n;
    switch (c) {
    case 'h':
      AppendNumber(out, hour % 12 == 0 ? 12 : hour % 12, n >= 2 ? 2 : 1);
      break;
    case 'H':
      AppendNumber(out, hour, n >= 2 ? 2 : 1);
      break;
    case 'm':
      AppendNumber(out, minute, n >= 2 ? 2 : 1);
      break;
    case 's':
      AppendNumber(out, second, n >= 2 ? 2 : 1);
      break;
    case 't': {
      const std::string& mark = hour < 12 ? CellLocale().Am : CellLocale().Pm;
      out += n >= 2 ? mark : mark.substr(0, 1);
      break;
    }
    case '\'': {
      size_t close = p.find('\'', i + 1);
      if (close == std::string::npos) close = p.size();
      out += p.substr(i + 1, close - i - 1);
      n = close - i + 1;
      break;
    }
    default:
      out.append(n, c);
    }
    i += n;
  }
  return out;
}

} // namespace

std::string SizeCellText(int32_t size) {
  const std::string& sep = CellLocale().Thousands;
  std::string digits = std::to_string(size < 0 ? -static_cast<int64_t>(size) : size);
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += sep;
    text += digits[i];
  }
  if (size < 0) text.insert(0, "-");
  return text.size() < 8 ? std::string(8 - text.size(), ' ') + text : text;
}

std::string DateTimeCellText(TDateTime value) {
  int year, month, day, hour, minute, second, msec;
  try {
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
  } catch (const Exception&) {
    return "";
  }
  // Titles share few days: the short date of the last days asked for is kept.
  static std::vector<std::pair<int, std::string>> days;
  int dayNumber = (year * 13 + month) * 32 + day;
  std::string date;
  for (auto& d : days)
    if (d.first == dayNumber) date = d.second;
  if (date.empty()) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    char buf[64] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, sizeof buf);
    date = buf;
    if (days.size() >= 64) days.erase(days.begin());
    days.emplace_back(dayNumber, date);
  }
  if (hour == 0 && minute == 0 && second == 0) return date;
  return date + " " + TimeText(hour, minute, second);
}

// --- cells ---------------------------------------------------------------------------------------

TTuneGridRows::TTuneGridRows() {
  SetRowCount(2);
}

void TTuneGridRows::SetRowCount(int value) {
  value = std::max(value, 2);
  const bool fewer = RowCount() > value;
  while (RowCount() > value)
    FRows.pop_back();
  FRows.reserve(static_cast<size_t>(value));
  while (RowCount() < value) {
    FRows.push_back({{}, nullptr});
    FOutOfPlace += RowCount() > 1; // the header row has no place in the order
  }
  if (fewer) RowsDropped();
}

void TTuneGridRows::SetColCount(int value) {
  FColCount = std::max(value, 1);
  for (auto& row : FRows)
    if (!row.Cells.empty()) row.Cells.resize(FColCount);
}

std::string TTuneGridRows::Cells(int col, int row) const {
  if (row < 0 || row >= RowCount() || col < 0 || col >= FColCount) return "";
  const TGridRow& r = FRows[row];
  if (!r.Cells.empty()) return r.Cells[col];
  if (!r.Obj) return "";
  std::string text = CellText(*r.Obj, col);
  return col == 0 && text.empty() ? " " : text;
}

void TTuneGridRows::SetCells(int col, int row, const std::string& text) {
  if (row < 0 || row >= RowCount() || col < 0 || col >= FColCount) return;
  TGridRow& r = FRows[row];
  if (r.Cells.empty()) {
    // From now on this row shows texts of its own.
    std::vector<std::string> cells(FColCount);
    if (r.Obj)
      for (int c = 0; c < FColCount; ++c)
        cells[c] = Cells(c, row);
    r.Cells = std::move(cells);
  }
  r.Cells[col] = text;
}

TShortRec* TTuneGridRows::Objects(int row) const {
  if (row < 0 || row >= RowCount()) return nullptr;
  return FRows[row].Obj.get();
}

void TTuneGridRows::SetColumnHeaders(const TStringList* headers) {
  if (headers && headers->Count() > 0) {
    SetColCount(headers->Count());
    for (int c = 0; c < FColCount; ++c)
      SetCells(c, 0, Trim((*headers)[c]));
  } else {
    for (int c = 0; c < FColCount; ++c)
      SetCells(c, 0, "Column " + IntToStr(c));
  }
}

void TTuneGridRows::InsertEmptyRow(int row) {
  FRows.insert(FRows.begin() + row, TGridRow{{}, nullptr});
  ++FOutOfPlace;
}

void TTuneGridRows::MarkOutOfPlace(int row) {
  if (row < 1 || FRows[row].OutOfPlace) return;
  FRows[row].OutOfPlace = true;
  ++FOutOfPlace;
}

void TTuneGridRows::RowsDropped() {
  FTotalsKnown = false;
  FOutOfPlace = 0;
  for (size_t r = 1; r < FRows.size(); ++r)
    FOutOfPlace += FRows[r].OutOfPlace;
}

int TTuneGridRows::RowOfObject(const TShortRec* obj) const {
  for (int r = 1; r < RowCount(); ++r)
    if (FRows[r].Obj.get() == obj) return r;
  return -1;
}

void TTuneGridRows::AddToTotals(const TShortRec* obj, int sign) const {
  if (!obj || !FTotalsKnown) return;
  FTotals.Count += sign;
  // -1: a duration or size not known, which adds nothing.
  FTotals.Seconds += sign * static_cast<int64_t>(std::max(0, obj->Seconds));
  FTotals.Bytes += sign * static_cast<int64_t>(std::max(0, obj->Size));
}

void TTuneGridRows::SetObject(int row, std::unique_ptr<TShortRec> obj) {
  AddToTotals(FRows[row].Obj.get(), -1);
  AddToTotals(obj.get(), +1);
  FRows[row].Obj = std::move(obj);
}

void TTuneGridRows::EnsureOneDataRow() {
  if (RowCount() < 2) SetRowCount(2);
}

// --- selection -----------------------------------------------------------------------------------

bool TTuneGridRows::IsRowSelected(int row) const {
  TShortRec* obj = row >= 1 ? Objects(row) : nullptr;
  return obj && obj->Selected;
}

void TTuneGridRows::SetRowSelected(int row, bool flag) {
  if (row < 1 || row >= RowCount()) return;
  TShortRec* obj = Objects(row);
  if (!obj) {
    if (!SelectEmptyRows) return;
    SetObject(row, std::make_unique<TShortRec>());
    obj = FRows[row].Obj.get();
  }
  if (obj->Selected == flag) return;
  obj->Selected = flag;
  RowChanged(row);
}

int TTuneGridRows::SelectedCount() const {
  int n = 0;
  for (int r = 1; r < RowCount(); ++r)
    n += IsRowSelected(r);
  return n;
}

void TTuneGridRows::ClearSelection() {
  for (int r = 1; r < RowCount(); ++r)
    SetRowSelected(r, false);
}

void TTuneGridRows::SelectFirstRow() {
  ClearSelection();
  SetTopRow(1);
  SetRow(1);
  if (RowCount() > 2) {
    SetRowSelected(1, true);
    FAnchor = 1;
  }
}

void TTuneGridRows::SaveSelection() {
  FSavedSelection.Clear();
  for (int r = 1; r < RowCount(); ++r)
    if (IsRowSelected(r)) FSavedSelection.Add(IntToStr(r));
}

void TTuneGridRows::RestoreSelection() {
  for (int i = 0; i < FSavedSelection.Count(); ++i)
    SetRowSelected(StrToIntDef(FSavedSelection[i], -1), true);
}

void TTuneGridRows::GetSelectedKeys(TStringList& keys) const {
  keys.Clear();
  for (int r = 1; r < RowCount(); ++r)
    if (IsRowSelected(r)) keys.Add(IntToStr(FRows[r].Obj->MasterKey));
}

int TTuneGridRows::SelectKeyRows(const TStringList& keys) {
  std::unordered_set<int32_t> wanted;
  for (int i = 0; i < keys.Count(); ++i)
    wanted.insert(StrToIntDef(Trim(keys[i]), -1));
  ClearSelection();
  int selected = 0;
  for (int r = 1; r < RowCount(); ++r)
    if (FRows[r].Obj && wanted.count(FRows[r].Obj->MasterKey)) {
      SetRowSelected(r, true);
      if (selected++ == 0) FAnchor = r;
    }
  SaveSelection();
  return selected;
}

void TTuneGridRows::GetAllKeys(TStringList& keys) const {
  keys.Clear();
  for (int r = 1; r < RowCount(); ++r)
    if (FRows[r].Obj) keys.Add(IntToStr(FRows[r].Obj->MasterKey));
}

void TTuneGridRows::PressRow(int row, bool shift, bool ctrl) {
  FDeferredClick = false;
  if (row < 1 || row >= RowCount()) return;
  SetRow(row);
  const bool plain = !shift && !ctrl;
  if (plain && IsRowSelected(row)) {
    // Maybe the start of a drag of the whole selection: decided at the release.
    FDeferredClick = true;
    return;
  }
  if (plain || SelectEmptyRows) ClearSelection();
  if (!plain && FAnchor >= 1 && FAnchor < RowCount()) {
    if (shift) {
      if (!IsRowSelected(row))
        for (int r = std::min(FAnchor, row); r <= std::max(FAnchor, row); ++r)
          SetRowSelected(r, true);
    } else {
      SetRowSelected(row, !IsRowSelected(row));
    }
  } else {
    SetRowSelected(row, true);
    FAnchor = row;
  }
  // Saved at every change, so that a drag carries exactly what the user sees selected.
  SaveSelection();
}

void TTuneGridRows::ReleaseRow(int row, bool dragged) {
  if (FDeferredClick && !dragged && row >= 1 && row < RowCount()) {
    SaveSelection();
    ClearSelection();
    SetRowSelected(row, true);
    FAnchor = row;
  }
  FDeferredClick = false;
}

void TTuneGridRows::KeyMovedTo(int row, bool shift) {
  if (row < 1 || row >= RowCount()) return;
  if (shift && FAnchor >= 1 && FAnchor < RowCount()) {
    for (int r = std::min(FAnchor, row); r <= std::max(FAnchor, row); ++r)
      SetRowSelected(r, true);
  } else {
    // Only mouse presses set the anchor: a later Shift+arrow extends from the pressed row.
    ClearSelection();
  }
  SetRowSelected(row, true);
  SetRow(row);
  ScrollRowIntoView(row);
}

void TTuneGridRows::ScrollRowIntoView(int row) {
  int visible = std::max(VisibleRowCount(), 1);
  if (row < TopRow())
    SetTopRow(std::max(row, 1));
  else if (row >= TopRow() + visible)
    SetTopRow(std::max(row - visible + 1, 1));
}

// --- filling -------------------------------------------------------------------------------------

namespace {
// The fields every row object copies from its title; the tune and album rows add their own.
std::unique_ptr<TShortRec> RowObjectOf(const TTuneRec& rec) {
  auto obj = std::make_unique<TShortRec>();
  obj->FileType = Cut(rec.FileType, FileTypeRoom);
  obj->CategoryKey = rec.CategoryKey;
  obj->ArtistKey = rec.PerformerKey;
  obj->MasterKey = rec.MasterKey;
  obj->Seconds = rec.Seconds;
  obj->Size = rec.Size;
  obj->TimeText = Cut(rec.TimeText, TimeTextRoom);
  obj->DateObtained = rec.DateObtained;
  obj->CategoryName = Cut(rec.CategoryName, NameRoom);
  obj->LastName = Cut(rec.LastName, NameRoom);
  obj->FirstName = Cut(rec.FirstName, NameRoom);
  obj->FullName = Cut(rec.FullName, FullNameRoom);
  obj->Title = Cut(rec.Title, TitleRoom);
  obj->Origin = Cut(rec.Origin, OriginRoom);
  return obj;
}
} // namespace

void TTuneGridRows::SetTuneRow(const TTuneRec& rec, int row) {
  if (row < 1 || row >= RowCount()) return;
  auto obj = RowObjectOf(rec);
  obj->AlbumKey = -1;
  obj->DateStamp = rec.DateStamp;
  SetObject(row, std::move(obj));
  MarkOutOfPlace(row);
  FillRowCells(row);
}

void TTuneGridRows::SetAlbumRow(const TTuneRec& rec, int row) {
  if (row < 1 || row >= RowCount()) return;
  auto obj = RowObjectOf(rec);
  obj->AlbumKey = rec.AlbumKey;
  obj->Crc = rec.Crc;
  SetObject(row, std::move(obj));
  MarkOutOfPlace(row);
  FillRowCells(row);
}

// The cells of a filled row follow its row object, in the grid's layout.
void TTuneGridRows::FillRowCells(int row) {
  FRows[row].Cells.clear();
}

// A filled row's text in a column: 9 columns with the category first, 3 for an album, otherwise
// the 8 columns of a category. Made when asked for, so that large fills stay fast.
std::string TTuneGridRows::CellText(const TShortRec& r, int col) const {
  if (FColCount == 3) {
    switch (col) {
    case 0:
      return r.FullName;
    case 1:
      return r.Title;
    case 2:
      return r.TimeText;
    default:
      return "";
    }
  }
  if (FColCount >= 9) {
    if (col == 0) return r.CategoryName;
    --col;
  }
  switch (col) {
  case 0:
    return r.FullName;
  case 1:
    return r.Title;
  case 2:
    return r.TimeText;
  case 3:
    return r.FileType;
  case 4:
    return SizeCellText(r.Size);
  case 5:
    return DateTimeCellText(r.DateStamp);
  case 6:
    return r.Origin;
  case 7:
    return DateTimeCellText(r.DateObtained);
  default:
    return "";
  }
}

bool TTuneGridRows::GetTuneRecord(int row, TTuneRec& rec) const {
  TShortRec* r = row >= 1 ? Objects(row) : nullptr;
  if (!r) return false;
  rec.FileType = r->FileType;
  rec.AlbumKey = r->AlbumKey;
  rec.CategoryKey = r->CategoryKey;
  rec.PerformerKey = r->ArtistKey;
  rec.MasterKey = r->MasterKey;
  rec.Seconds = r->Seconds;
  rec.Size = r->Size;
  rec.Crc = r->Crc;
  rec.CategoryName = r->CategoryName;
  rec.LastName = r->LastName;
  rec.FirstName = r->FirstName;
  rec.FullName = Cut(r->FirstName + " " + r->LastName, FullNameRoom);
  rec.Title = r->Title;
  rec.TimeText = r->TimeText;
  rec.Origin = r->Origin;
  rec.DateStamp = r->DateStamp;
  rec.DateObtained = r->DateObtained;
  return true;
}

void TTuneGridRows::WriteTuneRecords(TStream& stream) const {
  uint8_t buffer[TuneRecSize];
  for (int r = 1; r < RowCount(); ++r) {
    TTuneRec rec;
    if (!GetTuneRecord(r, rec)) continue;
    EncodeTuneRec(rec, buffer);
    stream.WriteBuffer(buffer, TuneRecSize);
  }
}

int TTuneGridRows::AppendTuneRow(const TTuneRec& rec) {
  if (FRows.back().Obj) InsertEmptyRow(RowCount());
  int row = RowCount() - 1;
  SetTuneRow(rec, row);
  return row;
}

int TTuneGridRows::AppendAlbumRow(const TTuneRec& rec) {
  if (FRows.back().Obj) InsertEmptyRow(RowCount());
  int row = RowCount() - 1;
  SetAlbumRow(rec, row);
  return row;
}

void TTuneGridRows::InsertAlbumRows(const std::vector<TTuneRec>& recs, int row, bool select) {
  if (recs.empty()) return;
  // An empty grid's placeholder row gives way to the titles.
  if (RowCount() == 2 && !FRows[1].Obj) {
    FRows.pop_back();
    RowsDropped();
  }
  row = std::clamp(row, 1, RowCount());
  for (size_t i = 0; i < recs.size(); ++i) {
    InsertEmptyRow(row + static_cast<int>(i));
    SetAlbumRow(recs[i], row + static_cast<int>(i));
    if (select) FRows[row + i].Obj->Selected = true;
  }
  FitColumnsToRows(row, row + static_cast<int>(recs.size()) - 1);
  SaveSelection();
  RowsChanged();
}

void TTuneGridRows::AppendRowsFrom(const TTuneGridRows& other, int32_t albumKey) {
  if (other.FColCount != FColCount) return;
  for (int r = 1; r < other.RowCount(); ++r) {
    if (!other.FRows[r].Obj) continue;
    if (FRows.back().Obj) InsertEmptyRow(RowCount());
    auto copy = std::make_unique<TShortRec>(*other.FRows[r].Obj);
    copy->AlbumKey = albumKey;
    FRows.back().Cells = other.FRows[r].Cells;
    SetObject(RowCount() - 1, std::move(copy));
    MarkOutOfPlace(RowCount() - 1);
  }
  RowsChanged();
}

void TTuneGridRows::AddTuneRow(const TTuneRec& rec, bool resort) {
  if (!FRows.back().Obj && RowCount() == 2) {
    SetTuneRow(rec, 1);
    FitColumnsToRow(1);
  } else if (!resort) {
    // A longer text or a bigger size than any before widens its column.
    int row = AppendTuneRow(rec);
    if (!Updating()) FitColumnsToRow(row);
  } else {
    InsertEmptyRow(RowCount());
    SetTuneRow(rec, RowCount() - 1);
    const TShortRec* added = FRows.back().Obj.get();
    SortByColumn(FSortColumn);
    // The added title's row: in these grids each title has one.
    int row = RowOfObject(added);
    if (row < 1) return;
    FitColumnsToRow(row);
    // Never the header row as the top row.
    SetTopRow(std::max(row - 3, 1));
  }
  RowsChanged();
}

void TTuneGridRows::UpdateTuneRow(const TTuneRec& rec, bool resort) {
  int row = FindKeyRow(rec.MasterKey);
  if (row < 1) return;
  bool selected = IsRowSelected(row);
  if (FColCount == 3) {
    int32_t album = FRows[row].Obj->AlbumKey;
    SetAlbumRow(rec, row);
    FRows[row].Obj->AlbumKey = album;
  } else {
    SetTuneRow(rec, row);
  }
  FRows[row].Obj->Selected = selected;
  if (!Updating()) FitColumnsToRow(row);
  if (!resort) {
    RowChanged(row);
    return;
  }
  // The other rows are in order: the changed one goes before the first row that sorts after it.
  TGridRow moved = std::move(FRows[row]);
  FRows.erase(FRows.begin() + row);
  --FOutOfPlace; // the changed row was marked by the rewrite
  int place = RowCount();
  if (FOrderKnown && FOutOfPlace == 0) {
    place = PlaceFor(*moved.Obj, 1);
  } else {
    TSortKey key = MakeSortKey(*moved.Obj, FSortCode);
    for (int r = 1; r < RowCount(); ++r) {
      const TShortRec& other = FRows[r].Obj ? *FRows[r].Obj : EmptyRec();
      if (CompareSortKeys(MakeSortKey(other, FSortCode), key, FSortCode) > 0) {
        place = r;
        break;
      }
    }
  }
  moved.OutOfPlace = false;
  FRows.insert(FRows.begin() + place, std::move(moved));
  ClearSelection();
  SetRowSelected(place, true);
  // The saved row numbers would name the rows that took the moved row's place.
  SaveSelection();
  FAnchor = place;
  SetRow(place);
  int half = VisibleRowCount() / 2;
  int top = place - half;
  if (place <= half)
    top = 1;
  else if (place > RowCount() - half)
    top = RowCount() - VisibleRowCount();
  SetTopRow(std::max(top, 1));
  RowsChanged();
}

int TTuneGridRows::RefreshAlbumRows(const TTuneRec& rec) {
  int n = 0;
  for (int r = 1; r < RowCount(); ++r) {
    TShortRec* obj = FRows[r].Obj.get();
    if (!obj || obj->MasterKey != rec.MasterKey) continue;
    int32_t album = obj->AlbumKey;
    bool selected = obj->Selected;
    SetAlbumRow(rec, r);
    FRows[r].Obj->AlbumKey = album;
    FRows[r].Obj->Selected = selected;
    RowChanged(r);
    ++n;
  }
  return n;
}

// --- rows by master key --------------------------------------------------------------------------

int TTuneGridRows::FindKeyRow(int32_t key) const {
  for (int r = 1; r < RowCount(); ++r)
    if (FRows[r].Obj && FRows[r].Obj->MasterKey == key) return r;
  return -1;
}

void TTuneGridRows::RemoveRow(int row) {
  if (row < 1 || row >= RowCount()) return;
  AddToTotals(FRows[row].Obj.get(), -1);
  FOutOfPlace -= FRows[row].OutOfPlace;
  FRows.erase(FRows.begin() + row);
  // Saved row numbers would now point at the titles that moved up.
  FSavedSelection.Clear();
  EnsureOneDataRow();
  RowsChanged();
}

void TTuneGridRows::RemoveTuneRow(int32_t key) {
  int row = FindKeyRow(key);
  if (row < 1) return;
  if (RowCount() == 2) {
    SetObject(1, nullptr);
    FRows[1].Cells.clear();
    RowsChanged();
  } else {
    RemoveRow(row);
  }
}

// One pass over the rows: a key at a time would look each one up and close its gap, which for a
// thousand keys in a large grid takes seconds.
void TTuneGridRows::RemoveTuneRows(const TStringList& keys, TRowProgress* progress) {
  auto set = KeySet(keys);
  if (progress) progress->Start(RowCount() - 1);
  int row = 0;
  size_t before = FRows.size();
  auto gone = [&](const TGridRow& r) {
    if (progress) progress->SetPosition(++row);
    return r.Obj && set.count(r.Obj->MasterKey) > 0;
  };
  FRows.erase(std::remove_if(FRows.begin() + 1, FRows.end(), gone), FRows.end());
  if (FRows.size() != before) {
    RowsDropped();
    FSavedSelection.Clear(); // saved row numbers would name other titles now
    EnsureOneDataRow();
    RowsChanged();
  }
  if (progress) progress->Finish();
}

int TTuneGridRows::DeleteKeyRows(TStringList& keys) {
  keys.SetSorted(true);
  auto set = KeySet(keys);
  size_t before = FRows.size();
  auto gone = [&](const TGridRow& row) { return row.Obj && set.count(row.Obj->MasterKey) > 0; };
  FRows.erase(std::remove_if(FRows.begin() + 1, FRows.end(), gone), FRows.end());
  int deleted = static_cast<int>(before - FRows.size());
  if (deleted > 0) {
    RowsDropped();
    FSavedSelection.Clear(); // saved row numbers would name other titles now
  }
  EnsureOneDataRow();
  RowsChanged();
  return deleted;
}

void TTuneGridRows::PurgeKeys(const TStringList& keys) {
  SetBusyCursor(true);
  TStringList copy;
  for (int i = 0; i < keys.Count(); ++i)
    copy.Add(keys[i]);
  DeleteKeyRows(copy);
  SetBusyCursor(false);
}

void TTuneGridRows::PurgeKeysInRowOrder(const TStringList& keys) {
  // The same result whatever order the keys come in.
  PurgeKeys(keys);
}

void TTuneGridRows::RenameCategory(int32_t categoryKey, const std::string& name,
                                   TRowProgress* progress) {
  MoveToCategory(categoryKey, categoryKey, name, progress);
}

void TTuneGridRows::MoveToCategory(int32_t oldKey, int32_t newKey, const std::string& name,
                                   TRowProgress* progress) {
  if (FColCount < 6) return;
  std::string cut = Cut(name, NameRoom);
  if (progress) progress->Start(RowCount() - 1);
  for (int r = 1; r < RowCount(); ++r) {
    if (progress) progress->SetPosition(r);
    TShortRec* obj = FRows[r].Obj.get();
    if (!obj || obj->CategoryKey != oldKey) continue;
    obj->CategoryName = cut;
    obj->CategoryKey = newKey;
    MarkOutOfPlace(r);
    if (!FRows[r].Cells.empty() && FColCount >= 9) FRows[r].Cells[0] = cut.empty() ? " " : cut;
  }
  if (progress) progress->Finish();
  SortByColumn(0);
  RowsChanged();
}

void TTuneGridRows::DropSelectionAt(int dropRow) {
  BeginUpdate();
  SetBusyCursor(true);
  RestoreSelection();
  dropRow = std::clamp(dropRow, 1, RowCount());
  std::vector<TGridRow> moving, staying;
  int place = 0; // rows that stay and stand before the drop row
  for (int r = 1; r < RowCount(); ++r) {
    if (IsRowSelected(r)) {
      moving.push_back(std::move(FRows[r]));
    } else {
      if (r < dropRow) ++place;
      staying.push_back(std::move(FRows[r]));
    }
  }
  FRows.resize(1);
  // Rows the user put in an order of his own: no sort order holds any more.
  FOrderKnown = false;
  for (int i = 0; i < place; ++i)
    FRows.push_back(std::move(staying[i]));
  for (auto& row : moving)
    FRows.push_back(std::move(row));
  for (size_t i = place; i < staying.size(); ++i)
    FRows.push_back(std::move(staying[i]));
  EnsureOneDataRow();
  if (!moving.empty()) {
    FAnchor = place + 1;
    SetRow(place + 1);
  }
  SaveSelection();
  SetBusyCursor(false);
  EndUpdate();
  RowsChanged();
}

// --- totals --------------------------------------------------------------------------------------

const TTuneGridRows::TTotals& TTuneGridRows::Totals() const {
  if (!FTotalsKnown) {
    FTotals = TTotals{};
    FTotalsKnown = true;
    for (int r = 1; r < RowCount(); ++r)
      AddToTotals(FRows[r].Obj.get(), +1);
  }
  return FTotals;
}

int64_t TTuneGridRows::TotalSeconds() const {
  return Objects(1) ? Totals().Seconds : 0;
}

int64_t TTuneGridRows::TotalBytes() const {
  return Objects(1) ? Totals().Bytes : 0;
}

int TTuneGridRows::TuneCount() const {
  return Totals().Count;
}

// --- sorting -------------------------------------------------------------------------------------

namespace {

// Folded bytes of a text from a position, big-endian in words; zeros past its end.
void FoldedBytes(std::string_view text, size_t from, size_t count, uint64_t* words, size_t at) {
  for (size_t i = 0; i < count; ++i, ++at) {
    uint64_t byte = from + i < text.size() ? Fold(text[from + i]) : 0;
    words[at / 8] |= byte << (8 * (7 - at % 8));
  }
}

// Dense ranks of texts in the sort's order: equal ranks for texts that compare equal. A few
// names (categories, artists) stand for many rows; ranked once, they settle comparisons as
// numbers instead of being compared text by text at every tie.
// Folded texts as keys of a hash map, without making folded copies.
struct TFoldedHash {
  size_t operator()(std::string_view text) const {
    size_t h = 2166136261u;
    for (char c : text)
      h = (h ^ Fold(c)) * 16777619u;
    return h;
  }
};
struct TFoldedEqual {
  bool operator()(std::string_view a, std::string_view b) const { return CompareFolded(a, b) == 0; }
};

std::vector<uint32_t> FoldedRanks(const std::vector<TSortKey>& keys,
                                  std::string_view TSortKey::*field, int32_t TSortKey::*owner) {
  std::unordered_map<std::string_view, uint32_t, TFoldedHash, TFoldedEqual> slots;
  std::vector<uint32_t> slot(keys.size());
  std::vector<std::string_view> distinct;
  // The rows of one category or artist nearly always carry its one name: the name last met with
  // each key is tried first, byte for byte, before the name is looked up.
  struct TRecent {
    int32_t Owner = INT_MIN;
    std::string_view Text;
    uint32_t Slot = 0;
  };
  std::vector<TRecent> recent(1024);
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::string_view text = keys[i].*field;
    TRecent& seen = recent[static_cast<uint32_t>(keys[i].*owner) % recent.size()];
    if (seen.Owner == keys[i].*owner && seen.Text == text) {
      slot[i] = seen.Slot;
      continue;
    }
    auto [at, fresh] = slots.try_emplace(text, static_cast<uint32_t>(distinct.size()));
    if (fresh) distinct.push_back(text);
    slot[i] = at->second;
    seen = {keys[i].*owner, text, at->second};
  }
  std::vector<uint32_t> order(distinct.size());
  for (uint32_t k = 0; k < order.size(); ++k)
    order[k] = k;
  std::sort(order.begin(), order.end(),
            [&](uint32_t x, uint32_t y) { return CompareFolded(distinct[x], distinct[y]) < 0; });
  std::vector<uint32_t> rank(distinct.size());
  for (uint32_t k = 0; k < order.size(); ++k)
    rank[order[k]] = k;
  for (auto& s : slot)
    s = rank[s];
  return slot;
}

// What the sort compares first, as numbers: the ranks of the leading names, then the first
// bytes of the leading text. Only rows equal in all of it are compared as texts.
void LeadingWords(const std::vector<TSortKey>& keys, TSortCode code,
                  std::vector<std::array<uint64_t, 4>>& lead) {
  lead.assign(keys.size(), {0, 0, 0, 0});
  auto ranks = [&](std::string_view TSortKey::*field) {
    return FoldedRanks(
        keys, field, field == &TSortKey::Category ? &TSortKey::CategoryKey : &TSortKey::ArtistKey);
  };
  // The rest of the four words: as many of the text's first bytes as they hold.
  auto text = [&](std::string_view TSortKey::*field, size_t word) {
    for (size_t i = 0; i < keys.size(); ++i)
      FoldedBytes(keys[i].*field, 0, (4 - word) * 8, lead[i].data(), word * 8);
  };
  auto pair = [&](const std::vector<uint32_t>& high, const std::vector<uint32_t>& low,
                  size_t word) {
    for (size_t i = 0; i < keys.size(); ++i)
      lead[i][word] =
          (high.empty() ? 0 : static_cast<uint64_t>(high[i]) << 32) | (low.empty() ? 0 : low[i]);
  };
  switch (code) {
  case TSortCode::Title:
    text(&TSortKey::Title, 0);
    break;
  case TSortCode::Origin:
    text(&TSortKey::Origin, 0);
    break;
  case TSortCode::Artist:
    pair(ranks(&TSortKey::Last), ranks(&TSortKey::First), 0);
    text(&TSortKey::Title, 1);
    break;
  case TSortCode::Category:
    pair(ranks(&TSortKey::Category), ranks(&TSortKey::Last), 0);
    pair(ranks(&TSortKey::First), {}, 1);
    text(&TSortKey::Title, 2);
    break;
  case TSortCode::FileType:
    // The type is never longer than its room of four bytes: its bytes are its rank.
    pair({}, ranks(&TSortKey::Category), 0);
    for (size_t i = 0; i < keys.size(); ++i)
      FoldedBytes(keys[i].Type, 0, FileTypeRoom, lead[i].data(), 0);
    pair(ranks(&TSortKey::Last), ranks(&TSortKey::First), 1);
    text(&TSortKey::Title, 2);
    break;
  default:
    break;
  }
}

} // namespace

void TTuneGridRows::SortRowsByCode(TSortCode code) {
  // Small entries move during the sort; the keys stay where they are and are read only when the
  // leading words tie.
  struct TEntry {
    std::array<uint64_t, 4> Lead;
    int Row;
  };
  const int rows = RowCount() - 1;
  std::vector<TSortKey> keys;
  keys.reserve(static_cast<size_t>(rows));
  for (int r = 1; r <= rows; ++r)
    keys.push_back(MakeSortKey(FRows[r].Obj ? *FRows[r].Obj : EmptyRec(), code));
  std::vector<std::array<uint64_t, 4>> lead;
  LeadingWords(keys, code, lead);
  std::vector<TEntry> entries(static_cast<size_t>(rows));
  for (int r = 1; r <= rows; ++r)
    entries[r - 1] = {lead[r - 1], r};
  lead.clear();
  lead.shrink_to_fit();
  std::sort(entries.begin(), entries.end(), [&](const TEntry& a, const TEntry& b) {
    if (a.Lead != b.Lead) return a.Lead < b.Lead;
    return CompareSortKeys(keys[a.Row - 1], keys[b.Row - 1], code) < 0;
  });
  std::vector<TGridRow> sorted;
  sorted.reserve(FRows.size());
  sorted.push_back(std::move(FRows[0]));
  for (auto& e : entries) {
    sorted.push_back(std::move(FRows[e.Row]));
    sorted.back().OutOfPlace = false;
  }
  FRows = std::move(sorted);
  FOutOfPlace = 0;
  FOrderKnown = true;
}

int TTuneGridRows::PlaceFor(const TShortRec& obj, int from) const {
  const TSortKey key = MakeSortKey(obj, FSortCode);
  int low = from, high = RowCount();
  while (low < high) {
    int middle = low + (high - low) / 2;
    const TShortRec& other = FRows[middle].Obj ? *FRows[middle].Obj : EmptyRec();
    if (CompareSortKeys(MakeSortKey(other, FSortCode), key, FSortCode) > 0)
      high = middle;
    else
      low = middle + 1;
  }
  return low;
}

void TTuneGridRows::PlaceRowsOutOfPlace() {
  // The rows in order stay as they are, closed up; the others are sorted among themselves.
  std::vector<TGridRow> moving;
  moving.reserve(static_cast<size_t>(FOutOfPlace));
  if (FOutOfPlace <= FewRows) {
    // Taken out one by one, from the end, where new rows are: the rest need not move.
    for (size_t r = FRows.size() - 1; r >= 1; --r)
      if (FRows[r].OutOfPlace) {
        moving.push_back(std::move(FRows[r]));
        FRows.erase(FRows.begin() + static_cast<std::ptrdiff_t>(r));
      }
  } else {
    size_t kept = 1;
    for (size_t r = 1; r < FRows.size(); ++r) {
      if (FRows[r].OutOfPlace)
        moving.push_back(std::move(FRows[r]));
      else if (kept != r)
        FRows[kept++] = std::move(FRows[r]);
      else
        ++kept;
    }
    FRows.resize(kept);
  }
  std::vector<TSortKey> keys;
  keys.reserve(moving.size());
  for (const TGridRow& row : moving)
    keys.push_back(MakeSortKey(row.Obj ? *row.Obj : EmptyRec(), FSortCode));
  std::vector<size_t> order(moving.size());
  for (size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return CompareSortKeys(keys[a], keys[b], FSortCode) < 0; });
  // Each goes after the rows in order that do not sort after it; in their sorted order the places
  // never go back, so the search starts where the last one ended.
  std::vector<int> places(order.size());
  int from = 1;
  for (size_t i = 0; i < order.size(); ++i) {
    const TGridRow& row = moving[order[i]];
    from = places[i] = PlaceFor(row.Obj ? *row.Obj : EmptyRec(), from);
  }
  FOutOfPlace = 0;
  if (order.size() <= FewRows) {
    // Inserted from the last place up, so the places found stay right.
    for (size_t i = order.size(); i-- > 0;) {
      moving[order[i]].OutOfPlace = false;
      FRows.insert(FRows.begin() + places[i], std::move(moving[order[i]]));
    }
    return;
  }
  std::vector<TGridRow> merged;
  merged.reserve(FRows.size() + moving.size() + FRows.size() / 8);
  merged.push_back(std::move(FRows[0]));
  size_t next = 1;
  for (size_t i = 0; i < order.size(); ++i) {
    for (; next < static_cast<size_t>(places[i]); ++next)
      merged.push_back(std::move(FRows[next]));
    merged.push_back(std::move(moving[order[i]]));
    merged.back().OutOfPlace = false;
  }
  for (; next < FRows.size(); ++next)
    merged.push_back(std::move(FRows[next]));
  FRows = std::move(merged);
}

std::vector<int32_t> TTuneGridRows::KeysInRowOrder() const {
  std::vector<int32_t> keys;
  keys.reserve(FRows.size());
  for (size_t r = 1; r < FRows.size(); ++r)
    if (FRows[r].Obj) keys.push_back(FRows[r].Obj->MasterKey);
  return keys;
}

bool TTuneGridRows::TakeOrder(const TTitleRanks& ranks, TSortCode code) {
  // Rows of titles the ranks do not know go last, in the order they had.
  std::vector<std::pair<int64_t, int>> places;
  places.reserve(FRows.size() - 1);
  for (int r = 1; r < RowCount(); ++r) {
    const int rank = FRows[r].Obj ? ranks.Of(FRows[r].Obj->MasterKey) : -1;
    places.push_back({rank >= 0 ? rank : static_cast<int64_t>(INT_MAX) + r, r});
  }
  std::sort(places.begin(), places.end());
  std::vector<TGridRow> ordered;
  ordered.reserve(FRows.size());
  ordered.push_back(std::move(FRows[0]));
  for (const auto& place : places)
    ordered.push_back(std::move(FRows[static_cast<size_t>(place.second)]));
  FRows = std::move(ordered);
  TSortKey before = MakeSortKey(FRows[1].Obj ? *FRows[1].Obj : EmptyRec(), code);
  for (size_t r = 2; r < FRows.size(); ++r) {
    TSortKey key = MakeSortKey(FRows[r].Obj ? *FRows[r].Obj : EmptyRec(), code);
    if (CompareSortKeys(before, key, code) > 0) return false;
    before = key;
  }
  for (TGridRow& row : FRows)
    row.OutOfPlace = false;
  FOutOfPlace = 0;
  return true;
}

void TTuneGridRows::SortByColumn(int col) {
  SortByColumnWith(col, nullptr);
}

void TTuneGridRows::SortByColumnInOrder(int col, const TTitleRanks& ranks) {
  SortByColumnWith(col, &ranks);
}

void TTuneGridRows::SortByColumnWith(int col, const TTitleRanks* ranks) {
  if (!CanSort || !Objects(1) || RowCount() < 3) return;
  int distance = 0;
  const TShortRec* focused = nullptr;
  int row = Row();
  if (row >= TopRow() && row < TopRow() + VisibleRowCount() && Objects(row)) {
    focused = Objects(row);
    distance = row - TopRow();
  }
  TSortCode code = FSortCode;
  ColumnSortCode(FColCount, col, code);
  // The same order again: only the rows a change put out of order move, unless they are so many
  // that sorting them all costs less.
  bool inOrder = FOrderKnown && code == FSortCode && FOutOfPlace <= (RowCount() - 1) / 4;
  FSortCode = code;
  FPrevSortColumn = FSortColumn;
  FSortColumn = col;
  BeginUpdate();
  if (ranks) inOrder = FOrderKnown = TakeOrder(*ranks, code);
  if (!inOrder) {
    SetBusyCursor(true);
    SortRowsByCode(FSortCode);
    SetBusyCursor(false);
  } else if (FOutOfPlace > 0) {
    PlaceRowsOutOfPlace();
  }
  if (focused) {
    // The row of the focused title's master key: in these grids each title has one row.
    int newRow = focused == Objects(row) ? row : RowOfObject(focused);
    if (newRow >= 1) {
      SetRow(newRow);
      SetRowSelected(newRow, true);
      SetTopRow(std::max(newRow - distance, 1));
    }
  }
  EndUpdate();
  RowsChanged();
}

// --- measuring -----------------------------------------------------------------------------------

namespace {

// Widths of the cell texts from a table of character widths, without making the texts: a
// column's widest text is found among a hundred thousand rows this way.
class TCellEstimates {
public:
  explicit TCellEstimates(const int* widths) : FWidths(widths) {}

  int Text(std::string_view text) const {
    int w = 0;
    for (unsigned char c : text)
      w += FWidths[c];
    return w;
  }

  // The digits, thousands separators, sign and padding of SizeCellText.
  int Size(int32_t size) const {
    int64_t magnitude = size < 0 ? -static_cast<int64_t>(size) : size;
    int digits = 0, w = 0;
    do {
      w += FWidths['0' + static_cast<int>(magnitude % 10)];
      magnitude /= 10;
      ++digits;
    } while (magnitude > 0);
    const std::string& sep = CellLocale().Thousands;
    const int seps = (digits - 1) / 3;
    w += seps * Text(sep);
    int length = digits + seps * static_cast<int>(sep.size());
    if (size < 0) {
      w += FWidths['-'];
      ++length;
    }
    if (length < 8) w += (8 - length) * FWidths[' '];
    return w;
  }

  // A date's text is its day's short date, then a blank and the time unless it is midnight. Every
  // part of the time picture shows one of hour, minute and second, so the time's width is the
  // sum of what each shows.
  int DateTime(TDateTime value) {
    // No date a calendar holds (a damaged record): measured as it shows.
    if (!(std::fabs(value) < 1e7)) return Text(DateTimeCellText(value));
    // The time of day as DecodeTime finds it, in 32-bit steps: there are a hundred thousand.
    const int ms = std::min(
        static_cast<int>(std::lround(std::fabs(value - std::trunc(value)) * 86400000.0)), 86399999);
    const int hour = ms / 3600000, minute = ms / 60000 % 60, second = ms / 1000 % 60;
    const int64_t day = static_cast<int64_t>(std::floor(value));
    if (day != FLastDay) {
      auto at = FDays.find(day);
      if (at == FDays.end())
        at = FDays.emplace(day, Text(DateTimeCellText(static_cast<TDateTime>(day)))).first;
      FLastDay = day;
      FLastDayWidth = at->second;
    }
    if (hour == 0 && minute == 0 && second == 0) return FLastDayWidth;
    if (!FTimeParts) MeasureTimeParts();
    return FLastDayWidth + FWidths[' '] + FHours[hour] + FMinutes[minute] + FSeconds[second] -
           2 * FMidnight;
  }

private:
  void MeasureTimeParts() {
    FTimeParts = true;
    FMidnight = Text(TimeText(0, 0, 0));
    for (int h = 0; h < 24; ++h)
      FHours[h] = Text(TimeText(h, 0, 0));
    for (int m = 0; m < 60; ++m) {
      FMinutes[m] = Text(TimeText(0, m, 0));
      FSeconds[m] = Text(TimeText(0, 0, m));
    }
  }

  const int* FWidths;
  std::unordered_map<int64_t, int> FDays;
  int64_t FLastDay = INT64_MIN;
  int FLastDayWidth = 0;
  bool FTimeParts = false;
  int FMidnight = 0, FHours[24] = {}, FMinutes[60] = {}, FSeconds[60] = {};
};

} // namespace

void TTuneGridRows::EstimateColumns(const int* charWidths,
                                    std::vector<std::vector<int>>& estimates) const {
  estimates.assign(static_cast<size_t>(FColCount), std::vector<int>(FRows.size(), 0));
  TCellEstimates measure(charWidths);
  // Which field of the row object each column shows, as CellText lays the columns out.
  std::vector<int> fields(static_cast<size_t>(FColCount));
  for (int col = 0; col < FColCount; ++col)
    fields[static_cast<size_t>(col)] = FColCount == 3  ? (col == 2 ? 3 : col + 1)
                                       : FColCount < 9 ? col + 1
                                                       : col;
  // Row by row, all columns at once: each row object is fetched once.
  for (size_t r = 0; r < FRows.size(); ++r) {
    const TGridRow& row = FRows[r];
    if (!row.Cells.empty()) {
      for (size_t col = 0; col < estimates.size(); ++col)
        estimates[col][r] = measure.Text(row.Cells[col]);
      continue;
    }
    if (!row.Obj) continue;
    const TShortRec& o = *row.Obj;
    for (size_t col = 0; col < estimates.size(); ++col) {
      int w = 0;
      switch (fields[col]) {
      case 0:
        // An empty first cell shows a blank.
        w = o.CategoryName.empty() && col == 0 ? charWidths[' '] : measure.Text(o.CategoryName);
        break;
      case 1:
        w = o.FullName.empty() && col == 0 ? charWidths[' '] : measure.Text(o.FullName);
        break;
      case 2:
        w = measure.Text(o.Title);
        break;
      case 3:
        w = measure.Text(o.TimeText);
        break;
      case 4:
        w = measure.Text(o.FileType);
        break;
      case 5:
        w = measure.Size(o.Size);
        break;
      case 6:
        w = measure.DateTime(o.DateStamp);
        break;
      case 7:
        w = measure.Text(o.Origin);
        break;
      case 8:
        w = measure.DateTime(o.DateObtained);
        break;
      default:
        break;
      }
      estimates[col][r] = w;
    }
  }
}
