// The main window's visual effects: the sound input through the connector to the level bars and
// the displays of the music panel, switched from the View menu, its pop-ups and the player.
#include <windows.h>
#include "VisualEffects.h"
#include "MainServices.h"
#include "ViewProgCode.h"
#include "finalMain.h"
#include "CDPanel.h"
#include "MMSpGram.h"
#include "Menus.h"

namespace {

constexpr const char* DisableQuestion = "Are you sure you want to disable Visual Effects?";

} // namespace

void TVisualEffects::BuildVisualEffects(const TVisualEffectsParts& parts) {
  FParts = parts;
  // cppcheck-suppress publicAllocationError ; built once with the window, which owns the recorder
  FMMWaveIn1 = new TMMWaveIn(&FContext.Form);
  FMMWaveIn1->SetName("MMWaveIn1");
  FMMWaveIn1->SetMode(mStereo);
  FMMConnector2 = new TMMConnector(&FContext.Form);
  FMMConnector2->SetName("MMConnector2");
  FMMWaveIn1->SetOutput(FMMConnector2);

  auto level = [this](const char* name, TMMChannel channel, int top) {
    auto* l = new TMMLevel(&FContext.Form);
    l->SetName(name);
    l->SetBounds(4, top, 392, 12);
    l->SetChannel(channel);
    l->SetParent(FParts.Panel11);
    return l;
  };
  FMMLevel1 = level("MMLevel1", chLeft, 61);
  FMMLevel2 = level("MMLevel2", chRight, 74);

  FMMSpectrum1 = new TMMSpectrum(&FContext.Form);
  FMMSpectrum1->SetName("MMSpectrum1");
  FMMSpectrum1->SetFFTLength(128);
  FMMSpectrum1->SetBounds(2, 2, 100, 100);
  FMMSpectrum1->SetVisible(false); // the panel starts hidden; its layout shows the displays
  FMMSpectrum1->SetParent(FParts.MusicPanel);
  FMMOscope2 = new TMMOscope(&FContext.Form);
  FMMOscope2->SetName("MMOscope2");
  FMMOscope2->SetBounds(2, 2, 100, 100);
  FMMOscope2->SetVisible(false);
  FMMOscope2->SetParent(FParts.MusicPanel);
  FMMSpectrogram1 = new TMMSpectrogram(&FContext.Form);
  FMMSpectrogram1->SetName("MMSpectrogram1");
  FMMSpectrogram1->SetMode(mStereo);
  FMMSpectrogram1->SetFFTLength(512);
  FMMSpectrogram1->SetBounds(2, 2, 100, 100);
  FMMSpectrogram1->SetVisible(false);
  FMMSpectrogram1->SetParent(FParts.MusicPanel);

  FMMConnector2->SetLevel1(FMMLevel1);
  FMMConnector2->SetLevel2(FMMLevel2);
  FMMConnector2->SetSpectrum(0, FMMSpectrum1);
  FMMConnector2->SetOscope1(FMMOscope2);
  FMMConnector2->SetSpectrogram(0, FMMSpectrogram1);

  FVisEPopUp = new TPopupMenu(&FContext.Form);
  FVisEPopUp->SetName("VisEPopUp");
  FShowVE = new TMenuItem(&FContext.Form);
  FShowVE->SetName("ShowVE");
  FShowVE->SetCaption("&Visual effects enabled");
  FShowVE->OnClick = [this](TObject* s) { ShowVEClick(s); };
  FDisableVE = new TMenuItem(&FContext.Form);
  FDisableVE->SetName("DisableVE");
  FDisableVE->SetCaption("Visual effects &disabled");
  FDisableVE->OnClick = [this](TObject* s) { DisableVEClick(s); };
  FVisEPopUp->Items().Add(FShowVE);
  FVisEPopUp->Items().Add(FDisableVE);
  FVisEPopUp->OnPopup = [this](TObject* s) { VisEPopUpPopup(s); };
  for (TControl* c :
       std::initializer_list<TControl*>{FMMLevel1, FMMLevel2, FMMSpectrum1, FMMSpectrogram1})
    c->SetPopupMenu(FVisEPopUp);

  // The oscilloscope's own pop-up chooses the displays of the music panel.
  FvisualPopUp = new TPopupMenu(&FContext.Form);
  FvisualPopUp->SetName("visualPopUp");
  auto choice = [this](const char* name, const char* caption, TMenuItem* follows,
                       void (TVisualEffects::*click)(TObject*)) {
    auto* m = new TMenuItem(&FContext.Form);
    m->SetName(name);
    m->SetCaption(caption);
    m->OnClick = [this, click](TObject* s) { (this->*click)(s); };
    FvisualPopUp->Items().Add(m);
    return std::make_pair(m, follows);
  };
  std::vector<std::pair<TMenuItem*, TMenuItem*>> mirrors = {
      choice("VisualSpectrum", "Spectrum &bars", FParts.Spectrumbars1,
             &TVisualEffects::Spectrumbars1Click),
      choice("VisualOscope", "&Oscilloscope", FParts.Lights1, &TVisualEffects::Lights1Click),
      choice("VisualSpectrograph", "&Spectrograph", FParts.Spectrograph1,
             &TVisualEffects::Spectrograph1Click)};
  FvisualPopUp->OnPopup = [mirrors](TObject*) {
    for (auto& [item, follows] : mirrors)
      item->SetChecked(follows->Checked());
  };

  FParts.Visualeffects1->OnClick = [this](TObject* s) { Visualeffects1Click(s); };
  FParts.Spectrumbars1->OnClick = [this](TObject* s) { Spectrumbars1Click(s); };
  FParts.Lights1->OnClick = [this](TObject* s) { Lights1Click(s); };
  FParts.Spectrograph1->OnClick = [this](TObject* s) { Spectrograph1Click(s); };
  FParts.MusicPanel->OnResize = [this](TObject* s) { MusicPanelResize(s); };
  FParts.CDPanel->OnResize = [this](TObject* s) { CDPanelP1Resize(s); };
}

