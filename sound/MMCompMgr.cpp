// Component streaming over the property registry, and the component manager that clones by it.
#include "MMCompMgr.h"
#include "Handles.h"
#include "MMMixBlk.h"
#include "MMProps.h"
#include "ExtCtrls.h"
#include "StdCtrls.h"
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <sstream>

namespace {

std::map<std::string, TMMComponentCreator>& Creators() {
  static std::map<std::string, TMMComponentCreator> map;
  return map;
}

std::string Hex(const std::string& s) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out.empty() ? "-" : out;
}

std::string Unhex(const std::string& s) {
  if (s == "-") return "";
  std::string out;
  for (size_t i = 0; i + 1 < s.size(); i += 2)
    out += static_cast<char>(std::stoi(s.substr(i, 2), nullptr, 16));
  return out;
}

struct TPropRecord {
  std::string Name;
  char Kind; // i ordinal, s string, r reference
  std::string Value;
};

struct TObjectRecord {
  std::string ClassName, Name;
  int ParentIndex = -1;
  std::vector<TPropRecord> Props;
  std::vector<std::pair<std::string, std::string>> Events;
  TComponent* Component = nullptr;
};

void WriteProps(std::ostringstream& out, TObject* object, const std::string& prefix) {
  for (const TMMPropInfo* p : GetPropList(object)) {
    const std::string name = prefix + p->Name;
    if (p->GetObj) {
      if (TPersistent* sub = p->GetObj(object)) WriteProps(out, sub, name + ".");
      continue;
    }
    if (p->Stored ? !p->Stored(object) : false) continue;
    if (p->GetRef && p->SetRef) {
      TComponent* c = p->GetRef(object);
      out << "prop " << name << " r " << Hex(c ? c->Name() : "") << "\n";
    } else if (p->GetOrd && p->SetOrd) {
      out << "prop " << name << " i " << p->GetOrd(object) << "\n";
    } else if (p->GetStr && p->SetStr) {
      out << "prop " << name << " s " << Hex(p->GetStr(object)) << "\n";
    }
  }
}

void WriteOne(std::ostringstream& out, TComponent* component, TComponent* root, int parentIndex,
              int& count, TMMHandlerTable* table) {
  const int index = count++;
  out << "object " << component->ClassName() << " " << Hex(component->Name()) << " " << parentIndex
      << "\n";
  if (auto* c = dynamic_cast<TControl*>(component)) {
    out << "prop Left i " << c->Left() << "\nprop Top i " << c->Top() << "\nprop Width i "
        << c->Width() << "\nprop Height i " << c->Height() << "\nprop Align i " << c->Align()
        << "\nprop Visible i " << c->Visible() << "\n";
  }
  out << "prop Tag i " << component->Tag() << "\n";
  WriteProps(out, component, "");
  if (table)
    for (auto& [event, handler] : table->Bindings(component))
      out << "event " << event << " " << handler << "\n";
  out << "end\n";
  if (auto* w = dynamic_cast<TWinControl*>(component))
    for (int i = 0; i < w->ControlCount(); ++i)
      if (w->Controls(i)->Owner() == root) WriteOne(out, w->Controls(i), root, index, count, table);
}

void SetCommon(TComponent* c, const std::string& name, int64_t v, bool& done) {
  done = true;
  auto* control = dynamic_cast<TControl*>(c);
  if (name == "Tag")
    c->SetTag(static_cast<int>(v));
  else if (control && name == "Left")
    control->SetLeft(static_cast<int>(v));
  else if (control && name == "Top")
    control->SetTop(static_cast<int>(v));
  else if (control && name == "Width")
    control->SetWidth(static_cast<int>(v));
  else if (control && name == "Height")
    control->SetHeight(static_cast<int>(v));
  else if (control && name == "Align")
    control->SetAlign(static_cast<TAlign>(v));
  else if (control && name == "Visible")
    control->SetVisible(v != 0);
  else
    done = false;
}

// The object a dotted property name leads to, and the last part of the name.
TObject* PropTarget(TObject* object, const std::string& path, std::string& last) {
  size_t dot = path.find('.');
  if (dot == std::string::npos) {
    last = path;
    return object;
  }
  TPersistent* sub = GetObjectProp(object, path.substr(0, dot));
  return PropTarget(sub, path.substr(dot + 1), last);
}

} // namespace

std::string MMTypeName(const std::type_info& type) {
  int status = 0;
  TCMemory<char> plain(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status));
  std::string name = status == 0 && plain ? plain.get() : type.name();
  return name;
}

void RegisterMMComponentClass(const std::string& className, TMMComponentCreator creator) {
  Creators()[className] = std::move(creator);
}

bool MMComponentClassRegistered(const std::string& className) {
  return Creators().count(className) != 0;
}

// --- TMMHandlerTable -------------------------------------------------------------------------

