// The play commands over the working keys: the play pop-up and the play items of the menus.
#pragma once
#include <functional>

class TBitBtn;
class TExtPageControl;
class TMasterFrm;
class TMenuItem;
class TMMSlider;
class TObject;
class TPopupMenu;
class TStringList;

// The window's parts the play commands build or act on.
struct TPlayParts {
  TBitBtn*& PlayNext;
  TBitBtn*& Back;
  TMMSlider*& MMSlider1;
  TExtPageControl*& Albums;
};

// The main window's play commands.
class TPlayCommands {
public:
  TPlayCommands(TMasterFrm& frm, TPlayParts parts);
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

  // Gathers keys from a view into the drag list and offers the play pop-up; false when none.
  bool PlayKeysOf(bool fromAlbums, const std::function<int(TStringList&)>& gather);
  bool TitleCommandReady(const TMenuItem& item) const;

  // The items this group builds.
  TPopupMenu* PlayPopUp() const { return FPlayPopUp; }
  TMenuItem* PlayT() const { return FPlayT; }
  TMenuItem* PlayB() const { return FPlayB; }
  TMenuItem* PlayR() const { return FPlayR; }
  TMenuItem* Cancel1() const { return FCancel1; }
  TMenuItem* Edit2() const { return FEdit2; }
  TMenuItem* Delete5() const { return FDelete5; }
  TMenuItem* Mail4() const { return FMail4; }
  TMenuItem* Save2() const { return FSave2; }
  TMenuItem* Titlesselected7() const { return FTitlesselected7; }
  TMenuItem* Albumselected4() const { return FAlbumselected4; }
  TMenuItem* Allalbums5() const { return FAllalbums5; }
  TMenuItem* Titlesselected8() const { return FTitlesselected8; }
  TMenuItem* Activecategory2() const { return FActivecategory2; }
  TMenuItem* Allcategories3() const { return FAllcategories3; }

private:
  TMasterFrm& FFrm;
  TPlayParts FParts;
  // The items this group builds, owned by their menus.
  TMenuItem *FPlayT = nullptr, *FPlayB = nullptr, *FPlayR = nullptr, *FCancel1 = nullptr,
            *FEdit2 = nullptr, *FDelete5 = nullptr, *FMail4 = nullptr, *FSave2 = nullptr,
            *FTitlesselected7 = nullptr, *FAlbumselected4 = nullptr, *FAllalbums5 = nullptr,
            *FTitlesselected8 = nullptr, *FActivecategory2 = nullptr, *FAllcategories3 = nullptr;
  TPopupMenu* FPlayPopUp = nullptr;
};
