// The damage the catalogue's files showed at opening, told in one question, and what could not
// be read given up when the user accepts.
#pragma once
#include "DataCodeD2.h"
#include <string>

class TCatalogueDamage {
public:
  TCatalogueDamage(TDMM2& module, TCatList& categories, TAlbList& albums)
      : FModule(module), FCategories(categories), FAlbums(albums) {}
  // Copies the lists whose entries only unread titles use, then answers the one question for the
  // user: what was found, the copies that keep it, and whether to accept the catalogue as it
  // could be read. Empty when nothing was found.
  std::string Question();
  // Gives up what could not be read in every file; the copies keep it.
  void Accept();

private:
  TCatalogueFinding Finding() const;
  TDMM2& FModule;
  TCatList& FCategories;
  TAlbList& FAlbums;
};