void TMMHandlerTable::AddHandler(const std::string& handlerName, TBinder binder) {
  FHandlers[handlerName] = std::move(binder);
}

bool TMMHandlerTable::HasHandler(const std::string& handlerName) const {
  return FHandlers.count(handlerName) != 0;
}

void TMMHandlerTable::Bind(TComponent* target, const std::string& eventName,
                           const std::string& handlerName) {
  auto it = FHandlers.find(handlerName);
  if (it == FHandlers.end())
    throw EComponentError("Handler \"" + handlerName + "\" not found in the form's table");
  it->second(target, eventName);
  auto& list = FBound[target];
  for (auto& e : list)
    if (e.first == eventName) {
      e.second = handlerName;
      return;
    }
  list.emplace_back(eventName, handlerName);
  FreeNotification(target);
}

std::vector<std::pair<std::string, std::string>>
TMMHandlerTable::Bindings(TComponent* target) const {
  auto it = FBound.find(target);
  return it == FBound.end() ? std::vector<std::pair<std::string, std::string>>{} : it->second;
}

void TMMHandlerTable::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove) FBound.erase(component);
}

TMMHandlerTable* FindHandlerTable(TComponent* root) {
  if (!root) return nullptr;
  for (int i = 0; i < root->ComponentCount(); ++i)
    if (auto* t = dynamic_cast<TMMHandlerTable*>(root->Components(i))) return t;
  return nullptr;
}

// --- streaming -------------------------------------------------------------------------------

void WriteMMComponent(TStream& stream, TComponent* component, TComponent* root) {
  std::ostringstream out;
  int count = 0;
  WriteOne(out, component, root, -1, count, FindHandlerTable(root));
  const std::string text = out.str();
  stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

std::vector<TComponent*>
ReadMMComponent(TStream& stream, TComponent* owner, TWinControl* parent,
                const std::function<std::string(const std::string&)>& rename) {
  std::string text(static_cast<size_t>(stream.Size() - stream.Position()), '\0');
  if (!text.empty()) stream.ReadBuffer(text.data(), static_cast<int32_t>(text.size()));
  std::vector<TObjectRecord> records;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word == "object") {
      TObjectRecord r;
      std::string name;
      words >> r.ClassName >> name >> r.ParentIndex;
      r.Name = Unhex(name);
      records.push_back(r);
    } else if (word == "prop" && !records.empty()) {
      TPropRecord p;
      std::string kind;
      words >> p.Name >> kind >> p.Value;
      p.Kind = kind.empty() ? 'i' : kind[0];
      if (p.Kind != 'i') p.Value = Unhex(p.Value);
      records.back().Props.push_back(p);
    } else if (word == "event" && !records.empty()) {
      std::string event, handler;
      words >> event >> handler;
      records.back().Events.emplace_back(event, handler);
    }
  }
  if (records.empty()) throw EReadError("Stream holds no component");
  // Every class must be known before anything is made: a failure leaves the owner as it was.
  for (auto& r : records)
    if (!MMComponentClassRegistered(r.ClassName))
      throw EClassNotFound("Class " + r.ClassName + " not found");
  TMMHandlerTable* table = FindHandlerTable(owner);
  std::vector<TComponent*> made;
  try {
    for (auto& r : records) {
      r.Component = Creators()[r.ClassName](owner);
      made.push_back(r.Component);
      r.Component->BeginLoading();
      r.Component->BeginReading();
      std::string name = r.Name;
      if (!name.empty() && owner && owner->FindComponent(name)) name = rename(name);
      r.Component->SetName(name);
      auto* control = dynamic_cast<TControl*>(r.Component);
      TWinControl* p =
          r.ParentIndex < 0
              ? parent
              : dynamic_cast<TWinControl*>(records[static_cast<size_t>(r.ParentIndex)].Component);
      if (control && p) control->SetParent(p);
      for (auto& prop : r.Props) {
        if (prop.Kind == 'r') continue;
        if (prop.Kind == 'i') {
          bool done;
          SetCommon(r.Component, prop.Name, std::stoll(prop.Value), done);
          if (done) continue;
        }
        std::string last;
        TObject* target = PropTarget(r.Component, prop.Name, last);
        if (!target || !GetPropInfo(target, last)) continue;
        if (prop.Kind == 'i')
          SetOrdProp(target, last, std::stoll(prop.Value));
        else
          SetStrProp(target, last, prop.Value);
      }
    }
    // References by name: the copy's own components first, then the owner's.
    for (auto& r : records) {
      for (auto& prop : r.Props) {
        if (prop.Kind != 'r') continue;
        TComponent* ref = nullptr;
        if (!prop.Value.empty()) {
          for (auto& other : records)
            if (other.Name == prop.Value) ref = other.Component;
          if (!ref && owner) ref = owner->FindComponent(prop.Value);
        }
        const TMMPropInfo* info = GetPropInfo(r.Component, prop.Name);
        if (info && info->SetRef) info->SetRef(r.Component, ref);
      }
      for (auto& [event, handler] : r.Events) {
        if (!table) throw EComponentError("No handler table for \"" + handler + "\"");
        table->Bind(r.Component, event, handler);
      }
    }
    for (TComponent* c : made)
      c->EndReading();
    for (TComponent* c : made)
      c->EndLoading();
  } catch (...) {
    for (auto it = made.rbegin(); it != made.rend(); ++it)
      FreeAndNil(*it);
    throw;
  }
  return made;
}

