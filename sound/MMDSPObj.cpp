// The chain of sound components.
#include "MMDSPObj.h"
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

std::vector<TMMDSPComponent*>& DSPMembers() {
  static std::vector<TMMDSPComponent*> list;
  return list;
}

// Worker threads add and remove themselves from their own threads, so the list has a lock.
struct TThreadList {
  TCriticalSection Lock;
  std::vector<TMMDSPThread*> Items;
};
TThreadList& Threads() {
  static TThreadList list;
  return list;
}

bool IsSound(TMMDSPComponent* c) {
  return dynamic_cast<TMMCustomSoundComponent*>(c) != nullptr;
}

} // namespace

TWaveBuffer AllocWaveBuffer(int size) {
  auto h = GlobalAllocHeld<WAVEHDR>(MMWaveHdrSize + (size > 0 ? size : 0));
  h->lpData = reinterpret_cast<LPSTR>(h.get()) + MMWaveHdrSize;
  h->dwBufferLength = size > 0 ? size : 0;
  return h;
}

void FreeWaveBuffer(TWaveBuffer& buffer) {
  buffer.reset();
}

TMMPropInfo DSPLinkProp(const std::string& name) {
  TMMPropInfo p;
  p.Name = name;
  p.Kind = TMMPropKind::pkObject;
  p.TypeName = "TMMDSPComponent";
  const bool input = name == "Input";
  p.GetOrd = [input](TObject* o) {
    auto* c = static_cast<TMMDSPComponent*>(o);
    return static_cast<int64_t>(reinterpret_cast<intptr_t>(input ? c->Input() : c->Output()));
  };
  p.SetOrd = [input](TObject* o, int64_t v) {
    auto* c = static_cast<TMMDSPComponent*>(o);
    auto* partner = reinterpret_cast<TMMDSPComponent*>(static_cast<intptr_t>(v));
    input ? c->SetInput(partner) : c->SetOutput(partner);
  };
  p.HasDefault = true;
  return p;
}

void RegisterMMDSPClasses() {
  if (FindMMClass("TMMDSPComponent")) return;
  RegisterMMClass<TMMDSPComponent>("TMMDSPComponent", "");
  TMMClassInfo& s =
      RegisterMMClass<TMMCustomSoundComponent>("TMMCustomSoundComponent", "TMMDSPComponent");
  s.Events = {"OnBufferReady"};
}

int DSPComponentCount() {
  return static_cast<int>(DSPMembers().size());
}

int DSPThreadCount() {
  TLockGuard lock(Threads().Lock);
  return static_cast<int>(Threads().Items.size());
}

// --- TMMDSPComponent ----------------------------------------------------------------------------

TMMDSPComponent::TMMDSPComponent(TComponent* AOwner) : TMMNonVisualComponent(AOwner) {
  RegisterMMDSPClasses();
  DSPMembers().push_back(this);
}

