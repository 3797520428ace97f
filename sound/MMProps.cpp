// The registry of published properties, events and identifier names.
#include "MMProps.h"
#include "MMObj.h"
#include <map>
#include <memory>

namespace {

struct TRegistry {
  std::vector<std::unique_ptr<TMMClassInfo>> Classes;
  std::map<std::string, std::vector<std::pair<std::string, int64_t>>> Idents;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

int Depth(const TMMClassInfo* c) {
  int d = 0;
  while (c && !c->ParentName.empty()) {
    c = FindMMClass(c->ParentName);
    ++d;
  }
  return d;
}

const TMMPropInfo& NeedProp(TObject* object, const std::string& name) {
  const TMMPropInfo* p = GetPropInfo(object, name);
  if (!p) throw EPropertyError("Unknown property: \"" + name + "\"");
  return *p;
}

} // namespace

TMMClassInfo& RegisterMMClass(const std::string& className, const std::string& parentName,
                              std::function<bool(TObject*)> isInstance) {
  for (auto& c : Registry().Classes)
    if (c->ClassName == className) return *c;
  auto info = std::make_unique<TMMClassInfo>();
  info->ClassName = className;
  info->ParentName = parentName;
  info->IsInstance = std::move(isInstance);
  Registry().Classes.push_back(std::move(info));
  return *Registry().Classes.back();
}

const TMMClassInfo* FindMMClass(const std::string& className) {
  for (auto& c : Registry().Classes)
    if (SameText(c->ClassName, className)) return c.get();
  return nullptr;
}

const TMMClassInfo* MMClassOf(TObject* object) {
  const TMMClassInfo* best = nullptr;
  int bestDepth = -1;
  for (auto& c : Registry().Classes) {
    if (!c->IsInstance(object)) continue;
    int d = Depth(c.get());
    if (d > bestDepth) best = c.get(), bestDepth = d;
  }
  return best;
}

std::vector<const TMMPropInfo*> GetPropList(TObject* object) {
  std::vector<const TMMClassInfo*> chain;
  for (const TMMClassInfo* c = MMClassOf(object); c;
       c = c->ParentName.empty() ? nullptr : FindMMClass(c->ParentName))
    chain.insert(chain.begin(), c);
  std::vector<const TMMPropInfo*> list;
  for (const TMMClassInfo* c : chain)
    for (const TMMPropInfo& p : c->Props) {
      // A derived class may publish a property again with another default.
      bool replaced = false;
      for (auto& q : list)
        if (SameText(q->Name, p.Name)) q = &p, replaced = true;
      if (!replaced) list.push_back(&p);
    }
  return list;
}

const TMMPropInfo* GetPropInfo(TObject* object, const std::string& name) {
  for (const TMMPropInfo* p : GetPropList(object))
    if (SameText(p->Name, name)) return p;
  return nullptr;
}

bool IsPublishedProp(TObject* object, const std::string& name) {
  return GetPropInfo(object, name) != nullptr;
}

bool IsPublishedEvent(TObject* object, const std::string& name) {
  for (const TMMClassInfo* c = MMClassOf(object); c;
       c = c->ParentName.empty() ? nullptr : FindMMClass(c->ParentName))
    for (const std::string& e : c->Events)
      if (SameText(e, name)) return true;
  return false;
}

int64_t GetOrdProp(TObject* object, const std::string& name) {
  const TMMPropInfo& p = NeedProp(object, name);
  if (!p.GetOrd) throw EPropertyError("Property \"" + name + "\" is not ordinal");
  return p.GetOrd(object);
}

void SetOrdProp(TObject* object, const std::string& name, int64_t value) {
  const TMMPropInfo& p = NeedProp(object, name);
  if (!p.SetOrd) throw EPropertyError("Property \"" + name + "\" is not ordinal");
  p.SetOrd(object, value);
}

std::string GetStrProp(TObject* object, const std::string& name) {
  const TMMPropInfo& p = NeedProp(object, name);
  if (!p.GetStr) throw EPropertyError("Property \"" + name + "\" is not a string");
  return p.GetStr(object);
}

void SetStrProp(TObject* object, const std::string& name, const std::string& value) {
  const TMMPropInfo& p = NeedProp(object, name);
  if (!p.SetStr) throw EPropertyError("Property \"" + name + "\" is not a string");
  p.SetStr(object, value);
}

TPersistent* GetObjectProp(TObject* object, const std::string& name) {
  const TMMPropInfo& p = NeedProp(object, name);
  if (!p.GetObj) throw EPropertyError("Property \"" + name + "\" is not an object");
  return p.GetObj(object);
}

bool IsStoredProp(TObject* object, const std::string& name) {
  const TMMPropInfo& p = NeedProp(object, name);
  if (p.Stored) return p.Stored(object);
  if (p.HasDefault && p.GetOrd) return p.GetOrd(object) != p.Default;
  return true;
}

void CopyPublishedProps(TObject* source, TObject* dest) {
  for (const TMMPropInfo* p : GetPropList(source)) {
    if (!GetPropInfo(dest, p->Name)) continue;
    if (p->GetObj) {
      if (TPersistent* d = p->GetObj(dest)) d->Assign(p->GetObj(source));
    } else if (p->GetOrd && p->SetOrd) {
      p->SetOrd(dest, p->GetOrd(source));
    } else if (p->GetStr && p->SetStr) {
      p->SetStr(dest, p->GetStr(source));
    }
  }
}

void RegisterIntegerConsts(const std::string& typeName,
                           const std::vector<std::pair<std::string, int64_t>>& idents) {
  Registry().Idents[typeName] = idents;
}

bool IdentToInt(const std::string& typeName, const std::string& ident, int64_t& value) {
  auto it = Registry().Idents.find(typeName);
  if (it == Registry().Idents.end()) return false;
  for (auto& [name, v] : it->second)
    if (SameText(name, ident)) {
      value = v;
      return true;
    }
  return false;
}

bool IntToIdent(const std::string& typeName, int64_t value, std::string& ident) {
  auto it = Registry().Idents.find(typeName);
  if (it == Registry().Idents.end()) return false;
  for (auto& [name, v] : it->second)
    if (v == value) {
      ident = name;
      return true;
    }
  return false;
}

void RegisterMMBaseClasses() {
  if (FindMMClass("TMMBevel")) return;
  RegisterIntegerConsts("TMMDeviceId", {{"MapperId", MapperId}, {"badDeviceId", badDeviceId}});
  using K = TMMPropKind;
  TMMClassInfo& b = RegisterMMClass<TMMBevel>("TMMBevel", "");
  b.Props = {
      OrdProp("BevelInner", K::pkEnum, &TMMBevel::BevelInner, &TMMBevel::SetBevelInner, bvNone),
      OrdProp("BevelOuter", K::pkEnum, &TMMBevel::BevelOuter, &TMMBevel::SetBevelOuter, bvLowered),
      OrdProp("BevelInnerWidth", K::pkInteger, &TMMBevel::BevelInnerWidth,
              &TMMBevel::SetBevelInnerWidth, 1),
      OrdProp("BevelOuterWidth", K::pkInteger, &TMMBevel::BevelOuterWidth,
              &TMMBevel::SetBevelOuterWidth, 1),
      OrdProp("BorderStyle", K::pkEnum, &TMMBevel::BorderStyle, &TMMBevel::SetBorderStyle, bsNone),
      OrdProp("BorderWidth", K::pkInteger, &TMMBevel::BorderWidth, &TMMBevel::SetBorderWidth, 0),
      OrdProp("BorderSpace", K::pkInteger, &TMMBevel::BorderSpace, &TMMBevel::SetBorderSpace, 0),
      OrdProp("BorderColor", K::pkColor, &TMMBevel::BorderColor, &TMMBevel::SetBorderColor,
              clBtnFace),
      OrdProp("BorderSpaceColor", K::pkColor, &TMMBevel::BorderSpaceColor,
              &TMMBevel::SetBorderSpaceColor, clBlack),
      OrdProp("InnerLightColor", K::pkColor, &TMMBevel::InnerLightColor,
              &TMMBevel::SetInnerLightColor, clBtnHighlight),
      OrdProp("InnerShadowColor", K::pkColor, &TMMBevel::InnerShadowColor,
              &TMMBevel::SetInnerShadowColor, clBtnShadow),
      OrdProp("OuterLightColor", K::pkColor, &TMMBevel::OuterLightColor,
              &TMMBevel::SetOuterLightColor, clBtnHighlight),
      OrdProp("OuterShadowColor", K::pkColor, &TMMBevel::OuterShadowColor,
              &TMMBevel::SetOuterShadowColor, clBtnShadow),
  };
  b.Props[0].EnumNames = b.Props[1].EnumNames = {"bvNone", "bvLowered", "bvRaised"};
  b.Props[4].EnumNames = {"bsNone", "bsSingle"};
  RegisterMMClass<TMMCustomControl>("TMMCustomControl", "");
  RegisterMMClass<TMMCustomPanel>("TMMCustomPanel", "");
  RegisterMMClass<TMMGraphicControl>("TMMGraphicControl", "");
}
