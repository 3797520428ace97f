// The mixer window on Wine's mixer (pages per device, the device box through real combo
// messages), on the stand-in card (nothing written at build, width, the cloned thumb's pixels),
// and with no mixer at all; a screenshot for the record.
#include <gtest/gtest.h>
#include "Messages.h"
#include "StandInMixer.h"
#include "TestCapture.h"
#include "TestUtil.h"
#include "finalMain.h"

namespace {

bool NoMixerRun() {
  return !EnvVar("TB_NO_MIXER").empty();
}

std::unique_ptr<TMixerFrmF> MakeWindow() {
  auto form = std::make_unique<TMixerFrmF>(nullptr);
  form->AfterConstruction();
  form->Show();
  ProcessMessages();
  return form;
}

// The source blocks a page shows: the panels beside the template and the tone panel.
std::vector<TMMMixerBlock*> SourceBlocks(TMixerFrmF& f, TTabSheet* page) {
  std::vector<TMMMixerBlock*> blocks;
  for (int i = 0; i < page->ControlCount(); ++i) {
    auto* panel = dynamic_cast<TPanel*>(page->Controls(i));
    if (!panel || panel == f.Panel2 || panel == f.Panel3) continue;
    for (int j = 0; j < panel->ControlCount(); ++j)
      if (auto* b = dynamic_cast<TMMMixerBlock*>(panel->Controls(j))) blocks.push_back(b);
  }
  return blocks;
}

void Choose(TComboBox& box, int index) {
  SendMessageA(box.Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(GetParent(box.Handle()), WM_COMMAND,
               MAKEWPARAM(GetDlgCtrlID(box.Handle()), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(box.Handle()));
  ProcessMessages();
}

bool HasColour(TBitmap& bitmap, const RECT& r, COLORREF colour) {
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if ((GetPixel(bitmap.Canvas().Handle(), x, y) & 0xFFFFFF) == colour) return true;
  return false;
}

bool Dark(TBitmap& bitmap, int x, int y, int below) {
  const COLORREF c = GetPixel(bitmap.Canvas().Handle(), x, y);
  return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * below;
}

// Pixels dark enough to be text or an arrow (the frames' darkest grey is lighter).
int Ink(TBitmap& bitmap, const RECT& r) {
  int n = 0;
  for (int y = std::max<int>(r.top, 0); y < std::min<int>(r.bottom, bitmap.Height()); ++y)
    for (int x = std::max<int>(r.left, 0); x < std::min<int>(r.right, bitmap.Width()); ++x)
      n += Dark(bitmap, x, y, 40);
  return n;
}

// How wide a tab's caption is drawn: from its first to its last column with dark pixels.
int CaptionWidth(TExtPageControl& tabs, int index) {
  TBitmap shot;
  CaptureControl(tabs, shot);
  RECT r = tabs.TabRect(index);
  InflateRect(&r, -3, -3);
  int first = r.right, last = r.left - 1;
  for (int x = r.left; x < r.right; ++x)
    for (int y = r.top; y < r.bottom; ++y)
      if (Dark(shot, x, y, 100)) {
        first = std::min(first, x);
        last = x;
        break;
      }
  return last - first + 1;
}

} // namespace

TEST(Window, PagesFollowTheDeviceBox) {
  if (NoMixerRun()) GTEST_SKIP();
  auto f = MakeWindow();
  ASSERT_FALSE(f->NoMixer());
  EXPECT_EQ(f->MMMixerDevice1->DeviceId(), 0);
  std::vector<TMMMixerBlock*> play = SourceBlocks(*f, f->TabSheet1);
  ASSERT_EQ(play.size(), 1u) << "the template plus one clone";
  EXPECT_EQ(play[0]->Name(), "MMMixerBlock1");
  EXPECT_TRUE(play[0]->Line()->Valid());
  EXPECT_EQ(play[0]->LineTitle()->Caption(), play[0]->Line()->LineInfo()->Name());
  EXPECT_TRUE(SourceBlocks(*f, f->TabSheet2).empty());
  // The box lists the mixers by name; the sine source is a capture mixer of its own.
  int sine = f->MMDCB1->Items().IndexOf("Sine source at 1000 Hz");
  ASSERT_GE(sine, 0);
  Choose(*f->MMDCB1, sine);
  EXPECT_EQ(f->MMMixerDevice1->DeviceId(), sine);
  EXPECT_TRUE(f->MMMixerDevice1->Active()) << "reopened";
  EXPECT_TRUE(f->MMMixerDevice1->Handle());
  EXPECT_TRUE(SourceBlocks(*f, f->TabSheet1).empty());
  EXPECT_FALSE(f->MasterLine->Valid());
  std::vector<TMMMixerBlock*> rec = SourceBlocks(*f, f->TabSheet2);
  ASSERT_EQ(rec.size(), 1u);
  EXPECT_TRUE(f->WaveInLine->Valid());
  MIXERLINEA raw{};
  raw.cbStruct = sizeof raw;
  ASSERT_EQ(mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(sine)), &raw,
                              MIXER_GETLINEINFOF_SOURCE | MIXER_OBJECTF_MIXER),
            MMSYSERR_NOERROR);
  EXPECT_EQ(rec[0]->Line()->LineId(), static_cast<TMMLineId>(raw.dwLineID));
  EXPECT_EQ(rec[0]->LineTitle()->Caption(), raw.szName);
  f->EP1->SetActivePage(f->TabSheet2);
  ProcessMessages();
  TBitmap recording;
  CaptureWindow(f->Handle(), recording);
  if (!EnvVar("TB_BUILD_DIR").empty())
    recording.SaveToFile(WinPath(EnvVar("TB_BUILD_DIR")) + "\\mixer-recording.bmp");
  f->EP1->SetActivePage(f->TabSheet1);
  Choose(*f->MMDCB1, 0);
  EXPECT_EQ(f->MMMixerDevice1->DeviceId(), 0);
  EXPECT_TRUE(f->MMMixerDevice1->Active());
  EXPECT_EQ(SourceBlocks(*f, f->TabSheet1).size(), 1u);
  EXPECT_TRUE(SourceBlocks(*f, f->TabSheet2).empty());
  // As the user sees it: each caption is drawn wider (bold) on its active tab than on the same tab
  // inactive, the strips are named, and the device box stands whole, its arrow inside the window.
  const int playActive = CaptionWidth(*f->EP1, 0), recordInactive = CaptionWidth(*f->EP1, 1);
  f->EP1->SetActivePage(f->TabSheet2);
  const int playInactive = CaptionWidth(*f->EP1, 0), recordActive = CaptionWidth(*f->EP1, 1);
  f->EP1->SetActivePage(f->TabSheet1);
  EXPECT_GT(playInactive, 20) << "the inactive caption is drawn";
  EXPECT_GE(playActive, playInactive + 3);
  EXPECT_GE(recordActive, recordInactive + 3);
  EXPECT_FALSE(SourceBlocks(*f, f->TabSheet1)[0]->LineTitle()->Caption().empty());
  TBitmap client;
  CaptureWindow(f->Handle(), client);
  RECT box = f->MMDCB1->BoundsRect();
  OffsetRect(&box, f->Panel1->Left(), f->Panel1->Top());
  EXPECT_LE(box.right, client.Width());
  EXPECT_GT(Ink(client, {box.right - 18, box.top + 3, box.right - 2, box.bottom - 3}), 3)
      << "the drop-down arrow";
  TBitmap shot;
  CaptureWindow(f->Handle(), shot);
  if (!EnvVar("TB_BUILD_DIR").empty())
    shot.SaveToFile(WinPath(EnvVar("TB_BUILD_DIR")) + "\\mixer-window.bmp");
}

