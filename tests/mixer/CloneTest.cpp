// Cloning through the component stream: names, references by name, bound events, and a class
// the stream cannot make.
#include <gtest/gtest.h>
#include "MMCompMgr.h"
#include "MMMixBlk.h"
#include "StandInMixer.h"
#include "StdCtrls.h"

TEST(Clone, NamesReferencesEventsAndUnknownClasses) {
  TStandInMixer card;
  TForm form(nullptr);
  auto* table = new TMMHandlerTable(&form);
  int clicks = 0;
  table->AddHandler("BoxClick", [&](TComponent* t, const std::string& event) {
    ASSERT_EQ(event, "OnClick");
    static_cast<TControl*>(t)->OnClick = [&](TObject*) { ++clicks; };
  });
  auto* mixer = new TMMMixerDevice(&form);
  mixer->SetName("Mixer");
  auto* line = new TMMAudioLine(&form);
  line->SetName("SourceLine");
  line->SetMixer(mixer);
  line->SetLineId(2);
  auto* block = new TMMMixerBlock(&form);
  block->SetName("MasterBlock");
  block->SetParent(&form);
  block->SetAutoArrange(false);
  auto* box = new TMMMixerBlockCheck(&form);
  box->SetName("MMMixerBlockCheck1");
  box->SetParent(block);
  box->SetBounds(7, 150, 60, 17);
  table->Bind(box, "OnClick", "BoxClick");
  auto* slider = new TMMMixerBlockSlider(&form);
  slider->SetName("MMMixerBlockSlider1");
  slider->SetParent(block);
  slider->SetRole(srLeftVolume);
  block->SetLine(line);
  TMMCompManager manager(&form);
  auto* copy = dynamic_cast<TMMMixerBlock*>(manager.CloneComponent(block));
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->Name(), "MMMixerBlock1");
  EXPECT_EQ(copy->Parent(), &form);
  EXPECT_EQ(copy->Line(), line) << "a reference outside the copy is the owner's component";
  ASSERT_TRUE(copy->CheckBox());
  EXPECT_EQ(copy->CheckBox()->Name(), "MMMixerBlockCheck2");
  EXPECT_EQ(copy->CheckBox()->Left(), 7);
  EXPECT_EQ(copy->LeftSlider()->Name(), "MMMixerBlockSlider2");
  EXPECT_EQ(copy->LeftSlider()->Role(), srLeftVolume);
  EXPECT_EQ(copy->LeftSlider()->Control(), copy->VolumeControl()) << "wired after loading";
  copy->CheckBox()->Click();
  EXPECT_EQ(clicks, 1) << "the handler is bound to the copy by name";
  EXPECT_EQ(manager.MakeUniqueName(copy), "MMMixerBlock2");
  // A child the stream cannot make: a clear error, and the owner keeps what it had.
  auto* edit = new TEdit(&form);
  edit->SetParent(block);
  const int count = form.ComponentCount();
  try {
    manager.CloneComponent(block);
    ADD_FAILURE() << "no error";
  } catch (const EClassNotFound& e) {
    EXPECT_STREQ(e.what(), "Class TEdit not found");
  }
  EXPECT_EQ(form.ComponentCount(), count);
}
