// Lays out a page control's tabs: rows filled in order, the selected tab's row next to the pages,
// and never more rows than a third of the control holds.
#include "TabLayout.h"
#include <algorithm>

namespace {

constexpr int Margin = SelectedTabRise; // room for the selected tab to stand out
constexpr int ButtonGap = 3;
constexpr int ArrowLength = 16;
constexpr int Border = 4; // the frame's edge and the space inside it

// A box given along and across the edge, turned to the control's coordinates.
TTabBox Place(const TTabLayoutInput& in, int along, int across, int length, int depth) {
  switch (in.Side) {
  case TTabSide::Top:
    return {along, across, along + length, across + depth};
  case TTabSide::Bottom:
    return {along, in.Height - across - depth, along + length, in.Height - across};
  case TTabSide::Left:
    return {across, along, across + depth, along + length};
  case TTabSide::Right:
    break;
  }
  return {in.Width - across - depth, along, in.Width - across, along + length};
}

// The tabs put into rows: each tab's row, place along the edge and length.
struct TRows {
  std::vector<int> Start; // each row's first tab
  std::vector<int> RowOf, Along, Length;
  int End = Margin; // past the last tab and its gap

  int Count() const { return static_cast<int>(Start.size()); }
};

// Rows filled in order: a tab that would pass the end of the room starts the next row.
TRows FillRows(const std::vector<int>& lengths, int room, bool wraps, int gap) {
  const int n = static_cast<int>(lengths.size());
  TRows rows;
  rows.Start = {0};
  rows.RowOf.resize(n);
  rows.Along.resize(n);
  rows.Length.resize(n);
  int pos = Margin;
  for (int i = 0; i < n; ++i) {
    int length = std::max(lengths[i], 1);
    if (wraps && i > rows.Start.back() && pos - Margin + length > room) {
      rows.Start.push_back(i);
      pos = Margin;
    }
    rows.RowOf[i] = rows.Count() - 1;
    rows.Along[i] = pos;
    rows.Length[i] = length;
    pos += length + gap;
  }
  rows.End = pos;
  return rows;
}

// Stretches each row's tabs so the row reaches the end of the room.
void Justify(TRows& rows, int room, int gap) {
  const int n = static_cast<int>(rows.Length.size());
  for (int r = 0; r < rows.Count(); ++r) {
    int first = rows.Start[r];
    int end = r + 1 < rows.Count() ? rows.Start[r + 1] : n;
    int count = end - first, used = gap * (count - 1);
    for (int i = first; i < end; ++i)
      used += rows.Length[i];
    int extra = std::max(0, room - used), pos = Margin;
    for (int k = 0; k < count; ++k) {
      int i = first + k;
      rows.Length[i] += extra * (k + 1) / count - extra * k / count;
      rows.Along[i] = pos;
      pos += rows.Length[i] + gap;
    }
  }
}

} // namespace

TTabLayout LayOutTabs(const TTabLayoutInput& in) {
  TTabLayout out;
  const int n = static_cast<int>(in.Lengths.size());
  const bool vertical = in.Side == TTabSide::Left || in.Side == TTabSide::Right;
  const int gap = in.Buttons ? ButtonGap : 0;
  const int room = std::max((vertical ? in.Height : in.Width) - 2 * Margin, 1);
  const int step = std::max(in.Thickness, 1) + gap;
  // The rows take at most a third of the control across the edge.
  const int mostRows = std::max(1, ((vertical ? in.Width : in.Height) / 3 - Margin + gap) / step);

  bool wraps = in.MultiLine || vertical;
  int rowRoom = room;
  TRows rows = FillRows(in.Lengths, rowRoom, wraps, gap);
  if (wraps && rows.Count() > mostRows) {
    if (mostRows == 1) {
      // No room for a second row: one row that scrolls along the edge.
      wraps = false;
    } else {
      // The rows scroll; no row runs under the arrows.
      out.ScrollsRows = true;
      rowRoom = std::max(room - 2 * ArrowLength, 1);
    }
    rows = FillRows(in.Lengths, rowRoom, wraps, gap);
  }
  out.Rows = rows.Count();
  if (in.Justify && out.Rows > 1) Justify(rows, rowRoom, gap);

  // One row that is too long scrolls: the tabs before the first shown lie before the edge.
  if (!wraps && n > 0 && rows.End - gap - Margin > room) {
    out.Scrolls = true;
    out.FirstShown = std::clamp(in.FirstShown, 0, n - 1);
    int shift = rows.Along[out.FirstShown] - Margin;
    for (int& a : rows.Along)
      a -= shift;
    out.AtStart = out.FirstShown == 0;
    out.LastShown = rows.Along[n - 1] + rows.Length[n - 1] <= Margin + room - 2 * ArrowLength;
  }

  // The selected tab's row lies next to the pages; the other rows keep their order outside it,
  // from the first one shown on.
  const int selectedRow =
      in.Selected >= 0 && in.Selected < n ? rows.RowOf[in.Selected] : out.Rows - 1;
  out.ShownRows = out.ScrollsRows ? mostRows : out.Rows;
  std::vector<int> others, slotOf(out.Rows, -1);
  for (int r = 0; r < out.Rows; ++r)
    if (r != selectedRow) others.push_back(r);
  const int window = out.ShownRows - 1;
  if (out.ScrollsRows) {
    out.Scrolls = true;
    out.FirstRow = std::clamp(in.FirstRow, 0, static_cast<int>(others.size()) - window);
    out.AtStart = out.FirstRow == 0;
    out.LastShown = out.FirstRow + window >= static_cast<int>(others.size());
  }
  for (int k = 0; k < window; ++k)
    slotOf[others[out.FirstRow + k]] = k;
  slotOf[selectedRow] = window;

  out.Tabs.resize(n);
  for (int i = 0; i < n; ++i) {
    int slot = slotOf[rows.RowOf[i]];
    if (slot >= 0)
      out.Tabs[i] = Place(in, rows.Along[i], Margin + slot * step, rows.Length[i], in.Thickness);
  }
  out.TabsDepth = Margin + out.ShownRows * step - gap;
  if (out.Scrolls)
    out.Arrows =
        Place(in, Margin + room - 2 * ArrowLength, Margin, 2 * ArrowLength, in.Thickness - 1);

  out.Frame = {0, 0, in.Width, in.Height};
  switch (in.Side) {
  case TTabSide::Top:
    out.Frame.Top = out.TabsDepth;
    break;
  case TTabSide::Bottom:
    out.Frame.Bottom -= out.TabsDepth;
    break;
  case TTabSide::Left:
    out.Frame.Left = out.TabsDepth;
    break;
  case TTabSide::Right:
    out.Frame.Right -= out.TabsDepth;
    break;
  }
  int inset = in.Buttons ? 0 : Border;
  out.Display = {out.Frame.Left + inset, out.Frame.Top + inset, out.Frame.Right - inset,
                 out.Frame.Bottom - inset};
  return out;
}
