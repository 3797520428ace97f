// Where a page control's tabs lie: their rows, the rows' order and each tab's box, worked out in
// one pass over the tabs and without a window, so hundreds of tabs cost little.
#pragma once
#include <vector>

enum class TTabSide { Top, Bottom, Left, Right };

// A rectangle in the control's client coordinates, right and bottom excluded.
struct TTabBox {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  bool Empty() const { return Right <= Left || Bottom <= Top; }
};

struct TTabLayoutInput {
  std::vector<int> Lengths; // each tab's length along the edge it sits on
  int Thickness = 20;       // a row's depth across that edge
  int Width = 0, Height = 0;
  TTabSide Side = TTabSide::Top;
  bool MultiLine = false; // tabs on the left or right always wrap
  bool Buttons = false;   // push buttons apart from each other, no frame around the pages
  bool Justify = false;   // with several rows, each row is stretched along the whole edge
  int Selected = -1;
  int FirstShown = 0; // one row: the first tab shown, the ones before it scrolled away
  int FirstRow = 0;   // rows that scroll: the first shown of the rows besides the selected one
};

struct TTabLayout {
  // A tab in a row scrolled out of sight has an empty box.
  std::vector<TTabBox> Tabs;
  int Rows = 1;      // every row, shown or not
  int ShownRows = 1; // the rows take at most a third of the control: the others scroll
  int TabsDepth = 0; // how far the tab area reaches in from the edge
  // Not every tab shows: two arrows at the end of the outermost row scroll them. With one row
  // they scroll it along the edge; with several, the rows besides the selected one.
  bool Scrolls = false;
  bool ScrollsRows = false;
  TTabBox Arrows;
  int FirstShown = 0;
  int FirstRow = 0;
  bool AtStart = true;   // nothing is scrolled away before: the back arrow does nothing
  bool LastShown = true; // nothing is left after: the forward arrow does nothing
  TTabBox Frame;         // the border around the pages
  TTabBox Display;       // where the pages go
};

TTabLayout LayOutTabs(const TTabLayoutInput& in);

// The selected tab stands out by this much on every side, over the frame below it.
constexpr int SelectedTabRise = 2;
