// The main window's bitmap menus: a picture beside every item of its eight menus.
#include <map>
#include <memory>
#include "MainCodeD2.h"
#include "CoolMenu.h"
#include "Menus.h"

namespace {

// The picture of an item: a few by their command, the rest by their menu.
std::string PictureOf(const TMenuItem& item, const std::string& menuPicture) {
  const std::string& n = item.Name();
  auto has = [&](const char* part) { return n.find(part) != std::string::npos; };
  if (n == "Exit1") return "MNU_EXIT";
  if (has("Contents") || has("About")) return "MNU_HELP";
  if (has("Mail")) return "MNU_MAIL";
  if (has("Color") || has("Background") || has("Font")) return "MNU_COLOR";
  if (n.rfind("Titlesselected", 0) == 0 || n.rfind("Albumselected", 0) == 0 ||
      n.rfind("Allalbums", 0) == 0 || n.rfind("Activecategory", 0) == 0 ||
      n.rfind("Allcategories", 0) == 0 || n.rfind("Play", 0) == 0)
    return "MNU_PLAY";
  for (const char* sort : {"Category", "Artist", "Title", "title", "Duration", "Filetype",
                           "Filesize", "Filedate", "Origin", "Dateobtained"})
    if (n.rfind(sort, 0) == 0 && n.size() <= std::string(sort).size() + 1) return "MNU_SORT";
  return menuPicture;
}

// A menu picture by its resource name, loaded once for every item and window that shows it;
// null when the program file does not carry it.
const TBitmap* MenuPicture(const std::string& name) {
  static std::map<std::string, std::unique_ptr<TBitmap>> loaded;
  auto found = loaded.find(name);
  if (found != loaded.end()) return found->second.get();
  auto b = std::make_unique<TBitmap>();
  try {
    b->LoadFromResourceName(HInstance(), name);
  } catch (const std::exception&) {
    b.reset();
  }
  return loaded.emplace(name, std::move(b)).first->second.get();
}

} // namespace

void TMasterFrm::BuildCoolMenus() {
  if (!FCoolMenus.empty()) return;
  auto* music = dynamic_cast<TMenuItem*>(FindComponent("Music1"));
  const std::pair<TMenuItem*, const char*> menus[] = {
      {FFile1, "MNU_FILE"},           {FView1, "MNU_VIEW"},   {FAlbums1, "MNU_ALBUM"},
      {FCategories1, "MNU_CATEGORY"}, {FTitle1, "MNU_TITLE"}, {music, "MNU_PROGRAM"},
      {FOptions1, "MNU_OPTIONS"},     {FHelp1, "MNU_HELP"}};
  for (const auto& [menu, picture] : menus) {
    auto* cool = new TCoolMenu(this);
    cool->SetName(menu ? menu->Name() + "Pictures" : std::string("Music1Pictures"));
    FCoolMenus.push_back(cool);
    if (!menu) continue; // the program's menu joins once it is built
    std::function<void(TMenuItem*)> bind = [&](TMenuItem* parent) {
      for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* mi = parent->Items(i);
        TCoolMenuItem* item = cool->AddItem(mi);
        if (!mi->IsLine()) {
          // A program file without the pictures shows the captions alone.
          if (const TBitmap* shared = MenuPicture(PictureOf(*mi, picture))) {
            TBitmap& b = item->Picture().Bitmap();
            b.Assign(*shared);
            item->SetTrColor(b.Pixel(0, b.Height() - 1));
          }
        }
        bind(mi);
      }
    };
    bind(menu);
  }
}