TMMDSPComponent::~TMMDSPComponent() {
  Destroying();
  SetInput(nullptr);
  SetOutput(nullptr);
  // The derived class is gone, so the registry no longer sees its links: clear the partners'
  // back links directly.
  if (FInput && FInput->FOutput == this) FInput->StoreOutputLink(nullptr, "");
  if (FOutput && FOutput->FInput == this) FOutput->StoreInputLink(nullptr, "");
  for (TMMDSPComponent* c : DSPMembers()) {
    if (c->FInput == this) c->FInput = nullptr, c->FInputLinkName.clear();
    if (c->FOutput == this) c->FOutput = nullptr, c->FOutputLinkName.clear();
  }
  FPWaveFormat.reset();
  auto& list = DSPMembers();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

bool TMMDSPComponent::Settling() const {
  return LoadingOrReading(this) || ComponentState().Contains(csDestroying);
}

void TMMDSPComponent::Loaded() {
  TMMNonVisualComponent::Loaded();
  // Passes the member's format down now that loading is over.
  TGlobalMem<WAVEFORMATEX> own = std::move(FPWaveFormat);
  StoreWaveFormat(own.get());
}

bool TMMDSPComponent::CanConnectInput(TMMDSPComponent* c) {
  if (!c || c == this || !IsPublishedProp(c, "Output")) return false;
  if (!FOutput) return true;
  return FOutput->CanConnectInput(c);
}

bool TMMDSPComponent::CanConnectOutput(TMMDSPComponent* c) {
  if (!c || c == this || !IsPublishedProp(c, "Input")) return false;
  if (!FInput) return true;
  return FInput->CanConnectOutput(c);
}

void TMMDSPComponent::SetInput(TMMDSPComponent* c) {
  if (c == FInput) return;
  if (c && !CanConnectInput(c)) return;
  Stopped();
  if (FInput) {
    BroadcastLinkChange(this, false, "Input");
    StoreInputLink(nullptr, "");
    SetPWaveFormat(nullptr);
  }
  if (c) {
    BroadcastLinkChange(c, true, "Output");
    StoreInputLink(c, "Output");
    c->StoreOutputLink(this, "Input");
    UpdateFormat();
  }
}

void TMMDSPComponent::SetOutput(TMMDSPComponent* c) {
  if (c == FOutput) return;
  if (c && !CanConnectOutput(c)) return;
  Stopped();
  if (FOutput) {
    BroadcastLinkChange(this, true, "Output");
    FOutput->SetPWaveFormat(nullptr);
    StoreOutputLink(nullptr, "");
  }
  if (c) {
    BroadcastLinkChange(c, false, "Input");
    StoreOutputLink(c, "Input");
    c->StoreInputLink(this, "Output");
    UpdateFormat();
  }
}

void TMMDSPComponent::LinkChanged(TMMDSPComponent* c, bool isInputSide, const std::string& name) {
  TMMDSPComponent* partner = isInputSide ? FInput : FOutput;
  const std::string& linkName = isInputSide ? FInputLinkName : FOutputLinkName;
  if (!c || c != partner || linkName != name || !IsPublishedProp(c, name)) return;
  if (GetOrdProp(c, name) != static_cast<int64_t>(reinterpret_cast<intptr_t>(this))) return;
  if (isInputSide)
    StoreInputLink(nullptr, "");
  else
    StoreOutputLink(nullptr, "");
}

void TMMDSPComponent::BroadcastLinkChange(TMMDSPComponent* c, bool isInputSide,
                                          const std::string& name) {
  // A copy: a handler may free or add members.
  std::vector<TMMDSPComponent*> list = DSPMembers();
  for (TMMDSPComponent* m : list)
    if (std::find(DSPMembers().begin(), DSPMembers().end(), m) != DSPMembers().end())
      m->LinkChanged(c, isInputSide, name);
}

void TMMDSPComponent::StoreInputLink(TMMDSPComponent* c, const std::string& name) {
  FInput = c;
  FInputLinkName = name.substr(0, 20);
}

void TMMDSPComponent::StoreOutputLink(TMMDSPComponent* c, const std::string& name) {
  FOutput = c;
  FOutputLinkName = name.substr(0, 20);
}

void TMMDSPComponent::UpdateFormat() {
  if (Settling()) return;
  if (FInput)
    SetPWaveFormat(FInput->GetPWaveFormat());
  else if (FOutput)
    FOutput->SetPWaveFormat(GetPWaveFormat());
}

void TMMDSPComponent::StoreWaveFormat(WAVEFORMATEX* value) {
  if (value != FPWaveFormat.get()) {
    if (FIsStarted) Stopped();
    FPWaveFormat = DuplicateWaveFormat(value);
  }
  if (!Settling() && FOutput) FOutput->SetPWaveFormat(GetPWaveFormat());
}

int TMMDSPComponent::GetBufferSize() {
  return FIsOpen ? FRealBufferSize : FBufferSize;
}

void TMMDSPComponent::SetBufferSize(int value) {
  if (value == FBufferSize) return;
  if (FIsStarted) Stopped();
  FBufferSize = value;
}

void TMMDSPComponent::Opened() {
  if (!FIsOpen) {
    WAVEFORMATEX* f = GetPWaveFormat();
    // A block align of 0 would divide by zero; such a format takes the size as it is.
    if (f && f->nBlockAlign > 0) {
      int align = f->nBlockAlign;
      FRealBufferSize = std::max(FBufferSize / align * align, align);
    } else {
      FRealBufferSize = FBufferSize;
    }
  }
  FIsOpen = true;
}

void TMMDSPComponent::Closed() {
  FIsOpen = false;
}

void TMMDSPComponent::Started() {
  if (FIsOpen && !FIsStarted) FIsStarted = true;
}

void TMMDSPComponent::Paused() {}

void TMMDSPComponent::Restarted() {}

void TMMDSPComponent::Stopped() {
  FIsStarted = false;
}

void TMMDSPComponent::BufferReady(WAVEHDR* h) {
  if (OnBufferReady) OnBufferReady(this, h);
  if (FOutput && FOutput->IsOpen()) FOutput->BufferReady(h);
}

void TMMDSPComponent::BufferLoad(WAVEHDR* h, bool& More) {
  if (OnBufferLoad) OnBufferLoad(this, h, More);
  if (FInput && FInput->IsOpen()) FInput->BufferLoad(h, More);
}

// --- TMMCustomSoundComponent --------------------------------------------------------------------

TMMDSPComponent* TMMCustomSoundComponent::WalkStart() {
  FHasSoundAbove = false;
  TMMDSPComponent* head = this;
  for (TMMDSPComponent* m = Input(); m; m = m->Input()) {
    if (IsSound(m)) {
      FHasSoundAbove = true;
      return this;
    }
    head = m;
  }
  return head;
}

TMMCustomSoundComponent* TMMCustomSoundComponent::SoundBelow() {
  for (TMMDSPComponent* m = Output(); m; m = m->Output())
    if (IsSound(m)) return static_cast<TMMCustomSoundComponent*>(m);
  return nullptr;
}

void TMMCustomSoundComponent::WalkDown(const std::function<void(TMMDSPComponent*)>& step,
                                       bool includeSoundBelow) {
  for (TMMDSPComponent* m = WalkStart(); m; m = m->Output()) {
    if (m == this) continue;
    if (IsSound(m)) {
      if (includeSoundBelow) step(m);
      break;
    }
    step(m);
  }
}

void TMMCustomSoundComponent::Opened() {
  const int size = GetBufferSize();
  WalkDown(
      [size](TMMDSPComponent* m) {
        m->SetBufferSize(size);
        m->Opened();
      },
      true);
  TMMDSPComponent::Opened();
}

void TMMCustomSoundComponent::Started() {
  WalkDown([](TMMDSPComponent* m) { m->Started(); }, true);
  TMMDSPComponent::Started();
}

void TMMCustomSoundComponent::Paused() {
  WalkDown([](TMMDSPComponent* m) { m->Paused(); }, true);
  TMMDSPComponent::Paused();
}

void TMMCustomSoundComponent::Restarted() {
  WalkDown([](TMMDSPComponent* m) { m->Restarted(); }, true);
  TMMDSPComponent::Restarted();
}

void TMMCustomSoundComponent::Closed() {
  if (TMMCustomSoundComponent* below = SoundBelow()) below->Closed();
  WalkDown([](TMMDSPComponent* m) { m->Closed(); }, false);
  TMMDSPComponent::Closed();
}

void TMMCustomSoundComponent::Stopped() {
  if (TMMCustomSoundComponent* below = SoundBelow()) below->Stopped();
  WalkDown([](TMMDSPComponent* m) { m->Stopped(); }, false);
  TMMDSPComponent::Stopped();
}

// --- TMMDSPThread -------------------------------------------------------------------------------

TMMDSPThread::TMMDSPThread() {
  TLockGuard lock(Threads().Lock);
  Threads().Items.push_back(this);
}

TMMDSPThread::~TMMDSPThread() {
  TLockGuard lock(Threads().Lock);
  auto& items = Threads().Items;
  items.erase(std::remove(items.begin(), items.end(), this), items.end());
}
