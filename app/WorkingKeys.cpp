// The working keys and the areas' selections.
#include "WorkingKeys.h"

void TWorkingKeys::SetSource(bool fromAlbums, bool fromCategories) {
  FFromAlbums = fromAlbums;
  FFromCategories = fromCategories;
}

void TWorkingKeys::Clear() {
  FKeys.Clear();
  SetSource(false, false);
}

void TWorkingKeys::Replace(const TStringList& keys, bool fromAlbums, bool fromCategories) {
  // A copy first: the keys handed in may be these very keys.
  TStringList copy;
  copy.AddStrings(keys);
  FKeys.Clear();
  FKeys.AddStrings(copy);
  SetSource(fromAlbums, fromCategories);
}

void TWorkingKeys::ClearAll() {
  FCategorySelection.Clear();
  FKeys.Clear();
  FAlbumSelection.Clear();
  SetSource(false, false);
}