// The longest run of dark pixels along one row of r: an underline is one, letters are not.
int LongestDarkRun(TBitmap& bitmap, const RECT& r) {
  int longest = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left, run = 0; x < r.right; ++x) {
      run = Dark(bitmap, x, y, 60) ? run + 1 : 0;
      longest = std::max(longest, run);
    }
  return longest;
}

TEST(Window, EverySliderIsNamedAndEveryMuteBoxReadsAlike) {
  if (NoMixerRun()) GTEST_SKIP();
  auto f = MakeWindow();
  ASSERT_FALSE(f->NoMixer());
  TBitmap shot;
  CaptureWindow(f->Handle(), shot);
  POINT origin = f->ClientToScreen({0, 0});
  auto onShot = [&](TControl& c) {
    POINT p = c.ClientToScreen({0, 0});
    return RECT{p.x - origin.x, p.y - origin.y, p.x - origin.x + c.Width(),
                p.y - origin.y + c.Height()};
  };
  // Wine's speakers have no bass or treble: the sliders still carry their names, drawn left of
  // them.
  for (TLabel* label : {f->Label2, f->Label3}) {
    EXPECT_NE(label->Caption(), "") << label->Name();
    EXPECT_GT(Ink(shot, onShot(*label)), 20) << label->Name();
    EXPECT_LE(label->Left() + label->Width(), f->BassSlider->Left()) << label->Name();
  }
  EXPECT_EQ(f->Label2->Caption(), "Master Bass Level");
  EXPECT_EQ(f->Label3->Caption(), "Master Treble Level");
  // The master block and the source block show one caption, its letter underlined in both.
  std::vector<TMMMixerBlock*> blocks = SourceBlocks(*f, f->TabSheet1);
  blocks.insert(blocks.begin(), f->MasterBlock);
  ASSERT_EQ(blocks.size(), 2u);
  for (TMMMixerBlock* b : blocks) {
    SCOPED_TRACE(b->Name());
    ASSERT_TRUE(b->CheckBox());
    EXPECT_EQ(b->CheckBox()->Caption(), "&Mute");
    RECT box = onShot(*b->CheckBox());
    box.left += 16; // right of the square
    EXPECT_GE(LongestDarkRun(shot, box), 5) << "the M underlined";
  }
}

