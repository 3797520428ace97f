// The extended list view: extended styles, owner data supplied through events, sorting on a
// column click, and the column order and widths kept in the registry.
#pragma once
#include <functional>
#include <string>
#include <vector>
#include "ComCtrls.h"
#include "DragDrop.h"

enum TLVExtendedStyle {
  lvxGridLines,
  lvxSubItemImages,
  lvxCheckboxes,
  lvxTrackSelect,
  lvxHeaderDragDrop,
  lvxFullRowSelect,
  lvxOneClickActivate,
  lvxTwoClickActivate
};
// Bit n of the set is the list view's extended style bit 1 << n.
using TLVExtendedStyles = TSet<TLVExtendedStyle>;

enum TAutoColumnSort { acsNoSort, acsSort, acsSortToggle };

enum TLVODMaskItem { lvifText, lvifImage, lvifParam, lvifState, lvifIndent };
using TLVODMaskItems = TSet<TLVODMaskItem>;

using TLVCacheHint = NMLVCACHEHINT;
using TLVFindItem = NMLVFINDITEMA;
using TLVODStateChange = NMLVODSTATECHANGE;

using TLVMarqueeBeginEvent = std::function<void(TObject* Sender, bool& CanBegin)>;
using TLVODGetItemInfoEvent =
    std::function<void(TObject* Sender, int Item, int SubItem, TLVODMaskItems Mask, int& Image,
                       int& Param, int& State, int& Indent, std::string& Text)>;
using TLVODCacheHintEvent = std::function<void(TObject* Sender, TLVCacheHint& HintInfo)>;
using TLVODFindItemEvent = std::function<void(TObject* Sender, TLVFindItem& FindInfo, bool& Found)>;
using TLVODStateChangedEvent = std::function<void(TObject* Sender, TLVODStateChange& StateInfo)>;

// Where the column order and widths are kept: section "Columns" of a settings key below
// HKEY_CURRENT_USER, values "Order" and "Sizes" as comma-separated numbers.
class TELVSaveSettings : public TObject {
public:
  bool AutoSave() const { return FAutoSave; }
  void SetAutoSave(bool value) { FAutoSave = value; }
  const std::string& RegistryKey() const { return FRegistryKey; }
  void SetRegistryKey(const std::string& value) { FRegistryKey = value; }
  bool SaveColumnOrder() const { return FSaveColumnOrder; }
  void SetSaveColumnOrder(bool value) { FSaveColumnOrder = value; }
  bool SaveColumnSizes() const { return FSaveColumnSizes; }
  void SetSaveColumnSizes(bool value) { FSaveColumnSizes = value; }
  void Assign(const TELVSaveSettings& source) { *this = source; }

private:
  bool FAutoSave = false;
  std::string FRegistryKey;
  bool FSaveColumnOrder = true, FSaveColumnSizes = true;
};

// Parses a stored "Order" value: the order only when it is a permutation of 0..count-1 (numbers
// beyond the column count are ignored); otherwise empty.
std::vector<int> ParseColumnOrder(const std::string& text, int count);
// Parses a stored "Sizes" value: one entry per column, -1 where no usable width is stored.
std::vector<int> ParseColumnSizes(const std::string& text, int count);
// Compares two cell texts for a column sort (column 0 is the caption); direction +1 or -1.
int CompareColumnTexts(const std::string& a, const std::string& b, int column, int direction);

class TExtListView : public TListView, public TDragClient {
public:
  explicit TExtListView(TComponent* AOwner);
  ~TExtListView() override;

  TLVExtendedStyles ExtendedStyles();
  void SetExtendedStyles(TLVExtendedStyles value);
  bool VirtualMode() const { return FOwnerData; }
  void SetVirtualMode(bool value);
  TAutoColumnSort AutoColumnSort() const { return FAutoColumnSort; }
  void SetAutoColumnSort(TAutoColumnSort value) { FAutoColumnSort = value; }
  bool AutoSortAscending() const { return FAutoSortAscending; }
  void SetAutoSortAscending(bool value);
  TELVSaveSettings& SaveSettings() { return FSaveSettings; }
  void SetSaveSettings(const TELVSaveSettings& value) { FSaveSettings.Assign(value); }
  int LastColumnSorted() const { return FLastColumnSorted; }
  bool CurrentSortAscending() const { return FCurrentSortAscending; }

  // Writes and reads the column settings now (the component does it itself when AutoSave is set:
  // reading once it is loaded, writing when its window goes).
  void SaveColumnSettings();
  void LoadColumnSettings();

  TLVMarqueeBeginEvent OnMarqueeBegin;
  TNotifyEvent OnItemActivate;
  // Enter pressed on the list (before the list acts on it as an item's activation).
  TNotifyEvent OnReturn;
  TLVODGetItemInfoEvent OnODGetItemInfo;
  TLVODCacheHintEvent OnODCacheHint;
  TLVODFindItemEvent OnODFindItem;
  TLVODStateChangedEvent OnODStateChanged;

  virtual bool MarqueeBegin();
  virtual void ItemActivate();
  virtual void ODGetItemInfo(LVITEMA& item);
  virtual void ODCacheHint(TLVCacheHint& hint);
  virtual bool ODFindItem(TLVFindItem& find);
  virtual void ODStateChanged(TLVODStateChange& change);
  virtual void SortColumn(int column, bool ascending);

  void WndProc(TMessage& message) override;

protected:
  void InitWnd() override;
  void DestroyWnd() override;
  void Loaded() override;
  void ColumnClick(TListColumn& column) override;

private:
  bool SettingsApply() const;
  TLVExtendedStyles FExtendedStyles;
  TAutoColumnSort FAutoColumnSort = acsNoSort;
  bool FAutoSortAscending = true, FCurrentSortAscending = true;
  int FLastColumnSorted = -1;
  TELVSaveSettings FSaveSettings;
};
