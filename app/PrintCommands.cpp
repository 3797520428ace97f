// The printed catalogue report: the print commands of the menus, the print options window, and
// the measuring and drawing of the report's pages on the printer.
#include <windows.h>
#include <array>
#include <cmath>
#include <optional>
#include "Handles.h"
#include "MainCatalogue.h"
#include "MainServices.h"
#include "WorkingKeys.h"
#include "CatalogueCommands.h"
#include "PrintCommands.h"
#include "Messages.h"
#include "PrintParamD2.h"
#include "Printers.h"
#include "TimeText.h"
#include "ComCtrls.h"
#include "DataCodeD2.h"
#include "ExtListView.h"
#include "ExtPage.h"
#include "Menus.h"

namespace {

constexpr int ColumnCount = 9;
const char* const ColumnHeaders[ColumnCount] = {"Category",   "Artist", "Title",
                                                "Duration",   "Type",   "Size",
                                                "Date stamp", "Origin", "Date obtained"};
// Duration, Type, Size, Date stamp and Date obtained are drawn centred in their columns.
constexpr bool Centred[ColumnCount] = {false, false, false, true, true, true, true, false, true};
constexpr int StartFontSize = 9, SmallestFontSize = 4;
constexpr int ColumnGap = 20; // thousandths of the page width
constexpr int RowSpacing = 3; // thousandths of the page height
constexpr const char* ReportFont = "Arial";

std::string ShortDate(TDateTime value) {
  if (value <= 0) return ""; // never set
  int year, month, day;
  try {
    DecodeDate(value, year, month, day);
  } catch (const Exception&) {
    return "";
  }
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  char text[80] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, sizeof text);
  return text;
}

std::string TimeNow() {
  char text[80] = "";
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text, sizeof text);
  return text;
}

// The nine cell texts of a title, in column order.
std::array<std::string, ColumnCount> CellTexts(const TTuneRec& rec) {
  return {Trim(rec.CategoryName),
          Trim(rec.FullName),
          Trim(rec.Title),
          Trim(rec.TimeText),
          Trim(rec.FileType),
          Trim(FormatThousands(rec.Size)),
          Trim(ShortDate(rec.DateStamp)),
          Trim(rec.Origin),
          Trim(ShortDate(rec.DateObtained))};
}

// The titles of the keys as the store holds them now; a key it does not hold gives nothing.
std::vector<std::optional<TTuneRec>> ReadTitles(TDMM2* module, const TStringList& keys) {
  std::vector<std::optional<TTuneRec>> titles(static_cast<size_t>(keys.Count()));
  TMyDB* store = module ? module->MyDB() : nullptr;
  for (int i = 0; i < keys.Count(); ++i) {
    int key = 0;
    TTuneRec rec;
    if (store && TryStrToInt(Trim(keys[i]), key) && store->FindById(key, rec)) titles[i] = rec;
  }
  return titles;
}

int ColumnWidth(const TStringList& columns, int c) {
  return StrToIntDef(columns[c], -1);
}

void SetFont(TCanvas& canvas, int size, TFontStyles style) {
  canvas.Font().SetName(ReportFont);
  canvas.Font().SetSize(size);
  canvas.Font().SetStyle(style);
  canvas.Font().SetColor(clBlack);
}

// Text centred across the page at top.
void CentredLine(TCanvas& canvas, int pageWidth, int top, const std::string& text) {
  canvas.TextOut((pageWidth - canvas.TextWidth(text)) / 2, top, text);
}

} // namespace

// --- the menus ----------------------------------------------------------------------------------

