// The main window's visual effects: the sound input through the connector to the level bars and
// the displays of the music panel, switched from the View menu, its pop-ups and the player.
#include <windows.h>
#include "MainCodeD2.h"
#include "MainLayout.h"
#include "VisualEffects.h"
#include "ViewProgCode.h"
#include "finalMain.h"
#include "CDPanel.h"
#include "MMSpGram.h"
#include "Menus.h"

namespace {

constexpr const char* DisableQuestion = "Are you sure you want to disable Visual Effects?";

} // namespace

void TVisualEffects::BuildVisualEffects() {
  FFrm.FMMWaveIn1 = new TMMWaveIn(&FFrm);
  FFrm.FMMWaveIn1->SetName("MMWaveIn1");
  FFrm.FMMWaveIn1->SetMode(mStereo);
  FFrm.FMMConnector2 = new TMMConnector(&FFrm);
  FFrm.FMMConnector2->SetName("MMConnector2");
  FFrm.FMMWaveIn1->SetOutput(FFrm.FMMConnector2);

  auto level = [this](const char* name, TMMChannel channel, int top) {
    auto* l = new TMMLevel(&FFrm);
    l->SetName(name);
    l->SetBounds(4, top, 392, 12);
    l->SetChannel(channel);
    l->SetParent(FFrm.FPanel11);
    return l;
  };
  FFrm.FMMLevel1 = level("MMLevel1", chLeft, 61);
  FFrm.FMMLevel2 = level("MMLevel2", chRight, 74);

  FFrm.FMMSpectrum1 = new TMMSpectrum(&FFrm);
  FFrm.FMMSpectrum1->SetName("MMSpectrum1");
  FFrm.FMMSpectrum1->SetFFTLength(128);
  FFrm.FMMSpectrum1->SetBounds(2, 2, 100, 100);
  FFrm.FMMSpectrum1->SetVisible(false); // the panel starts hidden; its layout shows the displays
  FFrm.FMMSpectrum1->SetParent(FFrm.FMusicPanel);
  FFrm.FMMOscope2 = new TMMOscope(&FFrm);
  FFrm.FMMOscope2->SetName("MMOscope2");
  FFrm.FMMOscope2->SetBounds(2, 2, 100, 100);
  FFrm.FMMOscope2->SetVisible(false);
  FFrm.FMMOscope2->SetParent(FFrm.FMusicPanel);
  FFrm.FMMSpectrogram1 = new TMMSpectrogram(&FFrm);
  FFrm.FMMSpectrogram1->SetName("MMSpectrogram1");
  FFrm.FMMSpectrogram1->SetMode(mStereo);
  FFrm.FMMSpectrogram1->SetFFTLength(512);
  FFrm.FMMSpectrogram1->SetBounds(2, 2, 100, 100);
  FFrm.FMMSpectrogram1->SetVisible(false);
  FFrm.FMMSpectrogram1->SetParent(FFrm.FMusicPanel);

  FFrm.FMMConnector2->SetLevel1(FFrm.FMMLevel1);
  FFrm.FMMConnector2->SetLevel2(FFrm.FMMLevel2);
  FFrm.FMMConnector2->SetSpectrum(0, FFrm.FMMSpectrum1);
  FFrm.FMMConnector2->SetOscope1(FFrm.FMMOscope2);
  FFrm.FMMConnector2->SetSpectrogram(0, FFrm.FMMSpectrogram1);

  FFrm.FVisEPopUp = new TPopupMenu(&FFrm);
  FFrm.FVisEPopUp->SetName("VisEPopUp");
  FFrm.FShowVE = new TMenuItem(&FFrm);
  FFrm.FShowVE->SetName("ShowVE");
  FFrm.FShowVE->SetCaption("&Visual effects enabled");
  FFrm.FShowVE->OnClick = [this](TObject* s) { ShowVEClick(s); };
  FFrm.FDisableVE = new TMenuItem(&FFrm);
  FFrm.FDisableVE->SetName("DisableVE");
  FFrm.FDisableVE->SetCaption("Visual effects &disabled");
  FFrm.FDisableVE->OnClick = [this](TObject* s) { DisableVEClick(s); };
  FFrm.FVisEPopUp->Items().Add(FFrm.FShowVE);
  FFrm.FVisEPopUp->Items().Add(FFrm.FDisableVE);
  FFrm.FVisEPopUp->OnPopup = [this](TObject* s) { VisEPopUpPopup(s); };
  for (TControl* c : std::initializer_list<TControl*>{FFrm.FMMLevel1, FFrm.FMMLevel2,
                                                      FFrm.FMMSpectrum1, FFrm.FMMSpectrogram1})
    c->SetPopupMenu(FFrm.FVisEPopUp);

  // The oscilloscope's own pop-up chooses the displays of the music panel.
  FFrm.FvisualPopUp = new TPopupMenu(&FFrm);
  FFrm.FvisualPopUp->SetName("visualPopUp");
  auto choice = [this](const char* name, const char* caption, TMenuItem* follows,
                       void (TVisualEffects::*click)(TObject*)) {
    auto* m = new TMenuItem(&FFrm);
    m->SetName(name);
    m->SetCaption(caption);
    m->OnClick = [this, click](TObject* s) { (this->*click)(s); };
    FFrm.FvisualPopUp->Items().Add(m);
    return std::make_pair(m, follows);
  };
  std::vector<std::pair<TMenuItem*, TMenuItem*>> mirrors = {
      choice("VisualSpectrum", "Spectrum &bars", FFrm.FSpectrumbars1,
             &TVisualEffects::Spectrumbars1Click),
      choice("VisualOscope", "&Oscilloscope", FFrm.FLights1, &TVisualEffects::Lights1Click),
      choice("VisualSpectrograph", "&Spectrograph", FFrm.FSpectrograph1,
             &TVisualEffects::Spectrograph1Click)};
  FFrm.FvisualPopUp->OnPopup = [mirrors](TObject*) {
    for (auto& [item, follows] : mirrors)
      item->SetChecked(follows->Checked());
  };

  FFrm.FVisualeffects1->OnClick = [this](TObject* s) { Visualeffects1Click(s); };
  FFrm.FSpectrumbars1->OnClick = [this](TObject* s) { Spectrumbars1Click(s); };
  FFrm.FLights1->OnClick = [this](TObject* s) { Lights1Click(s); };
  FFrm.FSpectrograph1->OnClick = [this](TObject* s) { Spectrograph1Click(s); };
  FFrm.FMusicPanel->OnResize = [this](TObject* s) { MusicPanelResize(s); };
  FFrm.FCDPanel->OnResize = [this](TObject* s) { CDPanelP1Resize(s); };
  for (TSpeedButton* b : {FFrm.FToolsLeft, FFrm.FToolsRight})
    b->OnClick = [this](TObject* s) { FFrm.Layout().ToolsLeftClick(s); };
  FFrm.FShowmusictoolbar1->OnClick = [this](TObject* s) { FFrm.Layout().ToolsLeftClick(s); };
}

