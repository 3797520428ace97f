// Components: objects with an owner that frees them, a name, and notice when another one is freed.
#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// Root of every class-library object that may be passed as an event's Sender.
class TObject {
public:
  virtual ~TObject() = default;
  // The C++ class name of the object, "TMasterFrm" for a TMasterFrm.
  std::string ClassName() const;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// An object whose state can be copied from another of a kind it knows. Assign asks the source's
// AssignTo next; when neither knows the other, EConvertError names both classes.
class TPersistent : public TObject {
public:
  virtual void Assign(TPersistent* Source);

protected:
  virtual void AssignTo(TPersistent* Dest);
};

// A small set of enumeration values, as a bit mask.
template <class E> class TSet {
public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> values) {
    for (E v : values)
      FBits |= Bit(v);
  }
  constexpr bool Contains(E v) const { return (FBits & Bit(v)) != 0; }
  constexpr TSet& Include(E v) {
    FBits |= Bit(v);
    return *this;
  }
  constexpr TSet& Exclude(E v) {
    FBits &= ~Bit(v);
    return *this;
  }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr uint32_t Bits() const { return FBits; }
  constexpr bool operator==(const TSet&) const = default;
  constexpr TSet operator+(TSet o) const { return FromBits(FBits | o.FBits); }
  constexpr TSet operator-(TSet o) const { return FromBits(FBits & ~o.FBits); }
  static constexpr TSet FromBits(uint32_t bits) {
    TSet s;
    s.FBits = bits;
    return s;
  }

private:
  static constexpr uint32_t Bit(E v) { return 1u << static_cast<unsigned>(v); }
  uint32_t FBits = 0;
};

enum TOperation { opInsert, opRemove };
// csReading: properties are being read from a stream (setters leave out their side effects).
enum TComponentStateFlag { csLoading, csDestroying, csDesigning, csReading };
using TComponentState = TSet<TComponentStateFlag>;

// A component is freed by its owner; references to other components are cleared through
// Notification when those are freed (after FreeNotification registered the interest).
class TComponent : public TPersistent {
public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& value) { FName = value; }
  int Tag() const { return FTag; }
  void SetTag(int value) { FTag = value; }
  TComponentState ComponentState() const { return FComponentState; }

  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const { return FComponents.at(index); }
  TComponent* FindComponent(const std::string& name) const;
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  void DestroyComponents();

  // Asks for Notification(other, opRemove) when other is freed (and tells other the same of us).
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

  // Forms built in code call BeginLoading, set their properties, then EndLoading, which runs
  // Loaded on the component and every component it owns.
  void BeginLoading();
  void EndLoading();
  // Marks the component and those it owns as reading properties (no Loaded at the end).
  void BeginReading();
  void EndReading();

protected:
  virtual void Notification(TComponent* component, TOperation operation);
  virtual void Loaded();
  void Destroying() { FComponentState.Include(csDestroying); }

private:
  TComponent* FOwner = nullptr;
  std::string FName;
  int FTag = 0;
  TComponentState FComponentState;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
};

// Deletes the object and clears the pointer.
template <class T> void FreeAndNil(T*& p) {
  T* q = p;
  p = nullptr;
  delete q;
}