void TPrintCommands::BuildPrintMenus(const TCatalogueMenus& menus, const TPrintParts& parts) {
  FParts = parts;
  auto item = [this](TMenuItem* parent, const std::string& name, const std::string& caption,
                     std::function<void()> action) {
    return NewMenuItem(&FContext.Owner, *parent, name, caption, std::move(action));
  };
  // Each Print sub-menu sits right after the Play one of its menu or pop-up.
  auto after = [this](TMenuItem* menu, const char* playName, const std::string& name) {
    auto* m = new TMenuItem(&FContext.Owner);
    m->SetName(name);
    m->SetCaption("P&rint");
    int at = menu->IndexOf(dynamic_cast<TMenuItem*>(FContext.Owner.FindComponent(playName)));
    if (at >= 0)
      menu->Insert(at + 1, m);
    else
      menu->Add(m);
    return m;
  };
  auto first = [this](TPopupMenu* menu, const char* playName, const std::string& name) {
    auto* m = new TMenuItem(&FContext.Owner);
    m->SetName(name);
    m->SetCaption("P&rint");
    const int play =
        menu->Items().IndexOf(dynamic_cast<TMenuItem*>(FContext.Owner.FindComponent(playName)));
    menu->Items().Insert(play + 1, m);
    return m;
  };
  TMenuItem* albums = after(menus.Albums, "Play1", "Print1");
  FTitlesselected11 = item(albums, "Titlesselected11", "&Titles selected",
                           [this] { Titlesselected11Click(&FContext.Owner); });
  FAlbumselected5 = item(albums, "Albumselected5", "&Album selected",
                         [this] { Albumselected5Click(&FContext.Owner); });
  // Every album at once makes no report of its own.
  item(albums, "Allalbums12", "A&ll albums", nullptr)->SetVisible(false);
  TMenuItem* categories = after(menus.Categories, "Play2", "Print2");
  FTitlesselected12 = item(categories, "Titlesselected12", "&Titles selected",
                           [this] { Titlesselected12Click(&FContext.Owner); });
  FCategoryselected1 = item(categories, "Categoryselected1", "&Active category",
                            [this] { Categoryselected1Click(&FContext.Owner); });
  FAllcategories5 = item(categories, "Allcategories5", "A&ll categories",
                         [this] { Allcategories5Click(&FContext.Owner); });
  TMenuItem* albumPopUp = first(menus.AlbPopUp, "Play4", "Print4");
  FTitlesselected23 = item(albumPopUp, "Titlesselected23", "&Titles selected",
                           [this] { Titlesselected11Click(&FContext.Owner); });
  FAlbumselected11 = item(albumPopUp, "Albumselected11", "&Album selected",
                          [this] { Albumselected5Click(&FContext.Owner); });
  TMenuItem* categoryPopUp = first(menus.NewCatPopUp, "Play5", "Print5");
  FTitlesselected17 = item(categoryPopUp, "Titlesselected17", "&Titles selected",
                           [this] { Titlesselected12Click(&FContext.Owner); });
  FActivecategory9 = item(categoryPopUp, "Activecategory9", "&Active category",
                          [this] { Categoryselected1Click(&FContext.Owner); });
  FAllcategories10 = item(categoryPopUp, "Allcategories10", "A&ll categories",
                          [this] { Allcategories5Click(&FContext.Owner); });
  // The pop-ups' items take their state as the pop-ups open.
  for (TPopupMenu* menu : {menus.NewCatPopUp, menus.AlbPopUp}) {
    TNotifyEvent prior = menu->OnPopup;
    menu->OnPopup = [this, prior](TObject* s) {
      UpdatePrintItems();
      if (prior) prior(s);
    };
  }
}

void TPrintCommands::UpdatePrintItems() {
  if (!FTitlesselected11 || !FParts.Categories || !FParts.Albums) return;
  bool categoryPage = FParts.Categories->ActivePageIndex() > 0;
  bool categoryTitles = FContext.Keys.CategorySelection().Count() > 0;
  bool albumPage = FParts.Albums->ActivePageIndex() > 0;
  bool album = albumPage || (FParts.AllAlbLV && FParts.AllAlbLV->SelCount() > 0);
  bool albumTitles = albumPage && FContext.Keys.AlbumSelection().Count() > 0;
  EnableCatalogueItem(FContext.Window.CommandGate(), FCategoryselected1, categoryPage);
  EnableCatalogueItem(FContext.Window.CommandGate(), FActivecategory9, categoryPage);
  EnableCatalogueItem(FContext.Window.CommandGate(), FTitlesselected12, categoryTitles);
  EnableCatalogueItem(FContext.Window.CommandGate(), FTitlesselected17, categoryTitles);
  EnableCatalogueItem(FContext.Window.CommandGate(), FAllcategories5, true);
  EnableCatalogueItem(FContext.Window.CommandGate(), FAllcategories10, true);
  EnableCatalogueItem(FContext.Window.CommandGate(), FAlbumselected5, album);
  EnableCatalogueItem(FContext.Window.CommandGate(), FAlbumselected11, album);
  EnableCatalogueItem(FContext.Window.CommandGate(), FTitlesselected11, albumTitles);
  EnableCatalogueItem(FContext.Window.CommandGate(), FTitlesselected23, albumTitles);
}

std::string TPrintCommands::CategoryTabCaption() const {
  TTabSheet* page = FParts.Categories->ActivePage();
  return page ? Trim(page->Caption()) : "";
}