void TVisualEffects::SetVisualEffects(bool on, bool /*second*/, bool force) {
  const int height = FFrm.FPanel11->Height();
  if (on) {
    // A refusal of the device closes the input without a word; the item stays ticked.
    try {
      FFrm.FMMWaveIn1->Start();
    } catch (const EMMWaveInError&) {
      CloseSoundInput();
    }
    for (TMMLevel* l : {FFrm.FMMLevel1, FFrm.FMMLevel2}) {
      l->SetInactive1Color(TColor(0x008000));
      l->SetInactive2Color(TColor(0x00FF00));
      l->SetInactive3Color(TColor(0x000080));
    }
    FFrm.FPanel11->SetHeight(88);
  } else {
    CloseSoundInput();
    if (force) {
      for (TMMLevel* l : {FFrm.FMMLevel1, FFrm.FMMLevel2}) {
        l->SetInactive1Color(TColor(0x008000));
        l->SetInactive2Color(TColor(0x008000));
        l->SetInactive3Color(TColor(0x008000));
      }
      FFrm.FPanel11->SetHeight(62);
    }
  }
  if (FFrm.FPanel11->Height() != height && FFrm.HandleAllocated()) FFrm.FormResize(&FFrm);
}

void TMasterFrm::SetVisualEffects() {
  FVisualEffects->SwitchVisualEffects(true);
}

void TVisualEffects::SwitchVisualEffects(bool on) {
  SetVisualEffects(on && FFrm.FVisualeffects1->Checked(), false, false);
}

void TVisualEffects::CloseSoundInput() {
  // Closing is the answer to the input's own failures: a second failure ends here quietly.
  try {
    FFrm.FMMWaveIn1->Close();
  } catch (const std::exception&) {
  }
}

bool TMasterFrm::SoundInputIdle() {
  return FMMWaveIn1->InState(TMMWaveIn::wsClosed);
}

bool TMasterFrm::SoundInputFailed(TObject* Sender, const std::exception& E) {
  if (!dynamic_cast<TMMWaveIn*>(Sender) && !dynamic_cast<const EMMWaveInError*>(&E)) return false;
  FVisualEffects->CloseSoundInput();
  return true;
}

bool TVisualEffects::VisualEffectsTicked() const {
  return FFrm.FVisualeffects1->Checked();
}

