// The main window's visual effects: the sound input through the connector to the level bars and
// the displays of the music panel, switched from the View menu, its pop-ups and the player.
#include <windows.h>
#include "MainCodeD2.h"
#include "ViewProgCode.h"
#include "finalMain.h"

namespace {

constexpr const char* DisableQuestion = "Are you sure you want to disable Visual Effects?";

} // namespace

void TMasterFrm::BuildVisualEffects() {
  FMMWaveIn1 = new TMMWaveIn(this);
  FMMWaveIn1->SetName("MMWaveIn1");
  FMMWaveIn1->SetMode(mStereo);
  FMMConnector2 = new TMMConnector(this);
  FMMConnector2->SetName("MMConnector2");
  FMMWaveIn1->SetOutput(FMMConnector2);

  auto level = [this](const char* name, TMMChannel channel, int top) {
    auto* l = new TMMLevel(this);
    l->SetName(name);
    l->SetBounds(4, top, 392, 12);
    l->SetChannel(channel);
    l->SetParent(FPanel11);
    return l;
  };
  FMMLevel1 = level("MMLevel1", chLeft, 61);
  FMMLevel2 = level("MMLevel2", chRight, 74);

  FMMSpectrum1 = new TMMSpectrum(this);
  FMMSpectrum1->SetName("MMSpectrum1");
  FMMSpectrum1->SetFFTLength(128);
  FMMSpectrum1->SetBounds(2, 2, 100, 100);
  FMMSpectrum1->SetParent(FMusicPanel);
  FMMOscope2 = new TMMOscope(this);
  FMMOscope2->SetName("MMOscope2");
  FMMOscope2->SetBounds(2, 2, 100, 100);
  FMMOscope2->SetVisible(false);
  FMMOscope2->SetParent(FMusicPanel);
  FMMSpectrogram1 = new TMMSpectrogram(this);
  FMMSpectrogram1->SetName("MMSpectrogram1");
  FMMSpectrogram1->SetMode(mStereo);
  FMMSpectrogram1->SetFFTLength(512);
  FMMSpectrogram1->SetBounds(2, 2, 100, 100);
  FMMSpectrogram1->SetVisible(false);
  FMMSpectrogram1->SetParent(FMusicPanel);

  FMMConnector2->SetLevel1(FMMLevel1);
  FMMConnector2->SetLevel2(FMMLevel2);
  FMMConnector2->SetSpectrum(0, FMMSpectrum1);
  FMMConnector2->SetOscope1(FMMOscope2);
  FMMConnector2->SetSpectrogram(0, FMMSpectrogram1);

  FVisEPopUp = new TPopupMenu(this);
  FVisEPopUp->SetName("VisEPopUp");
  FShowVE = new TMenuItem(this);
  FShowVE->SetName("ShowVE");
  FShowVE->SetCaption("&Visual effects enabled");
  FShowVE->OnClick = [this](TObject* s) { ShowVEClick(s); };
  FDisableVE = new TMenuItem(this);
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
  FvisualPopUp = new TPopupMenu(this);
  FvisualPopUp->SetName("visualPopUp");
  auto choice = [this](const char* name, const char* caption, TMenuItem* follows,
                       void (TMasterFrm::*click)(TObject*)) {
    auto* m = new TMenuItem(this);
    m->SetName(name);
    m->SetCaption(caption);
    m->OnClick = [this, click](TObject* s) { (this->*click)(s); };
    FvisualPopUp->Items().Add(m);
    return std::make_pair(m, follows);
  };
  std::vector<std::pair<TMenuItem*, TMenuItem*>> mirrors = {
      choice("VisualSpectrum", "Spectrum &bars", FSpectrumbars1, &TMasterFrm::Spectrumbars1Click),
      choice("VisualOscope", "&Oscilloscope", FLights1, &TMasterFrm::Lights1Click),
      choice("VisualSpectrograph", "&Spectrograph", FSpectrograph1,
             &TMasterFrm::Spectrograph1Click)};
  FvisualPopUp->OnPopup = [mirrors](TObject*) {
    for (auto& [item, follows] : mirrors)
      item->SetChecked(follows->Checked());
  };

  FVisualeffects1->OnClick = [this](TObject* s) { Visualeffects1Click(s); };
  FSpectrumbars1->OnClick = [this](TObject* s) { Spectrumbars1Click(s); };
  FLights1->OnClick = [this](TObject* s) { Lights1Click(s); };
  FSpectrograph1->OnClick = [this](TObject* s) { Spectrograph1Click(s); };
  FMusicPanel->OnResize = [this](TObject* s) { MusicPanelResize(s); };
  FCDPanel->OnResize = [this](TObject* s) { CDPanelP1Resize(s); };
  for (TSpeedButton* b : {FToolsLeft, FToolsRight})
    b->OnClick = [this](TObject* s) { ToolsLeftClick(s); };
  FShowmusictoolbar1->OnClick = [this](TObject* s) { ToolsLeftClick(s); };
}