std::string TPrintCommands::AlbumCaption() const {
  if (FParts.Albums->ActivePageIndex() <= 0) {
    TListItem* line = FParts.AllAlbLV ? FParts.AllAlbLV->Selected() : nullptr;
    return line ? Trim(line->Caption()) : "";
  }
  return Trim(FParts.Albums->ActivePage()->Caption());
}

void TPrintCommands::Titlesselected11Click(TObject*) {
  if (FPrinting || !FContext.Catalogue.AlbList()) return;
  TStringList keys;
  if (FContext.Catalogue.AlbList()->GetSelectedKeys(keys) <= 0) return;
  PrintReport(std::string(keys.Count() == 1 ? "One title from custom album: "
                                            : "Selected titles from custom album: ") +
                  AlbumCaption(),
              keys);
}

void TPrintCommands::Albumselected5Click(TObject*) {
  if (FPrinting || !FContext.Catalogue.AlbList()) return;
  TStringList keys;
  if (FContext.Catalogue.AlbList()->GetActiveAlbumKeys(keys) <= 0) return;
  PrintReport("Custom album: " + AlbumCaption(), keys);
}

void TPrintCommands::Titlesselected12Click(TObject*) {
  if (FPrinting || !FContext.Catalogue.CatList()) return;
  TStringList keys;
  if (TTuneGridView* grid = FContext.Catalogue.CatList()->ActiveGrid()) grid->GetSelectedKeys(keys);
  if (keys.Count() == 0) return;
  PrintReport(std::string(keys.Count() == 1 ? "One title from category: "
                                            : "Selected titles from category: ") +
                  CategoryTabCaption(),
              keys);
}

void TPrintCommands::Categoryselected1Click(TObject*) {
  // The all-titles page is no category.
  if (FPrinting || !FContext.Catalogue.CatList() || FContext.Catalogue.CatList()->ActiveIndex() < 0)
    return;
  TStringList keys;
  FContext.Catalogue.CatList()->ActiveGrid()->GetAllKeys(keys);
  if (keys.Count() == 0) return;
  PrintReport("Category: " + CategoryTabCaption(), keys);
}

void TPrintCommands::Allcategories5Click(TObject*) {
  if (FPrinting || !FContext.Catalogue.CatList()) return;
  TStringList keys;
  FContext.Catalogue.CatList()->AllTitlesGrid()->GetAllKeys(keys);
  if (keys.Count() == 0) return;
  PrintReport(Trim(FParts.Categories->Pages(0)->Caption()), keys);
}

void TPrintCommands::Print3Click(TObject*) {
  if (FPrinting || !FContext.Catalogue.CatList() || !FContext.Catalogue.AlbList()) return;
  TStringList keys;
  if (FContext.Keys.AlbumsInUse())
    FContext.Catalogue.AlbList()->GetSelectedKeys(keys);
  else if (TTuneGridView* grid = FContext.Catalogue.CatList()->ActiveGrid())
    grid->GetSelectedKeys(keys);
  PrintTitlesOf(keys, FContext.Keys.AlbumsInUse());
}

void TPrintCommands::PrintTitlesOf(const TStringList& keys, bool fromAlbums) {
  if (FPrinting || keys.Count() == 0) return;
  const std::string from = fromAlbums ? " from custom album: " + AlbumCaption()
                           : FParts.Categories->ActivePageIndex() <= 0
                               ? " from: " + Trim(FParts.Categories->Pages(0)->Caption())
                               : " from category: " + CategoryTabCaption();
  PrintReport((keys.Count() == 1 ? "One title" : "Selected titles") + from, keys);
}

TPrintParamFrm& TPrintCommands::PrintParamWindow() {
  if (PrintParamFrm) return *PrintParamFrm;
  if (!FOwnPrintParamFrm) FOwnPrintParamFrm = std::make_unique<TPrintParamFrm>(nullptr);
  return *FOwnPrintParamFrm;
}

// --- the report --------------------------------------------------------------------------------

