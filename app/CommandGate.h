// Commands whose action is not built yet stay disabled: a gated button or menu item is enabled
// only while it has an OnClick handler.
#pragma once
#include <functional>
#include <vector>

class TControl;
class TMenuItem;

// What the rest of the window wants for a gated item is kept while it has no handler and given to
// it once one is assigned. Apply looks at every item again; the owner runs it whenever handlers
// may have changed (the busy state's changes, a menu about to open). Once an item has a handler
// the gate leaves its enabled state to the window's own logic.
class TCommandGate {
public:
  void Add(TControl* control);
  void Add(TMenuItem* item);
  bool Contains(const void* item) const;
  // Sets what the window wants for a control or item; a gated one without a handler stays
  // disabled. Works on items outside the gate too (they simply take the state).
  void SetEnabled(TControl* control, bool value);
  void SetEnabled(TMenuItem* item, bool value);
  void Apply();

private:
  struct TEntry {
    const void* Item;
    std::function<bool()> HasHandler;
    std::function<bool()> Enabled;
    std::function<void(bool)> SetEnabled;
    bool Wanted;
    bool HadHandler;
  };
  void Add(TEntry entry);
  TEntry* Find(const void* item);
  void Apply(TEntry& entry);
  void Want(TEntry& entry, bool value);
  std::vector<TEntry> FEntries;
};
