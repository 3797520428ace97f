// The play commands over the working keys: the play pop-up and the play items of the menus.
#pragma once
#include <functional>

class TBitBtn;
class TComponent;
class TEditCommands;
class TExportCommands;
class TExtPageControl;
class TMainCatalogue;
class TMenuItem;
class TMMSlider;
class TObject;
class TPlayRoad;
class TPlayRoadView;
class TPopupMenu;
class TStringList;
class TWorkingKeys;

// What the play commands work with: the owner of the items they build, the catalogue, the working
// keys, the play road and the view it shows on, and the groups whose title commands the play
// pop-up offers.
struct TPlayContext {
  TComponent& Owner;
  const TMainCatalogue& Catalogue;
  TWorkingKeys& Keys;
  TPlayRoad& Road;
  TPlayRoadView& RoadView;
  TEditCommands& EditCommands;
  TExportCommands& ExportCommands;
};

// The window's parts the play commands act on.
struct TPlayParts {
  TBitBtn* PlayNext = nullptr;
  TBitBtn* Back = nullptr;
  TMMSlider* MMSlider1 = nullptr;
  TExtPageControl* Albums = nullptr;
};

// The main window's play commands.
class TPlayCommands {
public:
  explicit TPlayCommands(const TPlayContext& context);
  ~TPlayCommands();
  TPlayCommands(const TPlayCommands&) = delete;
  TPlayCommands& operator=(const TPlayCommands&) = delete;

  // The play commands over the working keys (the drag list). Top and bottom act only when the
  // keys came from an album or a category view; the drag list and its source flags are cleared
  // afterwards.
  void PlayTClick(TObject* Sender);
  void PlayBClick(TObject* Sender);
  void PlayRClick(TObject* Sender);
  void PlayNextClick(TObject* Sender);
  void BackClick(TObject* Sender);

  // Erases the program; the title playing plays on.
  void MusicClearClick(TObject* Sender);
  void Shuffle2Click(TObject* Sender);

  // Puts the working keys into the program through the play pop-up, opened at the mouse cursor.
  // Without a program playing there is nothing to choose and they play at once. The title
  // commands beneath the play choices are offered only for titleCommands (a grid's double click
  // or Enter), not for the menus' play commands.
  void ChoosePlayMode(bool titleCommands);

  // The Play items of the Albums and Categories menus.
  void Titlesselected7Click(TObject* Sender);
  void Albumselected4Click(TObject* Sender);
  void Allalbums5Click(TObject* Sender);
  void Titlesselected8Click(TObject* Sender);
  void Activecategory2Click(TObject* Sender);
  void Allcategories3Click(TObject* Sender);
  void BuildPlayPopUp();
  void BuildPlayMenus(TMenuItem* albums, TMenuItem* categories);
  // The parts it acts on, once the window has built them.
  void SetParts(const TPlayParts& parts) { FParts = parts; }

  // Gathers keys from a view into the drag list and offers the play pop-up; false when none.
  bool PlayKeysOf(bool fromAlbums, const std::function<int(TStringList&)>& gather);
  bool TitleCommandReady(const TMenuItem& item) const;

private:
  TPlayContext FContext;
  TPlayParts FParts;
  // The pop-up and the items of it that change, owned by the window.
  TMenuItem *FPlayT = nullptr, *FPlayB = nullptr, *FPlayR = nullptr, *FMail4 = nullptr;
  TPopupMenu* FPlayPopUp = nullptr;
};