void TMasterFrm::SetVisualEffects(bool on, bool /*second*/, bool force) {
  const int height = FPanel11->Height();
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
    FPanel11->SetHeight(88);
  } else {
    CloseSoundInput();
    if (force) {
      for (TMMLevel* l : {FMMLevel1, FMMLevel2}) {
        l->SetInactive1Color(TColor(0x008000));
        l->SetInactive2Color(TColor(0x008000));
        l->SetInactive3Color(TColor(0x008000));
      }
      FPanel11->SetHeight(62);
    }
  }
  if (FPanel11->Height() != height && HandleAllocated()) FormResize(this);
}

void TMasterFrm::SetVisualEffects() {
  SwitchVisualEffects(true);
}

void TMasterFrm::SwitchVisualEffects(bool on) {
  SetVisualEffects(on && FVisualeffects1->Checked(), false, false);
}

void TMasterFrm::CloseSoundInput() {
  // Closing is the answer to the input's own failures: a second failure ends here quietly.
  try {
    FMMWaveIn1->Close();
  } catch (const std::exception&) {
  }
}

bool TMasterFrm::SoundInputIdle() {
  return FMMWaveIn1->InState(TMMWaveIn::wsClosed);
}

bool TMasterFrm::SoundInputFailed(TObject* Sender, const std::exception& E) {
  if (!dynamic_cast<TMMWaveIn*>(Sender) && !dynamic_cast<const EMMWaveInError*>(&E)) return false;
  CloseSoundInput();
  return true;
}

bool TMasterFrm::VisualEffectsTicked() const {
  return FVisualeffects1->Checked();
}

void TMasterFrm::Visualeffects1Click(TObject*) {
  FVisualeffects1->SetChecked(!FVisualeffects1->Checked());
  if (!FVisualeffects1->Checked() &&
      ShowMessageBox(DisableQuestion, TMessageKind::Confirmation, 0,
                     TMessageButtons::Yes | TMessageButtons::No) == TMessageAnswer::No) {
    FVisualeffects1->SetChecked(true);
    return;
  }
  const bool redraw = HandleAllocated();
  if (redraw) SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
  SetVisualEffects(FVisualeffects1->Checked(), false, true);
  // The user's switch is told to the open windows that show effects.
  if (MixerFrmF) MixerFrmF->VisualEffectsChanged();
  if (FViewer) FViewer->VisualEffectsChanged();
  if (redraw) {
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    RedrawWindow(Handle(), nullptr, nullptr,
                 RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
}

void TMasterFrm::VisEPopUpPopup(TObject*) {
  FShowVE->SetChecked(FVisualeffects1->Checked());
  FDisableVE->SetChecked(!FVisualeffects1->Checked());
}

void TMasterFrm::ShowVEClick(TObject*) {
  FVisualeffects1->SetChecked(false);
  Visualeffects1Click(this);
}

void TMasterFrm::DisableVEClick(TObject*) {
  FVisualeffects1->SetChecked(true);
  Visualeffects1Click(this);
}

void TMasterFrm::Spectrumbars1Click(TObject*) {
  FSpectrumbars1->SetChecked(!FSpectrumbars1->Checked());
  LayoutDisplays();
}

void TMasterFrm::Lights1Click(TObject*) {
  FLights1->SetChecked(!FLights1->Checked());
  LayoutDisplays();
}

void TMasterFrm::Spectrograph1Click(TObject*) {
  FSpectrograph1->SetChecked(!FSpectrograph1->Checked());
  LayoutDisplays();
}

void TMasterFrm::MusicPanelResize(TObject*) {
  LayoutDisplays();
}

void TMasterFrm::LayoutDisplays() {
  FMMOscope2->SetPopupMenu(FvisualPopUp);
  int n =
      int(FSpectrumbars1->Checked()) + int(FSpectrograph1->Checked()) + int(FLights1->Checked());
  if (n == 0) {
    FSpectrumbars1->SetChecked(true);
    n = 1;
  }
  const int h = (FMusicPanel->Height() - 2 * (n + 1)) / n;
  const int width = FMusicPanel->Width() - 2 * FMMSpectrum1->Left();
  const int left = FMMSpectrum1->Left();
  int top = 2;
  auto place = [&](TControl* display, bool ticked) {
    display->SetVisible(ticked);
    if (!ticked) return false;
    display->SetBounds(left, top, width, h);
    return true;
  };
  if (place(FMMSpectrum1, FSpectrumbars1->Checked())) top = h + 4;
  if (place(FMMOscope2, FLights1->Checked())) top = top + h + 2;
  place(FMMSpectrogram1, FSpectrograph1->Checked());
}

void TMasterFrm::CDPanelP1Resize(TObject*) {
  FMMLevel1->SetWidth(FCDPanel->Width() - 2 * FMMLevel1->Left());
  FMMLevel2->SetBounds(FMMLevel1->Left(), FMMLevel2->Top(), FMMLevel1->Width(),
                       FMMLevel2->Height());
}

void TMasterFrm::FormDestroy(TObject*) {
  // Nothing of the chain may deliver into displays that are going.
  if (FMMWaveIn1) {
    try {
      FMMWaveIn1->Stop();
    } catch (const std::exception&) {
    }
    CloseSoundInput();
  }
}
