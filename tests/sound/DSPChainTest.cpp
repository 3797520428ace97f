// The component chain: links and their refusals, back links, format copies down the chain,
// buffer sizes at open, the push of buffers and the walks of the device components.
#include <gtest/gtest.h>
#include "MMDSPObj.h"
#include <cstring>
#include <memory>

namespace {

struct TMember : TMMDSPComponent {
  explicit TMember(TComponent* owner = nullptr) : TMMDSPComponent(owner) { Register(); }
  static void Register() {
    if (FindMMClass("TTestMember")) return;
    TMMClassInfo& c = RegisterMMClass<TMember>("TTestMember", "TMMDSPComponent");
    c.Props = {DSPLinkProp("Input"), DSPLinkProp("Output")};
  }
};

// A device with a log of the chain calls it gets.
struct TDevice : TMMCustomSoundComponent {
  explicit TDevice(std::string* log, const char* name) : TMMCustomSoundComponent(nullptr) {
    FLog = log;
    FName = name;
    if (!FindMMClass("TTestDevice")) {
      TMMClassInfo& c = RegisterMMClass<TDevice>("TTestDevice", "TMMCustomSoundComponent");
      c.Props = {DSPLinkProp("Input"), DSPLinkProp("Output")};
    }
  }
  void Opened() override {
    *FLog += FName + "+open ";
    TMMCustomSoundComponent::Opened();
  }
  void Closed() override {
    *FLog += FName + "+close ";
    TMMCustomSoundComponent::Closed();
  }
  std::string* FLog;
  std::string FName;
};

WAVEFORMATEX Pcm(int bits, int channels, int rate) {
  WAVEFORMATEX f{};
  BuildPcmFormat(f, bits, channels, rate);
  return f;
}

} // namespace

TEST(DSPChain, CyclesAndSelfLinksAreRefused) {
  TMember a, b, c;
  a.SetInput(&a);
  EXPECT_EQ(a.Input(), nullptr);
  b.SetInput(&a);
  c.SetInput(&b);
  a.SetInput(&c); // would close a ring
  EXPECT_EQ(a.Input(), nullptr);
  c.SetOutput(&a); // the same ring from the other side
  EXPECT_EQ(c.Output(), nullptr);
  EXPECT_EQ(a.Output(), &b);
  EXPECT_EQ(b.InputLinkName(), "Output");
  EXPECT_EQ(a.OutputLinkName(), "Input");
  // A component without published links cannot join.
  TMMDSPComponent plain(nullptr);
  c.SetOutput(&plain);
  EXPECT_EQ(c.Output(), nullptr);
}

TEST(DSPChain, RelinkingClearsTheFormerPartnersBackLink) {
  TMember a, b, c;
  a.SetInput(&c);
  b.SetInput(&c);
  EXPECT_EQ(a.Input(), nullptr);
  EXPECT_EQ(a.InputLinkName(), "");
  EXPECT_EQ(c.Output(), &b);
  EXPECT_EQ(b.Input(), &c);
  {
    TMember d;
    d.SetInput(&b);
    EXPECT_EQ(b.Output(), &d);
  } // freeing d unhooks b
  EXPECT_EQ(b.Output(), nullptr);
  EXPECT_EQ(b.OutputLinkName(), "");
}

TEST(DSPChain, FormatRunsDownAsOwnCopies) {
  TMember m[4];
  for (int i = 1; i < 4; ++i)
    m[i].SetInput(&m[i - 1]);
  WAVEFORMATEX f = Pcm(16, 2, 22050);
  m[0].SetPWaveFormat(&f);
  for (auto& x : m) {
    ASSERT_NE(x.PWaveFormat(), nullptr);
    EXPECT_NE(x.PWaveFormat(), &f);
    EXPECT_EQ(std::memcmp(x.PWaveFormat(), &f, 16), 0);
  }
  EXPECT_NE(m[1].PWaveFormat(), m[2].PWaveFormat());
  // Unlinking the tail member drops its format; a new link brings it again.
  m[3].SetInput(nullptr);
  EXPECT_EQ(m[3].PWaveFormat(), nullptr);
  m[2].SetOutput(&m[3]);
  ASSERT_NE(m[3].PWaveFormat(), nullptr);
  EXPECT_EQ(m[3].PWaveFormat()->nSamplesPerSec, 22050u);
}

TEST(DSPChain, RealBufferSizeAtOpen) {
  TMember m;
  WAVEFORMATEX f = Pcm(16, 2, 11025);
  m.SetPWaveFormat(&f);
  EXPECT_EQ(m.GetBufferSize(), 2048);
  m.SetBufferSize(2050);
  m.Opened();
  EXPECT_EQ(m.GetBufferSize(), 2048);
  m.Closed();
  m.SetBufferSize(2);
  m.Opened();
  EXPECT_EQ(m.RealBufferSize(), 4);
  m.Closed();
  f.nBlockAlign = 0; // no divide fault: the size is taken as it is
  m.SetPWaveFormat(&f);
  m.SetBufferSize(1000);
  m.Opened();
  EXPECT_EQ(m.GetBufferSize(), 1000);
}

TEST(DSPChain, PushStopsAtTheFirstClosedMember) {
  TMember a, b, c;
  b.SetInput(&a);
  c.SetInput(&b);
  std::string seen;
  a.OnBufferReady = [&](TObject*, WAVEHDR*) { seen += "a"; };
  b.OnBufferReady = [&](TObject*, WAVEHDR*) { seen += "b"; };
  c.OnBufferReady = [&](TObject*, WAVEHDR*) { seen += "c"; };
  b.Opened();
  TWaveBuffer h = AllocWaveBuffer(64);
  EXPECT_EQ(reinterpret_cast<char*>(h->lpData) - reinterpret_cast<char*>(h.get()), 56);
  a.BufferReady(h.get());
  EXPECT_EQ(seen, "ab");
  FreeWaveBuffer(h);
  EXPECT_EQ(h, nullptr);
}

TEST(DSPChain, DevicesDriveTheirStretch) {
  std::string log;
  TMember head, mid, tail;
  TDevice upper(&log, "U"), lower(&log, "L");
  upper.SetInput(&head);
  mid.SetInput(&upper);
  lower.SetInput(&mid);
  tail.SetInput(&lower);
  upper.SetBufferSize(1024);
  upper.Opened();
  EXPECT_FALSE(upper.HasSoundAbove());
  EXPECT_TRUE(head.IsOpen());
  EXPECT_TRUE(mid.IsOpen());
  EXPECT_TRUE(lower.IsOpen());
  EXPECT_TRUE(lower.HasSoundAbove());
  EXPECT_TRUE(tail.IsOpen()); // opened by the lower device's own walk
  EXPECT_EQ(mid.GetBufferSize(), 1024);
  upper.Started();
  EXPECT_TRUE(lower.IsStarted());
  EXPECT_TRUE(mid.IsStarted());
  log.clear();
  upper.Closed();
  EXPECT_EQ(log, "U+close L+close ");
  EXPECT_FALSE(lower.IsOpen());
  EXPECT_FALSE(tail.IsOpen());
  EXPECT_FALSE(head.IsOpen());
}

TEST(DSPChain, ListsFollowCreationAndDestruction) {
  int before = DSPComponentCount();
  {
    auto m = std::make_unique<TMember>();
    EXPECT_EQ(DSPComponentCount(), before + 1);
  }
  EXPECT_EQ(DSPComponentCount(), before);
}
