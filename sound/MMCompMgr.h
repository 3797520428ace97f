// Run-time copies of a component and its child controls: written to a memory stream by their
// registered properties and read back under a new owner and parent with fresh, unique names.
#pragma once
#include "Classes.h"
#include "Controls.h"
#include "MMObj.h"
#include <functional>
#include <map>
#include <string>
#include <typeinfo>
#include <vector>

TB_DECLARE_EXCEPTION(EClassNotFound, Exception);
TB_DECLARE_EXCEPTION(EComponentError, Exception);

// Makes a component of a registered class, owned by owner.
using TMMComponentCreator = std::function<TComponent*(TComponent* owner)>;
void RegisterMMComponentClass(const std::string& className, TMMComponentCreator creator);
bool MMComponentClassRegistered(const std::string& className);
// The class name a TObject of type T reports.
std::string MMTypeName(const std::type_info& type);
template <class T> void RegisterMMComponentClass() {
  RegisterMMComponentClass(MMTypeName(typeid(T)), [](TComponent* o) { return new T(o); });
}

// The event handlers a form offers by name. A component's events bound through the table are
// written by handler name and bound again to the copy.
class TMMHandlerTable : public TComponent {
public:
  using TBinder = std::function<void(TComponent* target, const std::string& eventName)>;
  explicit TMMHandlerTable(TComponent* AOwner) : TComponent(AOwner) {}
  void AddHandler(const std::string& handlerName, TBinder binder);
  bool HasHandler(const std::string& handlerName) const;
  void Bind(TComponent* target, const std::string& eventName, const std::string& handlerName);
  // (event, handler) pairs bound to the target.
  std::vector<std::pair<std::string, std::string>> Bindings(TComponent* target) const;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  std::map<std::string, TBinder> FHandlers;
  std::map<TComponent*, std::vector<std::pair<std::string, std::string>>> FBound;
};
TMMHandlerTable* FindHandlerTable(TComponent* root);

// Writes the component and the child controls that root owns.
void WriteMMComponent(TStream& stream, TComponent* component, TComponent* root);
// Reads what WriteMMComponent wrote into owner (the root), the top component under parent;
// rename answers the name to use for a name read. Answers every component read, the top first.
// Nothing stays behind when it fails.
std::vector<TComponent*>
ReadMMComponent(TStream& stream, TComponent* owner, TWinControl* parent,
                const std::function<std::string(const std::string&)>& rename);

class TMMCompManager : public TComponent {
public:
  explicit TMMCompManager(TComponent* AOwner);
  // Published as Owner and Parent: the clones' owner and parent control (the manager's owner,
  // and the effective owner, when not set).
  TComponent* CloneOwner() const { return FCloneOwner; }
  void SetCloneOwner(TComponent* value);
  TComponent* CloneParent() const { return FCloneParent; }
  void SetCloneParent(TComponent* value);
  TComponent* EffectiveOwner() const;
  TComponent* EffectiveParent() const;

  TComponent* CloneComponent(TComponent* component);
  std::string MakeUniqueName(TComponent* component);
  // The last component read by the last clone.
  TComponent* LastRead() const { return FLastRead; }

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TComponent* FCloneOwner = nullptr;
  TComponent* FCloneParent = nullptr;
  TComponent* FLastRead = nullptr;
};

// Registers the component classes the mixer window clones (idempotent).
void RegisterMMCompClasses();
