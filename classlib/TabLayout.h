// Where a page control's tabs lie: their rows, the rows' order and each tab's box, worked out in
// one pass over the tabs and without a window, so hundreds of tabs cost little.
#pragma once
#include <vector>

enum class TTabSide { Top, Bottom, Left, Right };

// A rectangle in the control's client coordinates, right and bottom excluded.
struct TTabBox {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
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
};

struct TTabLayout {
  std::vector<TTabBox> Tabs;
  int Rows = 1;
  int TabsDepth = 0; // how far the tab area reaches in from the edge
  // One row that does not hold every tab: two arrows at its end scroll it.
  bool Scrolls = false;
  TTabBox Arrows;
  int FirstShown = 0;
  bool LastShown = true; // the last tab ends before the arrows
  TTabBox Frame;         // the border around the pages
  TTabBox Display;       // where the pages go
};

TTabLayout LayOutTabs(const TTabLayoutInput& in);

// The selected tab stands out by this much on every side, over the frame below it.
constexpr int SelectedTabRise = 2;
