// The subject-observer pair through which sound components tell each other of changes without
// knowing each other's types.
#pragma once
#include "Components.h"
#include <functional>
#include <vector>

class TMMObservable;

using TMMObserverUpdateEvent = std::function<void(TObject* Sender, TObject* Data)>;

class TMMObserver : public TObject {
public:
  TMMObserver() = default;
  ~TMMObserver() override;
  TMMObserver(const TMMObserver&) = delete;
  TMMObserver& operator=(const TMMObserver&) = delete;

  virtual void Update(TObject* data);
  TMMObservable* Subject() const { return FSubject; }
  void Lock() { ++FLockCount; }
  void Unlock() { --FLockCount; }
  bool Locked() const { return FLockCount != 0; }
  TMMObserverUpdateEvent OnUpdate;

private:
  friend class TMMObservable;
  TMMObservable* FSubject = nullptr;
  int FLockCount = 0;
};

class TMMObservable : public TObject {
public:
  TMMObservable() = default;
  ~TMMObservable() override;
  TMMObservable(const TMMObservable&) = delete;
  TMMObservable& operator=(const TMMObservable&) = delete;

  void AddObserver(TMMObserver* observer);
  void RemoveObserver(TMMObserver* observer);
  // Tells every observer, the last added first; nothing while locked.
  void NotifyObservers(TObject* data);
  int ObserverCount() const { return static_cast<int>(FObservers.size()); }
  void Lock() { ++FLockCount; }
  void Unlock() { --FLockCount; }
  bool Locked() const { return FLockCount != 0; }

private:
  std::vector<TMMObserver*> FObservers;
  int FLockCount = 0;
};

// Nothing when either side is missing.
void AddObserver(TMMObservable* observable, TMMObserver* observer);
void RemoveObserver(TMMObservable* observable, TMMObserver* observer);

// The notice a device sends when its identifier or capabilities change.
class TMMDeviceChange : public TObject {};
