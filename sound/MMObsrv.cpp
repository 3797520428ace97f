// The subject-observer pair.
#include "MMObsrv.h"
#include <algorithm>

TMMObserver::~TMMObserver() {
  if (FSubject) FSubject->RemoveObserver(this);
}

void TMMObserver::Update(TObject* data) {
  if (FLockCount == 0 && OnUpdate) OnUpdate(this, data);
}

TMMObservable::~TMMObservable() {
  while (!FObservers.empty()) {
    FObservers.back()->FSubject = nullptr;
    FObservers.pop_back();
  }
}

void TMMObservable::AddObserver(TMMObserver* observer) {
  if (!observer) return;
  if (observer->FSubject) observer->FSubject->RemoveObserver(observer);
  FObservers.push_back(observer);
  observer->FSubject = this;
}

void TMMObservable::RemoveObserver(TMMObserver* observer) {
  if (!observer || observer->FSubject != this) return;
  FObservers.erase(std::remove(FObservers.begin(), FObservers.end(), observer), FObservers.end());
  observer->FSubject = nullptr;
}

void TMMObservable::NotifyObservers(TObject* data) {
  if (Locked()) return;
  // An observer may detach itself or others while it is told: walk a copy, skipping the gone.
  std::vector<TMMObserver*> list = FObservers;
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (std::find(FObservers.begin(), FObservers.end(), *it) != FObservers.end())
      (*it)->Update(data);
}

void AddObserver(TMMObservable* observable, TMMObserver* observer) {
  if (observable && observer) observable->AddObserver(observer);
}

void RemoveObserver(TMMObservable* observable, TMMObserver* observer) {
  if (observable && observer) observable->RemoveObserver(observer);
}
