// Where the page control's tabs lie, worked out by hand: rows filled in order, the selected row
// next to the pages, stretched rows, one scrolling row, and tabs on each side.
#include <gtest/gtest.h>
#include "TabLayout.h"

namespace {

void ExpectBox(const TTabBox& b, int left, int top, int right, int bottom) {
  EXPECT_EQ(b.Left, left);
  EXPECT_EQ(b.Top, top);
  EXPECT_EQ(b.Right, right);
  EXPECT_EQ(b.Bottom, bottom);
}

// Five tabs of 40 on a 100-wide control: two fit in a row (2 + 40 + 40 <= 98), so three rows.
TTabLayoutInput FiveTabs() {
  TTabLayoutInput in;
  in.Lengths = {40, 40, 40, 40, 40};
  in.Thickness = 20;
  in.Width = 100;
  in.Height = 200;
  in.MultiLine = true;
  return in;
}

} // namespace

TEST(TabLayout, RowsFillInOrderAndTheSelectedRowLiesNextToThePages) {
  TTabLayoutInput in = FiveTabs();
  in.Selected = 0;
  TTabLayout out = LayOutTabs(in);
  EXPECT_EQ(out.Rows, 3);
  // Row 0 (the selected one) nearest the pages, the rows after it first.
  ExpectBox(out.Tabs[0], 2, 42, 42, 62);
  ExpectBox(out.Tabs[1], 42, 42, 82, 62);
  ExpectBox(out.Tabs[2], 2, 2, 42, 22);
  ExpectBox(out.Tabs[4], 2, 22, 42, 42);
  ExpectBox(out.Frame, 0, 62, 100, 200);
  ExpectBox(out.Display, 4, 66, 96, 196);

  in.Selected = 4; // the last row comes down; the others keep their order above it
  out = LayOutTabs(in);
  EXPECT_EQ(out.Tabs[0].Top, 2);
  EXPECT_EQ(out.Tabs[2].Top, 22);
  EXPECT_EQ(out.Tabs[4].Top, 42);
}

TEST(TabLayout, SeveralRowsAreStretchedAlongTheWholeEdge) {
  TTabLayoutInput in = FiveTabs();
  in.Justify = true;
  TTabLayout out = LayOutTabs(in);
  // 96 of room, 80 used: each of the two gets 8 more; the lone tab takes the whole row.
  EXPECT_EQ(out.Tabs[0].Left, 2);
  EXPECT_EQ(out.Tabs[0].Right, 50);
  EXPECT_EQ(out.Tabs[1].Left, 50);
  EXPECT_EQ(out.Tabs[1].Right, 98);
  EXPECT_EQ(out.Tabs[4].Left, 2);
  EXPECT_EQ(out.Tabs[4].Right, 98);
}

TEST(TabLayout, OneRowTooLongScrollsBehindTwoArrows) {
  TTabLayoutInput in;
  in.Lengths = {40, 40, 40};
  in.Thickness = 20;
  in.Width = 100;
  in.Height = 100;
  TTabLayout out = LayOutTabs(in);
  EXPECT_EQ(out.Rows, 1);
  ASSERT_TRUE(out.Scrolls);
  ExpectBox(out.Arrows, 66, 2, 98, 21);
  EXPECT_FALSE(out.LastShown);

  in.FirstShown = 1;
  out = LayOutTabs(in);
  EXPECT_EQ(out.Tabs[0].Left, -38); // scrolled away before the edge
  EXPECT_EQ(out.Tabs[1].Left, 2);
  EXPECT_FALSE(out.LastShown) << "the last tab ends at 82, under the arrows at 66";

  in.FirstShown = 7; // more than there are: the last one first
  out = LayOutTabs(in);
  EXPECT_EQ(out.FirstShown, 2);
  EXPECT_EQ(out.Tabs[2].Left, 2);
  EXPECT_TRUE(out.LastShown);

  in.Lengths = {30, 30};
  out = LayOutTabs(in);
  EXPECT_FALSE(out.Scrolls);
}

TEST(TabLayout, TabsOnTheOtherSidesFaceThePagesAndSideTabsAlwaysWrap) {
  TTabLayoutInput in;
  in.Lengths = {30};
  in.Thickness = 20;
  in.Width = 300;
  in.Height = 200;
  in.Side = TTabSide::Bottom;
  TTabLayout out = LayOutTabs(in);
  ExpectBox(out.Tabs[0], 2, 178, 32, 198);
  ExpectBox(out.Frame, 0, 0, 300, 178);
  ExpectBox(out.Display, 4, 4, 296, 174);

  in.Lengths = {40, 40, 40};
  in.Height = 100; // room for two along the side
  in.Side = TTabSide::Left;
  in.Selected = 0;
  out = LayOutTabs(in);
  EXPECT_EQ(out.Rows, 2) << "side tabs wrap even without the multi-line style";
  ExpectBox(out.Tabs[0], 22, 2, 42, 42);
  ExpectBox(out.Tabs[2], 2, 2, 22, 42);
  EXPECT_EQ(out.Frame.Left, 42);

  in.Side = TTabSide::Right;
  out = LayOutTabs(in);
  ExpectBox(out.Tabs[0], 258, 2, 278, 42);
  EXPECT_EQ(out.Frame.Right, 258);
}

TEST(TabLayout, RowsBeyondAThirdOfTheHeightScrollAndTheSelectedRowStaysByThePages) {
  TTabLayoutInput in;
  in.Lengths = std::vector<int>(8, 30);
  in.Thickness = 20;
  in.Width = 100;
  in.Height = 150; // a third is 50: two rows of 20 below the 2 the selected tab stands out by
  in.MultiLine = true;
  in.Selected = 0;
  TTabLayout out = LayOutTabs(in);
  // Three to a row would make three rows; beside the arrows (32 at the end) two fit: four rows.
  EXPECT_EQ(out.Rows, 4);
  EXPECT_EQ(out.ShownRows, 2);
  ASSERT_TRUE(out.ScrollsRows);
  ExpectBox(out.Arrows, 66, 2, 98, 21);
  ExpectBox(out.Tabs[2], 2, 2, 32, 22); // the next row outside
  ExpectBox(out.Tabs[1], 32, 22, 62, 42);
  EXPECT_TRUE(out.Tabs[4].Empty()) << "a row scrolled out of sight";
  ExpectBox(out.Frame, 0, 42, 100, 150);
  EXPECT_TRUE(out.AtStart);
  EXPECT_FALSE(out.LastShown);

  in.FirstRow = 9; // past the end: the last of the other rows
  out = LayOutTabs(in);
  EXPECT_EQ(out.FirstRow, 2);
  ExpectBox(out.Tabs[6], 2, 2, 32, 22);
  EXPECT_TRUE(out.Tabs[2].Empty());
  EXPECT_TRUE(out.LastShown);

  in.FirstRow = 0;
  in.Selected = 5; // its row comes next to the pages; the others keep their order outside
  in.Justify = true;
  out = LayOutTabs(in);
  ExpectBox(out.Tabs[4], 2, 22, 34, 42);
  ExpectBox(out.Tabs[5], 34, 22, 66, 42); // stretched up to the arrows, not under them
  ExpectBox(out.Tabs[0], 2, 2, 34, 22);

  in.Height = 60; // room for one row only: it scrolls along the edge
  out = LayOutTabs(in);
  EXPECT_EQ(out.Rows, 1);
  EXPECT_FALSE(out.ScrollsRows);
  ASSERT_TRUE(out.Scrolls);
  ExpectBox(out.Tabs[0], 2, 2, 32, 22);
  ExpectBox(out.Frame, 0, 22, 100, 60);
}
