// Components: ownership, names, free notification and the loading state.
#include "Components.h"
#include "Handles.h"
#include "SysUtils.h"
#include <algorithm>
#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>

std::string TObject::ClassName() const {
  const char* mangled = typeid(*this).name();
  int status = 0;
  TCMemory<char> plain(abi::__cxa_demangle(mangled, nullptr, nullptr, &status));
  std::string name = status == 0 && plain ? plain.get() : mangled;
  // Nested or namespaced classes keep only their own name.
  size_t colon = name.rfind("::");
  if (colon != std::string::npos) name.erase(0, colon + 2);
  return name;
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell everyone who holds a reference to us, then forget them.
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    auto& theirs = other->FFreeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  for (TComponent* c : FComponents)
    if (!name.empty() && c->FName.size() == name.size() &&
        std::equal(name.begin(), name.end(), c->FName.begin(),
                   [](char a, char b) { return (a | 0x20) == (b | 0x20); }))
      return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (component->FOwner) component->FOwner->RemoveComponent(component);
  FComponents.push_back(component);
  component->FOwner = this;
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find(FComponents.begin(), FComponents.end(), component);
  if (it == FComponents.end()) return;
  FComponents.erase(it);
  component->FOwner = nullptr;
  if (!FComponentState.Contains(csDestroying)) Notification(component, opRemove);
}

void TComponent::DestroyComponents() {
  // Last created first, as a form frees what it built on top of earlier parts.
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    FComponents.pop_back();
    c->FOwner = nullptr;
    delete c;
  }
}

void TComponent::FreeNotification(TComponent* other) {
  if (!other || other == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), other) == FFreeNotifies.end())
    FFreeNotifies.push_back(other);
  auto& theirs = other->FFreeNotifies;
  if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  if (!other) return;
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), other),
                      FFreeNotifies.end());
  auto& theirs = other->FFreeNotifies;
  theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::BeginLoading() {
  FComponentState.Include(csLoading);
  for (TComponent* c : FComponents)
    c->BeginLoading();
}

void TComponent::EndLoading() {
  for (size_t i = 0; i < FComponents.size(); ++i)
    FComponents[i]->EndLoading();
  if (FComponentState.Contains(csLoading)) {
    FComponentState.Exclude(csLoading);
    Loaded();
  }
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  // An owner hears of its components' removal; pass it on so that references held by the
  // components we own are cleared too.
  if (operation == opRemove && component)
    for (TComponent* c : FComponents)
      if (c != component) c->Notification(component, operation);
}

void TComponent::Loaded() {}

void TComponent::BeginReading() {
  FComponentState.Include(csReading);
  for (TComponent* c : FComponents)
    c->BeginReading();
}

void TComponent::EndReading() {
  for (TComponent* c : FComponents)
    c->EndReading();
  FComponentState.Exclude(csReading);
}

void TPersistent::Assign(TPersistent* Source) {
  if (!Source) throw EConvertError("Cannot assign a nil to a " + ClassName());
  Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) {
  throw EConvertError("Cannot assign a " + ClassName() + " to a " +
                      (Dest ? Dest->ClassName() : std::string("nil")));
}