void TVisualEffects::SetVisualEffects(bool on, bool /*second*/, bool force) {
  const int height = FParts.Panel11->Height();
  if (on) {
    // A refusal of the device closes the input without a word; the item stays ticked.
    try {
      FMMWaveIn1->Start();
    } catch (const EMMWaveInError&) {
      CloseSoundInput();
    }
    for (TMMLevel* l : {FMMLevel1, FMMLevel2}) {
      l->SetInactive1Color(TColor(0x008000));
      l->SetInactive2Color(TColor(0x00FF00));
      l->SetInactive3Color(TColor(0x000080));
    }
    FParts.Panel11->SetHeight(88);
  } else {
    CloseSoundInput();
    if (force) {
      for (TMMLevel* l : {FMMLevel1, FMMLevel2}) {
        l->SetInactive1Color(TColor(0x008000));
        l->SetInactive2Color(TColor(0x008000));
        l->SetInactive3Color(TColor(0x008000));
      }
      FParts.Panel11->SetHeight(62);
    }
  }
  if (FParts.Panel11->Height() != height && FContext.Form.HandleAllocated()) FContext.Relayout();
}

void TVisualEffects::SwitchVisualEffects(bool on) {
  SetVisualEffects(on && FParts.Visualeffects1->Checked(), false, false);
}

void TVisualEffects::CloseSoundInput() {
  // Closing is the answer to the input's own failures: a second failure ends here quietly.
  try {
    FMMWaveIn1->Close();
  } catch (const std::exception&) {
  }
}

bool TVisualEffects::SoundInputIdle() const {
  return FMMWaveIn1->InState(TMMWaveIn::wsClosed);
}

bool TVisualEffects::VisualEffectsTicked() const {
  return FParts.Visualeffects1->Checked();
}