// --- TMMCompManager --------------------------------------------------------------------------

TMMCompManager::TMMCompManager(TComponent* AOwner) : TComponent(AOwner) {
  RegisterMMCompClasses();
}

void TMMCompManager::SetCloneOwner(TComponent* value) {
  if (FCloneOwner) RemoveFreeNotification(FCloneOwner);
  FCloneOwner = value;
  if (value) FreeNotification(value);
}

void TMMCompManager::SetCloneParent(TComponent* value) {
  if (FCloneParent) RemoveFreeNotification(FCloneParent);
  FCloneParent = value;
  if (value) FreeNotification(value);
}

TComponent* TMMCompManager::EffectiveOwner() const {
  return FCloneOwner ? FCloneOwner : Owner();
}

TComponent* TMMCompManager::EffectiveParent() const {
  return FCloneParent ? FCloneParent : EffectiveOwner();
}

TComponent* TMMCompManager::CloneComponent(TComponent* component) {
  TMemoryStream stream;
  WriteMMComponent(stream, component, component->Owner());
  stream.SetPosition(0);
  TComponent* owner = EffectiveOwner();
  std::vector<TComponent*> read =
      ReadMMComponent(stream, owner, dynamic_cast<TWinControl*>(EffectiveParent()),
                      [this](const std::string& name) {
                        // A name taken in the new owner becomes the class's next free one.
                        TComponent* existing = EffectiveOwner()->FindComponent(name);
                        return existing ? MakeUniqueName(existing) : name;
                      });
  FLastRead = read.back();
  return read.front();
}

std::string TMMCompManager::MakeUniqueName(TComponent* component) {
  const std::string className = component->ClassName();
  const std::string base = className.size() > 1 ? className.substr(1) : className;
  TComponent* owner = EffectiveOwner();
  for (long long i = 1; i < (1LL << 31); ++i) {
    std::string name = base + std::to_string(i);
    if (!owner || !owner->FindComponent(name)) return name;
  }
  throw EComponentError(LoadLibraryString(MMS_NOT_ENOUGH_NAMES));
}

void TMMCompManager::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FCloneOwner) FCloneOwner = nullptr;
  if (component == FCloneParent) FCloneParent = nullptr;
  if (component == FLastRead) FLastRead = nullptr;
}

void RegisterMMCompClasses() {
  RegisterMMMixBlk();
  if (MMComponentClassRegistered("TMMMixerBlock")) return;
  RegisterMMComponentClass<TMMMixerDevice>();
  RegisterMMComponentClass<TMMAudioLine>();
  RegisterMMComponentClass<TMMMixerControl>();
  RegisterMMComponentClass<TMMVolumeControl>();
  RegisterMMComponentClass<TMMPanControl>();
  RegisterMMComponentClass<TMMMixerSlider>();
  RegisterMMComponentClass<TMMMixerConnector>();
  RegisterMMComponentClass<TMMMixerLabelConnector>();
  RegisterMMComponentClass<TMMDeviceComboBox>();
  RegisterMMComponentClass<TMMMixerBlockSlider>();
  RegisterMMComponentClass<TMMMixerBlockCheck>();
  RegisterMMComponentClass<TMMMixerBlockLabel>();
  RegisterMMComponentClass<TMMMixerBlockLevel>();
  RegisterMMComponentClass<TMMMixerBlock>();
  RegisterMMComponentClass<TLabel>();
  RegisterMMComponentClass<TPanel>();
  RegisterMMComponentClass<TCheckBox>();
  RegisterMMComponentClass<TBevel>();
  RegisterMMClass<TBevel>("TBevel", "").Props = {
      OrdProp("Shape", TMMPropKind::pkEnum, &TBevel::Shape, &TBevel::SetShape, bsBox)};
  // Identifier names and the class names a form file may hold.
  RegisterIntegerConsts("TMMLineId", {{"badLineId", -1}});
  RegisterIntegerConsts("TMMControlId", {{"badControlId", -1}});
  RegisterIntegerConsts("TMMItemIndex", {{"NoItem", -1}});
  TMMClassInfo& m = RegisterMMClass<TMMCompManager>("TMMCompManager", "");
  m.Props = {RefProp("Owner", &TMMCompManager::CloneOwner, &TMMCompManager::SetCloneOwner),
             RefProp("Parent", &TMMCompManager::CloneParent, &TMMCompManager::SetCloneParent)};
}
