// What the loader and the scan windows share.
#include "AddInfo.h"
#include <windows.h>
#include "DataCodeD2.h"
#include "FileCtrls.h"
#include "MsgDlg.h"
#include "SysUtils.h"

void FillCategoryBox(TComboBox& box, TCatList* categories, TStringList& keys) {
  TStringList names;
  keys.Clear();
  if (categories) categories->FillNameKeyLists(names, keys);
  box.Items().Assign(names);
}

void FillArtistBox(TComboBox& box, TPerfList* artists, TStringList& keys) {
  TStringList firsts, lasts, items;
  keys.Clear();
  if (artists) artists->FillNameKeyLists(firsts, lasts, keys);
  for (int i = 0; i < lasts.Count(); ++i)
    items.Add(ArtistNameForm(lasts[i], firsts[i]));
  box.Items().Assign(items);
}

int ExactItemIndex(TComboBox& box, const std::string& text) {
  for (int i = 0; i < box.Items().Count(); ++i)
    if (box.Items()[i] == text) return i;
  return -1;
}

int32_t PickedKey(TComboBox& box, const TStringList& keys) {
  int index = ExactItemIndex(box, box.Text());
  if (index < 0 || index >= keys.Count()) return 0;
  return StrToIntDef(keys[index], 0);
}

bool AcceptChosenDrive(TMessageDialog& dialog, char letter) {
  if (IsDriveReady(letter)) return true;
  MessageBeep(MB_ICONEXCLAMATION);
  char up = static_cast<char>(toupper(static_cast<unsigned char>(letter)));
  dialog.SetText(std::string(1, up) + ": is not ready.  Insert disk!");
  dialog.SetLineSeparator("");
  dialog.SetMsgType(mtWarning);
  dialog.SetButtons({mbOK, mbCancel});
  return dialog.Execute() == mrOk && IsDriveReady(letter);
}
