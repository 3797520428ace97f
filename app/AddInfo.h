// What the loader and the scan windows share: filling their category and artist boxes with kept
// keys, reading a box as picked or typed, and the drive readiness question.
#pragma once
#include <cstdint>
#include <string>
#include "Classes.h"
#include "StdCtrls.h"
#include "TuneRecords.h" // ArtistNameForm

class TMessageDialog;
class TCatList;
class TPerfList;

// The box's items: category names sorted, their keys line for line in keys.
void FillCategoryBox(TComboBox& box, TCatList* categories, TStringList& keys);
// The box's items: every artist in the artist name form, sorted by last name; keys line for line.
void FillArtistBox(TComboBox& box, TPerfList* artists, TStringList& keys);

// The line of the box's items that is exactly text, or -1.
int ExactItemIndex(TComboBox& box, const std::string& text);
// The key of the item whose text the box shows exactly, or 0 when the text was typed.
int32_t PickedKey(TComboBox& box, const TStringList& keys);

// Asks whether a drive chosen in a drive box has a disk; when not, beeps and asks through the
// window's own dialog (OK and Cancel); OK checks again once. Answers whether to take the drive.
bool AcceptChosenDrive(TMessageDialog& dialog, char letter);