void TVisualEffects::Visualeffects1Click(TObject*) {
  FFrm.FVisualeffects1->SetChecked(!FFrm.FVisualeffects1->Checked());
  if (!FFrm.FVisualeffects1->Checked() &&
      FFrm.ShowMessageBox(DisableQuestion, TMessageKind::Confirmation, 0,
                          TMessageButtons::Yes | TMessageButtons::No) == TMessageAnswer::No) {
    FFrm.FVisualeffects1->SetChecked(true);
    return;
  }
  const bool redraw = FFrm.HandleAllocated();
  if (redraw) SendMessageA(FFrm.Handle(), WM_SETREDRAW, FALSE, 0);
  SetVisualEffects(FFrm.FVisualeffects1->Checked(), false, true);
  // The user's switch is told to the open windows that show effects.
  if (MixerFrmF) MixerFrmF->VisualEffectsChanged();
  if (FFrm.FViewer) FFrm.FViewer->VisualEffectsChanged();
  if (redraw) {
    SendMessageA(FFrm.Handle(), WM_SETREDRAW, TRUE, 0);
    RedrawWindow(FFrm.Handle(), nullptr, nullptr,
                 RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
}

void TVisualEffects::VisEPopUpPopup(TObject*) {
  FFrm.FShowVE->SetChecked(FFrm.FVisualeffects1->Checked());
  FFrm.FDisableVE->SetChecked(!FFrm.FVisualeffects1->Checked());
}

void TVisualEffects::ShowVEClick(TObject*) {
  FFrm.FVisualeffects1->SetChecked(false);
  Visualeffects1Click(&FFrm);
}

void TVisualEffects::DisableVEClick(TObject*) {
  FFrm.FVisualeffects1->SetChecked(true);
  Visualeffects1Click(&FFrm);
}

void TVisualEffects::Spectrumbars1Click(TObject*) {
  FFrm.FSpectrumbars1->SetChecked(!FFrm.FSpectrumbars1->Checked());
  LayoutDisplays();
}

void TVisualEffects::Lights1Click(TObject*) {
  FFrm.FLights1->SetChecked(!FFrm.FLights1->Checked());
  LayoutDisplays();
}

void TVisualEffects::Spectrograph1Click(TObject*) {
  FFrm.FSpectrograph1->SetChecked(!FFrm.FSpectrograph1->Checked());
  LayoutDisplays();
}

void TVisualEffects::MusicPanelResize(TObject*) {
  LayoutDisplays();
}

void TVisualEffects::LayoutDisplays() {
  FFrm.FMMOscope2->SetPopupMenu(FFrm.FvisualPopUp);
  int n = int(FFrm.FSpectrumbars1->Checked()) + int(FFrm.FSpectrograph1->Checked()) +
          int(FFrm.FLights1->Checked());
  if (n == 0) {
    FFrm.FSpectrumbars1->SetChecked(true);
    n = 1;
  }
  const int h = (FFrm.FMusicPanel->Height() - 2 * (n + 1)) / n;
  const int width = FFrm.FMusicPanel->Width() - 2 * FFrm.FMMSpectrum1->Left();
  const int left = FFrm.FMMSpectrum1->Left();
  int top = 2;
  // A display of the hidden panel is hidden too: it is neither analysed nor drawn, so that the
  // level bars alone cost only what they need.
  const bool shown = FFrm.FMusicPanel->Visible();
  auto place = [&](TControl* display, bool ticked) {
    display->SetVisible(ticked && shown);
    if (!ticked) return false;
    display->SetBounds(left, top, width, h);
    return true;
  };
  if (place(FFrm.FMMSpectrum1, FFrm.FSpectrumbars1->Checked())) top = h + 4;
  if (place(FFrm.FMMOscope2, FFrm.FLights1->Checked())) top = top + h + 2;
  place(FFrm.FMMSpectrogram1, FFrm.FSpectrograph1->Checked());
}

void TVisualEffects::CDPanelP1Resize(TObject*) {
  FFrm.FMMLevel1->SetWidth(FFrm.FCDPanel->Width() - 2 * FFrm.FMMLevel1->Left());
  FFrm.FMMLevel2->SetBounds(FFrm.FMMLevel1->Left(), FFrm.FMMLevel2->Top(), FFrm.FMMLevel1->Width(),
                            FFrm.FMMLevel2->Height());
}

void TVisualEffects::FormDestroy(TObject*) {
  // Nothing of the chain may deliver into displays that are going.
  if (FFrm.FMMWaveIn1) {
    try {
      FFrm.FMMWaveIn1->Stop();
    } catch (const std::exception&) {
      // The window is going, with nobody to tell; the close below ends the input all the same.
    }
    CloseSoundInput();
  }
}

TVisualEffects::TVisualEffects(TMasterFrm& frm) : FFrm(frm) {}

TVisualEffects::~TVisualEffects() = default;
