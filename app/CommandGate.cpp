// The gate that keeps commands without a handler disabled.
#include "CommandGate.h"
#include "Controls.h"
#include "Menus.h"

void TCommandGate::Add(TControl* control) {
  Add(TEntry{control, [control] { return static_cast<bool>(control->OnClick); },
             [control] { return control->Enabled(); },
             [control](bool value) { control->SetEnabled(value); }, control->Enabled(), false});
}

void TCommandGate::Add(TMenuItem* item) {
  Add(TEntry{item, [item] { return static_cast<bool>(item->OnClick); },
             [item] { return item->Enabled(); }, [item](bool value) { item->SetEnabled(value); },
             item->Enabled(), false});
}

void TCommandGate::Add(TEntry entry) {
  if (Contains(entry.Item)) return;
  FEntries.push_back(std::move(entry));
  Apply(FEntries.back());
}

bool TCommandGate::Contains(const void* item) const {
  for (const TEntry& e : FEntries)
    if (e.Item == item) return true;
  return false;
}

TCommandGate::TEntry* TCommandGate::Find(const void* item) {
  for (TEntry& e : FEntries)
    if (e.Item == item) return &e;
  return nullptr;
}

void TCommandGate::SetEnabled(TControl* control, bool value) {
  if (TEntry* e = Find(control))
    Want(*e, value);
  else
    control->SetEnabled(value);
}

void TCommandGate::SetEnabled(TMenuItem* item, bool value) {
  if (TEntry* e = Find(item))
    Want(*e, value);
  else
    item->SetEnabled(value);
}

void TCommandGate::Want(TEntry& e, bool value) {
  e.Wanted = value;
  e.HadHandler = e.HasHandler();
  e.SetEnabled(value && e.HadHandler);
}

void TCommandGate::Apply() {
  for (TEntry& e : FEntries)
    Apply(e);
}

void TCommandGate::Apply(TEntry& e) {
  bool has = e.HasHandler();
  if (!has) {
    // Someone enabled it directly meanwhile: that is what is wanted once a handler comes.
    if (e.Enabled()) e.Wanted = true;
    e.SetEnabled(false);
  } else if (!e.HadHandler) {
    e.SetEnabled(e.Wanted); // the handler has just come
  } else {
    e.Wanted = e.Enabled(); // the window's own logic has it now
  }
  e.HadHandler = has;
}