TEST(WindowStandIn, BuildWritesNothingAndClonesKeepTheirEvents) {
  // Muted sources on a card without a playback list: mute boxes that show the state as it is.
  {
    TStandInMixer card(4, 1, false);
    for (DWORD j = 0; j < 4; ++j)
      card.Control(j, MIXERCONTROL_CONTROLTYPE_MUTE).Values = {1};
    auto f = MakeWindow();
    EXPECT_EQ(card.Sets, 0) << "building shows the state and writes nothing";
    std::vector<TMMMixerBlock*> play = SourceBlocks(*f, f->TabSheet1);
    ASSERT_EQ(play.size(), 4u);
    EXPECT_EQ(f->ClientWidth(), 455);
    for (TMMMixerBlock* b : play) {
      EXPECT_EQ(b->MuteKind(), mkMute);
      EXPECT_TRUE(b->CheckBox()->Checked()) << b->Name();
      EXPECT_EQ(b->CheckBox()->Caption(), "&Mute");
    }
    for (DWORD j = 0; j < 4; ++j)
      EXPECT_EQ(card.Control(j, MIXERCONTROL_CONTROLTYPE_MUTE).Values[0], 1);
  }
  // With the list, unselected sources stay unselected.
  TStandInMixer card;
  card.Sets = 0;
  auto f = MakeWindow();
  EXPECT_EQ(card.Sets, 0);
  std::vector<TMMMixerBlock*> play = SourceBlocks(*f, f->TabSheet1);
  ASSERT_EQ(play.size(), 4u);
  for (TMMMixerBlock* b : play) {
    EXPECT_EQ(b->MuteKind(), mkSelect) << "the speakers' mixer lists every source";
    EXPECT_FALSE(b->CheckBox()->Checked());
    EXPECT_EQ(b->CheckBox()->Caption(), "&Select");
  }
  // Names: the block and its parts take the next free numbers of their classes.
  EXPECT_EQ(play[0]->Name(), "MMMixerBlock1");
  EXPECT_EQ(play[1]->Name(), "MMMixerBlock2");
  EXPECT_EQ(play[0]->CheckBox()->Name(), "MMMixerBlockCheck2");
  EXPECT_EQ(play[0]->PanSlider()->Name(), "MMMixerBlockSlider3");
  EXPECT_EQ(play[0]->LeftSlider()->Name(), "MMMixerBlockSlider4");
  EXPECT_EQ(play[3]->LineTitle()->Caption(), "Line in");
  // The recording page: its sources and the multiplexer's select boxes.
  std::vector<TMMMixerBlock*> rec = SourceBlocks(*f, f->TabSheet2);
  ASSERT_EQ(rec.size(), 3u);
  EXPECT_EQ(f->ClientWidth(), 455) << "fewer recording sources keep the playback width";
  // Dragging a clone's thumb shows the handler's lime square: the event came along.
  TMMCustomBlockSlider* slider = play[1]->LeftSlider();
  ASSERT_TRUE(slider->OnDrawThumb);
  RECT t = slider->ThumbRect();
  const int cx = (t.left + t.right) / 2, cy = (t.top + t.bottom) / 2;
  SendMessageA(slider->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cx, cy));
  SendMessageA(slider->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(cx, cy + 3));
  ProcessMessages();
  TBitmap dragged;
  CaptureControl(*slider, dragged);
  EXPECT_TRUE(HasColour(dragged, slider->ThumbRect(), RGB(0, 255, 0)));
  SendMessageA(slider->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(cx, cy + 3));
  ProcessMessages();
  TBitmap released;
  CaptureControl(*slider, released);
  EXPECT_FALSE(HasColour(released, slider->ThumbRect(), RGB(0, 255, 0)));
  EXPECT_TRUE(HasColour(released, slider->ThumbRect(), RGB(0, 128, 0)));
}