void TPrintCommands::PrintReport(const std::string& heading, const TStringList& keys) {
  // A print command let through by the layout's message pump must not start a second job.
  if (FPrinting) return;
  TPrintParamFrm& options = PrintParamWindow();
  FContext.Window.CenterOverMainWindow(options);
  options.Edit1->SetText(heading);
  int answer = options.ShowModal();
  FContext.Window.RepaintMain();
  const std::string title = options.Edit1->Text();
  TStringList columns;
  bool any = false;
  for (TCheckBox* box : options.ColumnBoxes()) {
    columns.Add(box->Checked() ? "0" : "-1");
    any = any || box->Checked();
  }
  if (answer != mrOk) return;
  if (!any) {
    FContext.Window.ShowMessageBox(
        "No column is ticked, so there is nothing to print.\r\nTick at least one "
        "column under \"Information to print\".",
        TMessageKind::Warning, 0, TMessageButtons::OK);
    return;
  }
  if (keys.Count() == 0) return;
  TStringList titles;
  titles.AddStrings(keys);

  TPrinter& printer = Printer();
  SetPrinting(true);
  FContext.Window.SetBusyCursor(true);
  FContext.Window.CommandGate().SetEnabled(FParts.PrintCat, false);
  auto restore = [this] {
    FContext.Window.ProgressDone();
    FContext.Window.SetBusyCursor(false);
    FContext.Window.CommandGate().SetEnabled(FParts.PrintCat, true);
    SetPrinting(false);
  };
  std::string failure;
  try {
    TScopeExit always(restore);
    // The layout lets messages run: a command started meanwhile would run inside the job.
    TBusyState busy(FContext.Window.Busy());
    try {
      printer.SetTitle("Tonalbrook report: " + title);
      printer.BeginDoc();
      int fontSize = StartFontSize;
      std::string total;
      LayoutReport(titles, columns, total, ColumnGap, fontSize);
      PrintReportPages(title, total, fontSize, ColumnGap, RowSpacing, columns, titles);
      printer.EndDoc();
    } catch (...) {
      printer.Abort();
      throw;
    }
  } catch (const std::exception& e) {
    failure = e.what();
  }
  // Said once the printing state is over, so that the box does not hold the job open.
  if (!failure.empty())
    FContext.Window.ShowMessageBox("The report could not be printed.\r\n" + failure,
                                   TMessageKind::Error, 0, TMessageButtons::OK);
}

int TPrintCommands::VisibleColumnsWidth(const TStringList& columns, int gap) {
  int width = 0;
  for (int c = 0; c < columns.Count(); ++c) {
    int w = ColumnWidth(columns, c);
    if (w >= 0) width += w + gap;
  }
  return width;
}

void TPrintCommands::LayoutReport(const TStringList& keys, TStringList& columns, std::string& total,
                                  int gap, int& fontSize) {
  if (keys.Count() == 0 || columns.Count() < ColumnCount) return;
  TPrinter& printer = Printer();
  TCanvas& canvas = printer.Canvas();
  const int pageWidth = printer.PageWidth();
  const int gapPixels = pageWidth * gap / 1000;
  const double limit = pageWidth * (printer.Orientation() == poLandscape ? 0.9 : 0.94);
  const auto titles = ReadTitles(FContext.Catalogue.DMM2(), keys);
  // The total is the titles', counted once; an unknown duration adds nothing.
  int64_t seconds = 0;
  for (const auto& rec : titles)
    if (rec && rec->Seconds > 0) seconds += rec->Seconds;
  int size = fontSize + 1;
  double tableWidth = pageWidth + 1.0; // so that the table is measured at least once
  while (tableWidth > limit && size > SmallestFontSize) {
    --size;
    LetMessagesRun();
    if (!printer.Printing()) throw EPrinter("The print job was ended before its pages were made.");
    SetFont(canvas, size, {fsBold});
    std::array<int, ColumnCount> widths{};
    for (int c = 0; c < ColumnCount; ++c)
      widths[c] = canvas.TextWidth(ColumnHeaders[c]);
    SetFont(canvas, size, {});
    for (const auto& rec : titles) {
      if (!rec) continue;
      auto cells = CellTexts(*rec);
      for (int c = 0; c < ColumnCount; ++c)
        if (ColumnWidth(columns, c) >= 0)
          widths[c] = MaxOfTwo(widths[c], canvas.TextWidth(cells[c]));
    }
    for (int c = 0; c < ColumnCount; ++c)
      if (ColumnWidth(columns, c) >= 0) columns.SetStrings(c, IntToStr(widths[c]));
    tableWidth = VisibleColumnsWidth(columns, gapPixels) - gapPixels;
  }
  total = SecondsToTimeText(static_cast<int>(std::min<int64_t>(seconds, INT32_MAX)));
  fontSize = size;
}

