// The working keys a command gathers, where they came from, and the keys selected in each area.
#pragma once
#include "Classes.h"

// One owner for the keys the commands share: the window holds it for its whole life, so a title
// start that let the window close may still come back to the lists (they are emptied, not freed).
class TWorkingKeys {
public:
  // The working keys: the titles a command acts on next.
  TStringList& Keys() { return FKeys; }
  const TStringList& Keys() const { return FKeys; }
  // Where the working keys came from: an album view, a category view, or neither.
  bool FromAlbums() const { return FFromAlbums; }
  bool FromCategories() const { return FFromCategories; }
  void SetSource(bool fromAlbums, bool fromCategories);
  // Keys are waiting that came from a view.
  bool Ready() const { return (FFromAlbums || FFromCategories) && FKeys.Count() > 0; }
  // Empties the working keys and forgets where they came from.
  void Clear();
  // The working keys in place of the old ones, and where they came from.
  void Replace(const TStringList& keys, bool fromAlbums, bool fromCategories);
  // The keys selected in the category area and in the album area.
  TStringList& CategorySelection() { return FCategorySelection; }
  const TStringList& CategorySelection() const { return FCategorySelection; }
  TStringList& AlbumSelection() { return FAlbumSelection; }
  const TStringList& AlbumSelection() const { return FAlbumSelection; }
  // The view in use: the area the user last worked in (the categories at first).
  bool AlbumsInUse() const { return FAlbumsInUse; }
  bool CategoriesInUse() const { return !FAlbumsInUse; }
  void SetAlbumsInUse(bool value) { FAlbumsInUse = value; }
  // Empties the keys and both selections.
  void ClearAll();

private:
  TStringList FKeys, FCategorySelection, FAlbumSelection;
  bool FFromAlbums = false, FFromCategories = false;
  bool FAlbumsInUse = false;
};
