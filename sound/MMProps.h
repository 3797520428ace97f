// A small registry of the sound classes' published properties, events and identifier names, so
// that properties can be asked for, read, written and cloned by name along the class chain.
#pragma once
#include "Components.h"
#include "SysUtils.h"
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

TB_DECLARE_EXCEPTION(EPropertyError, Exception);

enum class TMMPropKind {
  pkInteger,
  pkBoolean,
  pkEnum,
  pkColor,
  pkCursor,
  pkString,
  pkObject,
  pkComponent
};

struct TMMPropInfo {
  std::string Name;
  TMMPropKind Kind = TMMPropKind::pkInteger;
  std::string TypeName; // for identifier maps and enumerations
  std::vector<std::string> EnumNames;
  // Ordinal kinds (integer, Boolean, enumeration, colour, cursor).
  std::function<int64_t(TObject*)> GetOrd;
  std::function<void(TObject*, int64_t)> SetOrd;
  std::function<std::string(TObject*)> GetStr;
  std::function<void(TObject*, const std::string&)> SetStr;
  std::function<TPersistent*(TObject*)> GetObj; // owned object properties (Assign to set)
  // References to other components (stored by name).
  std::function<TComponent*(TObject*)> GetRef;
  std::function<void(TObject*, TComponent*)> SetRef;
  bool HasDefault = false;
  int64_t Default = 0;
  // When set, decides whether the value is stored; else a value equal to the default is not.
  std::function<bool(TObject*)> Stored;
};

struct TMMClassInfo {
  std::string ClassName;
  std::string ParentName; // empty at the root
  std::function<bool(TObject*)> IsInstance;
  std::vector<TMMPropInfo> Props;
  std::vector<std::string> Events;
};

// Registers a class (its parent must be registered first, or be empty); answers its entry for
// adding properties and events.
TMMClassInfo& RegisterMMClass(const std::string& className, const std::string& parentName,
                              std::function<bool(TObject*)> isInstance);
template <class T>
TMMClassInfo& RegisterMMClass(const std::string& className, const std::string& parentName) {
  return RegisterMMClass(className, parentName,
                         [](TObject* o) { return dynamic_cast<T*>(o) != nullptr; });
}
const TMMClassInfo* FindMMClass(const std::string& className);
// The most derived registered class the object is an instance of, or nullptr.
const TMMClassInfo* MMClassOf(TObject* object);

// Properties along the chain, the root's first; lookups by name ignore case.
std::vector<const TMMPropInfo*> GetPropList(TObject* object);
const TMMPropInfo* GetPropInfo(TObject* object, const std::string& name);
bool IsPublishedProp(TObject* object, const std::string& name);
bool IsPublishedEvent(TObject* object, const std::string& name);
int64_t GetOrdProp(TObject* object, const std::string& name);
void SetOrdProp(TObject* object, const std::string& name, int64_t value);
std::string GetStrProp(TObject* object, const std::string& name);
void SetStrProp(TObject* object, const std::string& name, const std::string& value);
TPersistent* GetObjectProp(TObject* object, const std::string& name);
bool IsStoredProp(TObject* object, const std::string& name);
// Copies every published property from source to dest (same class chain), objects by Assign.
void CopyPublishedProps(TObject* source, TObject* dest);

// Identifier names of integer types ("MapperId" -1 for TMMDeviceId).
void RegisterIntegerConsts(const std::string& typeName,
                           const std::vector<std::pair<std::string, int64_t>>& idents);
bool IdentToInt(const std::string& typeName, const std::string& ident, int64_t& value);
bool IntToIdent(const std::string& typeName, int64_t value, std::string& ident);

// Builders for the registration code.
template <class T, class V>
TMMPropInfo OrdProp(const std::string& name, TMMPropKind kind, V (T::*get)() const,
                    void (T::*set)(V), int64_t def, bool hasDefault = true) {
  TMMPropInfo p;
  p.Name = name;
  p.Kind = kind;
  p.GetOrd = [get](TObject* o) { return static_cast<int64_t>((static_cast<T*>(o)->*get)()); };
  p.SetOrd = [set](TObject* o, int64_t v) { (static_cast<T*>(o)->*set)(static_cast<V>(v)); };
  p.HasDefault = hasDefault;
  p.Default = def;
  return p;
}

// An enumerated property with the names of its values, in order.
inline TMMPropInfo EnumProp(TMMPropInfo p, std::vector<std::string> names) {
  p.EnumNames = std::move(names);
  return p;
}

// A reference property between component classes.
template <class T, class R>
TMMPropInfo RefProp(const std::string& name, R* (T::*get)() const, void (T::*set)(R*)) {
  TMMPropInfo p;
  p.Name = name;
  p.Kind = TMMPropKind::pkComponent;
  p.GetRef = [get](TObject* o) -> TComponent* { return (static_cast<T*>(o)->*get)(); };
  p.SetRef = [set](TObject* o, TComponent* c) {
    R* r = c ? dynamic_cast<R*>(c) : nullptr;
    if (c && !r) throw EPropertyError("Wrong class for " + std::string("reference"));
    (static_cast<T*>(o)->*set)(r);
  };
  return p;
}

// Registers the classes of the library's base layer and the identifier names (idempotent).
void RegisterMMBaseClasses();
