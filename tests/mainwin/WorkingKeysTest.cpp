// The working keys: a command handing back the very keys it took keeps them, and the view in use
// starts in the categories.
#include <gtest/gtest.h>
#include "WorkingKeys.h"

TEST(WorkingKeys, KeysHandedBackInPlaceOfThemselvesAreKept) {
  TWorkingKeys keys;
  keys.Keys().Add("12");
  keys.Keys().Add("7");
  keys.Replace(keys.Keys(), true, false);
  ASSERT_EQ(keys.Keys().Count(), 2);
  EXPECT_EQ(keys.Keys()[0], "12");
  EXPECT_EQ(keys.Keys()[1], "7");
  EXPECT_TRUE(keys.Ready());
  EXPECT_TRUE(keys.FromAlbums());
}

TEST(WorkingKeys, ClearingTheKeysLeavesTheAreasSelections) {
  TWorkingKeys keys;
  EXPECT_TRUE(keys.CategoriesInUse());
  EXPECT_FALSE(keys.AlbumsInUse());
  keys.CategorySelection().Add("3");
  keys.AlbumSelection().Add("4");
  keys.Replace(keys.CategorySelection(), false, true);
  keys.Clear();
  EXPECT_FALSE(keys.Ready());
  EXPECT_FALSE(keys.FromCategories());
  EXPECT_EQ(keys.CategorySelection().Count(), 1);
  EXPECT_EQ(keys.AlbumSelection().Count(), 1);
  keys.ClearAll();
  EXPECT_EQ(keys.CategorySelection().Count() + keys.AlbumSelection().Count(), 0);
}
