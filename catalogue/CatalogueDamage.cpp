// One question about the damage found at opening, and its loss accepted in every file.
#include "CatalogueDamage.h"

namespace {

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i)
    text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  return text;
}

} // namespace

TCatalogueFinding TCatalogueDamage::Finding() const {
  TCatalogueFinding found;
  if (TMyDB* db = FModule.MyDB()) found.Files.push_back(db->Finding());
  found.Files.push_back(FCategories.Finding());
  if (TPerfList* artists = FModule.PerfList()) found.Files.push_back(artists->Finding());
  found.Files.push_back(FAlbums.Finding());
  found.Files.push_back(FAlbums.TitlesFinding());
  return found;
}

std::string TCatalogueDamage::Question() {
  FCategories.KeepCopyOfUnread();
  if (TPerfList* artists = FModule.PerfList()) artists->KeepCopyOfUnread();
  FAlbums.KeepCopyOfUnread();
  const TCatalogueFinding found = Finding();
  std::string summary = found.Summary();
  if (summary.empty()) return summary;
  const std::vector<std::string> copies = found.Copies();
  std::string text = summary + "\r\n\r\nNothing that could not be read was removed.";
  if (!copies.empty()) text += " Copies of it are kept in " + Joined(copies) + ".";
  text += "\r\n\r\nAccept the catalogue as it could be read? Yes removes what could not be read "
          "from the catalogue for good";
  text += copies.empty() ? "." : "; only those copies will keep it.";
  text += " No changes nothing, and you will be asked again at the next start.";
  return text;
}

void TCatalogueDamage::Accept() {
  // The store first: the titles it deletes take their album rows along.
  if (TMyDB* db = FModule.MyDB()) db->AcceptUnread();
  FAlbums.AcceptUnread();
  FCategories.AcceptUnread();
  if (TPerfList* artists = FModule.PerfList()) artists->AcceptUnread();
}
