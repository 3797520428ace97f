// The printed catalogue report and the print commands of the menus and the tab pop-ups.
#pragma once
#include <memory>
#include <string>

class TBitBtn;
class TComponent;
class TExtListView;
class TExtPageControl;
class TMainCatalogue;
class TMainServices;
class TMenuItem;
class TObject;
class TPrintParamFrm;
class TStringList;
class TWorkingKeys;
struct TCatalogueMenus;

// What the print commands work with: the window's message box, busy state and progress bar, the
// owner of the items they build, the catalogue and the working keys (the view in use).
struct TPrintContext {
  TMainServices& Window;
  TComponent& Owner;
  const TMainCatalogue& Catalogue;
  TWorkingKeys& Keys;
};

// The window's parts the print commands read the selection from, and the print button.
struct TPrintParts {
  TExtPageControl* Categories = nullptr;
  TExtPageControl* Albums = nullptr;
  TExtListView* AllAlbLV = nullptr;
  TBitBtn* PrintCat = nullptr;
};

// The main window's print commands; keys are master keys, one per line.
class TPrintCommands {
public:
  explicit TPrintCommands(const TPrintContext& context);
  ~TPrintCommands();
  TPrintCommands(const TPrintCommands&) = delete;
  TPrintCommands& operator=(const TPrintCommands&) = delete;

  // --- the printed catalogue report (PrintCommands.cpp); keys are master keys, one per line.
  // Asks for the columns, title and orientation, then prints the titles as a paged table on the
  // printer in use. Does nothing while a report prints.
  void PrintReport(const std::string& heading, const TStringList& keys);

  // Measures the ticked columns (entries of columns: "-1" not printed, else the width in printer
  // pixels) of every title held and lowers fontSize until the table fits the page; total gets
  // the titles' total duration. gap is in thousandths of the page width.
  void LayoutReport(const TStringList& keys, TStringList& columns, std::string& total, int gap,
                    int& fontSize);

  // The sum over printed columns of width + gap (pixels).
  static int VisibleColumnsWidth(const TStringList& columns, int gap);
  void PrintReportPages(const std::string& heading, const std::string& total, int fontSize, int gap,
                        int rowSpacing, const TStringList& columns, const TStringList& keys);

  // The print commands of the Albums and Categories menus and the tab pop-ups.
  void Titlesselected11Click(TObject* Sender);
  void Albumselected5Click(TObject* Sender);
  void Titlesselected12Click(TObject* Sender);
  void Categoryselected1Click(TObject* Sender);
  void Allcategories5Click(TObject* Sender);

  // The Titles menu's print command: the view in use's selected titles.
  void Print3Click(TObject* Sender);
  void PrintTitlesOf(const TStringList& keys, bool fromAlbums);

  // The print options window of the creation order, or the main window's own when none was made.
  TPrintParamFrm& PrintParamWindow();
  // Adds the print items to the catalogue's menus and pop-ups; the parts are those it reads.
  void BuildPrintMenus(const TCatalogueMenus& menus, const TPrintParts& parts);

  // The print items follow what is selected, as the play items of their columns do.
  void UpdatePrintItems();

  // The caption of the active category tab, and of the active album tab or, on "ALL ALBUMS",
  // of the selected album line.
  std::string CategoryTabCaption() const;
  std::string AlbumCaption() const;
  // A report prints.
  bool Printing() const { return FPrinting; }
  void SetPrinting(bool value) { FPrinting = value; }

private:
  static int MaxOfTwo(int a, int b) { return a > b ? a : b; }
  TPrintContext FContext;
  TPrintParts FParts;
  // The print items, owned by their menus; in the menus' pop-ups the twins of the menu items.
  TMenuItem *FTitlesselected11 = nullptr, *FTitlesselected23 = nullptr, *FAlbumselected5 = nullptr,
            *FAlbumselected11 = nullptr, *FTitlesselected12 = nullptr, *FTitlesselected17 = nullptr,
            *FCategoryselected1 = nullptr, *FActivecategory9 = nullptr, *FAllcategories5 = nullptr,
            *FAllcategories10 = nullptr;
  std::unique_ptr<TPrintParamFrm> FOwnPrintParamFrm;
  bool FPrinting = false;
};