void TPrintCommands::PrintReportPages(const std::string& heading, const std::string& total,
                                      int fontSize, int gap, int rowSpacing,
                                      const TStringList& columns, const TStringList& keys) {
  TPrinter& printer = Printer();
  TCanvas& canvas = printer.Canvas();
  const int pageWidth = printer.PageWidth(), pageHeight = printer.PageHeight();
  const int m = static_cast<int>(std::lround(pageHeight * 0.03));
  const auto titles = ReadTitles(FContext.Catalogue.DMM2(), keys);
  const int count = static_cast<int>(titles.size());

  SetFont(canvas, 20, {fsBold});
  const int headingHeight = canvas.TextHeight(heading.empty() ? "Xy" : heading);
  const int rowSpace = pageHeight * rowSpacing / 1000;
  SetFont(canvas, fontSize, {});
  const int rowHeight = canvas.TextHeight("test") + rowSpace;
  const int gapPixels = pageWidth * gap / 1000;
  // A page too small for even one row still prints one per page.
  const int rowsPerPage =
      std::max(1, static_cast<int>((pageHeight - 3 * m - headingHeight - 2.5 * m) / rowHeight) - 1);
  const int pages = std::max(1, (count + rowsPerPage - 1) / rowsPerPage);
  FContext.Window.ProgressStart(pages);
  const int tableWidth = VisibleColumnsWidth(columns, gapPixels);
  const int x0 = (pageWidth - tableWidth + gapPixels / 2) / 2;
  const int tableTop = 3 * m + headingHeight;
  const std::string summary =
      IntToStr(count) + (count == 1 ? " title  ---  " : " titles  ---  ") + total;
  const std::string asOf = "as of " + ShortDate(Now()) + " at " + TimeNow();

  int next = 0; // the next title to print
  for (int p = 1; p <= pages; ++p) {
    if (p > 1) printer.NewPage();
    FContext.Window.ProgressPosition(p);
    canvas.Brush().SetStyle(bsClear);
    SetFont(canvas, 14, {fsBold});
    CentredLine(canvas, pageWidth, 4 * m / 3, heading);
    SetFont(canvas, 10, {fsItalic});
    const int summaryTop = m + headingHeight + rowSpace;
    CentredLine(canvas, pageWidth, summaryTop, summary);
    CentredLine(canvas, pageWidth, summaryTop + canvas.TextHeight(summary), asOf);
    SetFont(canvas, 11, {fsBold, fsItalic});
    const std::string footer = "Tonalbrook report:  Page " + IntToStr(p) + " of " + IntToStr(pages);
    CentredLine(canvas, pageWidth, pageHeight - 4 * rowSpace - canvas.TextHeight(footer), footer);

    // One row of cells, each clipped to its column so that a long text cannot run into the next.
    auto drawRow = [&](int top, const std::array<std::string, ColumnCount>& cells) {
      int x = x0;
      for (int c = 0; c < ColumnCount; ++c) {
        int width = ColumnWidth(columns, c);
        if (width < 0) continue;
        int textX = x + gapPixels / 2;
        if (Centred[c]) textX += (width - canvas.TextWidth(cells[c])) / 2;
        RECT cell{x + 1, top + 1, x + width + gapPixels - 1, top + rowHeight - 1};
        canvas.TextRect(cell, textX, top + rowSpace / 2, cells[c]);
        x += width + gapPixels;
      }
    };
    SetFont(canvas, fontSize, {fsBold});
    std::array<std::string, ColumnCount> headers;
    for (int c = 0; c < ColumnCount; ++c)
      headers[c] = ColumnHeaders[c];
    drawRow(tableTop, headers);
    SetFont(canvas, fontSize, {});
    int rows = 0;
    for (int r = 1; r <= rowsPerPage && next < count; ++r, ++next, ++rows) {
      const auto& rec = titles[next];
      drawRow(tableTop + r * rowHeight,
              rec ? CellTexts(*rec) : std::array<std::string, ColumnCount>{});
    }

    // The rules: one above the headers and above each row, one below the last row, and the
    // column lines from the headers down to the last row.
    canvas.Pen().SetColor(clBlack);
    canvas.Pen().SetWidth(std::max(1, pageWidth / 1000));
    const int bottom = tableTop + (rows + 1) * rowHeight;
    for (int r = 0; r <= rows + 1; ++r) {
      canvas.MoveTo(x0, tableTop + r * rowHeight);
      canvas.LineTo(x0 + tableWidth, tableTop + r * rowHeight);
    }
    int x = x0;
    canvas.MoveTo(x, tableTop);
    canvas.LineTo(x, bottom);
    for (int c = 0; c < ColumnCount; ++c) {
      int width = ColumnWidth(columns, c);
      if (width < 0) continue;
      x += width + gapPixels;
      canvas.MoveTo(x, tableTop);
      canvas.LineTo(x, bottom);
    }
  }
  FContext.Window.ProgressDone();
}

TPrintCommands::TPrintCommands(const TPrintContext& context) : FContext(context) {}

TPrintCommands::~TPrintCommands() = default;