TEST(WindowStandIn, OneSourceKeepsTheDeviceRowWhole) {
  TStandInMixer card(1);
  auto f = MakeWindow();
  ASSERT_EQ(SourceBlocks(*f, f->TabSheet1).size(), 1u);
  EXPECT_GE(f->ClientWidth(), f->MMDCB1->Left() + f->MMDCB1->Width());
  // The window's icon is the speaker: its green sound waves show when it is drawn.
  auto icon = reinterpret_cast<HICON>(SendMessageA(f->Handle(), WM_GETICON, ICON_BIG, 0));
  ASSERT_TRUE(icon);
  TBitmap drawn(32, 32);
  drawn.Canvas().Brush().SetColor(clWhite);
  drawn.Canvas().FillRect({0, 0, 32, 32});
  DrawIconEx(drawn.Canvas().Handle(), 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
  EXPECT_TRUE(HasColour(drawn, {0, 0, 32, 32}, RGB(0x00, 0xA0, 0x30)));
}

TEST(NoMixer, WindowBuildsEmptyAndSaysSo) {
  if (!NoMixerRun()) GTEST_SKIP();
  ASSERT_EQ(mixerGetNumDevs(), 0u);
  auto f = MakeWindow();
  EXPECT_TRUE(f->NoMixer());
  EXPECT_TRUE(SourceBlocks(*f, f->TabSheet1).empty());
  EXPECT_TRUE(SourceBlocks(*f, f->TabSheet2).empty());
  EXPECT_FALSE(f->MMDCB1->Enabled());
  EXPECT_FALSE(f->MMMixerBlockSlider2->Enabled());
}