void TVisualEffects::Visualeffects1Click(TObject*) {
  FParts.Visualeffects1->SetChecked(!FParts.Visualeffects1->Checked());
  if (!FParts.Visualeffects1->Checked() &&
      FContext.Window.ShowMessageBox(DisableQuestion, TMessageKind::Confirmation, 0,
                                     TMessageButtons::Yes | TMessageButtons::No) ==
          TMessageAnswer::No) {
    FParts.Visualeffects1->SetChecked(true);
    return;
  }
  const bool redraw = FContext.Form.HandleAllocated();
  if (redraw) SendMessageA(FContext.Form.Handle(), WM_SETREDRAW, FALSE, 0);
  SetVisualEffects(FParts.Visualeffects1->Checked(), false, true);
  // The user's switch is told to the open windows that show effects.
  if (MixerFrmF) MixerFrmF->VisualEffectsChanged();
  if (TViewProgFrm* viewer = FContext.TiedViewer()) viewer->VisualEffectsChanged();
  if (redraw) {
    SendMessageA(FContext.Form.Handle(), WM_SETREDRAW, TRUE, 0);
    RedrawWindow(FContext.Form.Handle(), nullptr, nullptr,
                 RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
}

void TVisualEffects::VisEPopUpPopup(TObject*) {
  FShowVE->SetChecked(FParts.Visualeffects1->Checked());
  FDisableVE->SetChecked(!FParts.Visualeffects1->Checked());
}

void TVisualEffects::ShowVEClick(TObject*) {
  FParts.Visualeffects1->SetChecked(false);
  Visualeffects1Click(&FContext.Form);
}

void TVisualEffects::DisableVEClick(TObject*) {
  FParts.Visualeffects1->SetChecked(true);
  Visualeffects1Click(&FContext.Form);
}

void TVisualEffects::Spectrumbars1Click(TObject*) {
  FParts.Spectrumbars1->SetChecked(!FParts.Spectrumbars1->Checked());
  LayoutDisplays();
}

void TVisualEffects::Lights1Click(TObject*) {
  FParts.Lights1->SetChecked(!FParts.Lights1->Checked());
  LayoutDisplays();
}

void TVisualEffects::Spectrograph1Click(TObject*) {
  FParts.Spectrograph1->SetChecked(!FParts.Spectrograph1->Checked());
  LayoutDisplays();
}

void TVisualEffects::MusicPanelResize(TObject*) {
  LayoutDisplays();
}

void TVisualEffects::LayoutDisplays() {
  FMMOscope2->SetPopupMenu(FvisualPopUp);
  int n = int(FParts.Spectrumbars1->Checked()) + int(FParts.Spectrograph1->Checked()) +
          int(FParts.Lights1->Checked());
  if (n == 0) {
    FParts.Spectrumbars1->SetChecked(true);
    n = 1;
  }
  const int h = (FParts.MusicPanel->Height() - 2 * (n + 1)) / n;
  const int width = FParts.MusicPanel->Width() - 2 * FMMSpectrum1->Left();
  const int left = FMMSpectrum1->Left();
  int top = 2;
  // A display of the hidden panel is hidden too: it is neither analysed nor drawn, so that the
  // level bars alone cost only what they need.
  const bool shown = FParts.MusicPanel->Visible();
  auto place = [&](TControl* display, bool ticked) {
    display->SetVisible(ticked && shown);
    if (!ticked) return false;
    display->SetBounds(left, top, width, h);
    return true;
  };
  if (place(FMMSpectrum1, FParts.Spectrumbars1->Checked())) top = h + 4;
  if (place(FMMOscope2, FParts.Lights1->Checked())) top = top + h + 2;
  place(FMMSpectrogram1, FParts.Spectrograph1->Checked());
}

void TVisualEffects::CDPanelP1Resize(TObject*) {
  FMMLevel1->SetWidth(FParts.CDPanel->Width() - 2 * FMMLevel1->Left());
  FMMLevel2->SetBounds(FMMLevel1->Left(), FMMLevel2->Top(), FMMLevel1->Width(),
                       FMMLevel2->Height());
}

void TVisualEffects::FormDestroy(TObject*) {
  // Nothing of the chain may deliver into displays that are going.
  if (FMMWaveIn1) {
    try {
      FMMWaveIn1->Stop();
    } catch (const std::exception&) {
      // The window is going, with nobody to tell; the close below ends the input all the same.
    }
    CloseSoundInput();
  }
}

TVisualEffects::TVisualEffects(const TVisualEffectsContext& context) : FContext(context) {}

TVisualEffects::~TVisualEffects() = default;
