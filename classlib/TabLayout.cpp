// Lays out a page control's tabs: rows filled in order, the selected tab's row next to the pages.
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

// Stretches each row's tabs so the row reaches the end of the edge.
void Justify(std::vector<int>& along, const std::vector<int>& lengths, std::vector<int>& stretched,
             const std::vector<int>& rowStart, int room, int gap) {
  for (size_t r = 0; r < rowStart.size(); ++r) {
    int first = rowStart[r];
    int end = r + 1 < rowStart.size() ? rowStart[r + 1] : static_cast<int>(lengths.size());
    int count = end - first, used = gap * (count - 1);
    for (int i = first; i < end; ++i)
      used += lengths[i];
    int extra = std::max(0, room - used), pos = Margin;
    for (int k = 0; k < count; ++k) {
      int i = first + k;
      stretched[i] = lengths[i] + extra * (k + 1) / count - extra * k / count;
      along[i] = pos;
      pos += stretched[i] + gap;
    }
  }
}

} // namespace

TTabLayout LayOutTabs(const TTabLayoutInput& in) {
  TTabLayout out;
  const int n = static_cast<int>(in.Lengths.size());
  const bool vertical = in.Side == TTabSide::Left || in.Side == TTabSide::Right;
  const bool wraps = in.MultiLine || vertical;
  const int gap = in.Buttons ? ButtonGap : 0;
  const int room = std::max((vertical ? in.Height : in.Width) - 2 * Margin, 1);

  // Rows filled in order: a tab that would pass the end starts the next row.
  std::vector<int> rowOf(n), along(n), lengths(in.Lengths), rowStart{0};
  int pos = Margin;
  for (int i = 0; i < n; ++i) {
    lengths[i] = std::max(lengths[i], 1);
    if (wraps && i > rowStart.back() && pos - Margin + lengths[i] > room) {
      rowStart.push_back(i);
      pos = Margin;
    }
    rowOf[i] = static_cast<int>(rowStart.size()) - 1;
    along[i] = pos;
    pos += lengths[i] + gap;
  }
  out.Rows = static_cast<int>(rowStart.size());
  if (in.Justify && out.Rows > 1) Justify(along, in.Lengths, lengths, rowStart, room, gap);

  // One row that is too long scrolls: the tabs before the first shown lie before the edge.
  if (!wraps && n > 0 && pos - gap - Margin > room) {
    out.Scrolls = true;
    out.FirstShown = std::clamp(in.FirstShown, 0, n - 1);
    int shift = along[out.FirstShown] - Margin;
    for (int& a : along)
      a -= shift;
    out.LastShown = along[n - 1] + lengths[n - 1] <= Margin + room - 2 * ArrowLength;
  }

  // The selected tab's row lies next to the pages; the rows after it come first.
  const int selectedRow = in.Selected >= 0 && in.Selected < n ? rowOf[in.Selected] : out.Rows - 1;
  const int step = in.Thickness + gap;
  auto across = [&](int row) {
    int slot = (row - selectedRow - 1 + 2 * out.Rows) % out.Rows;
    return Margin + slot * step;
  };
  out.Tabs.resize(n);
  for (int i = 0; i < n; ++i)
    out.Tabs[i] = Place(in, along[i], across(rowOf[i]), lengths[i], in.Thickness);
  out.TabsDepth = Margin + out.Rows * step - gap;
  if (out.Scrolls)
    out.Arrows = Place(in, Margin + room - 2 * ArrowLength, across(selectedRow), 2 * ArrowLength,
                       in.Thickness - 1);

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
