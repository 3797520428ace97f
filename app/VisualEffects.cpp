// The main window's visual effects: the sound input through the connector to the level bars and
// the displays of the music panel, switched from the View menu, its pop-ups and the player.
#include <windows.h>
#include "MainCodeD2.h"

namespace {

constexpr const char* DisableQuestion = "Are you sure you want to disable Visual Effects?";

} // namespace

void TMasterFrm::BuildVisualEffects() {
  MMWaveIn1 = new TMMWaveIn(this);
  MMWaveIn1->SetName("MMWaveIn1");
  MMWaveIn1->SetMode(mStereo);
  MMConnector2 = new TMMConnector(this);
  MMConnector2->SetName("MMConnector2");
  MMWaveIn1->SetOutput(MMConnector2);

  auto level = [this](const char* name, TMMChannel channel, int top) {
    auto* l = new TMMLevel(this);
    l->SetName(name);
    l->SetBounds(4, top, 392, 12);
    l->SetChannel(channel);
    l->SetParent(Panel11);
    return l;
  };
  MMLevel1 = level("MMLevel1", chLeft, 61);
  MMLevel2 = level("MMLevel2", chRight, 74);

  MMSpectrum1 = new TMMSpectrum(this);
  MMSpectrum1->SetName("MMSpectrum1");
  MMSpectrum1->SetFFTLength(128);
  MMSpectrum1->SetBounds(2, 2, 100, 100);
  MMSpectrum1->SetParent(MusicPanel);
  MMOscope2 = new TMMOscope(this);
  MMOscope2->SetName("MMOscope2");
  MMOscope2->SetBounds(2, 2, 100, 100);
  MMOscope2->SetVisible(false);
  MMOscope2->SetParent(MusicPanel);
  MMSpectrogram1 = new TMMSpectrogram(this);
  MMSpectrogram1->SetName("MMSpectrogram1");
  MMSpectrogram1->SetMode(mStereo);
  MMSpectrogram1->SetFFTLength(512);
  MMSpectrogram1->SetBounds(2, 2, 100, 100);
  MMSpectrogram1->SetVisible(false);
  MMSpectrogram1->SetParent(MusicPanel);

  MMConnector2->SetLevel1(MMLevel1);
  MMConnector2->SetLevel2(MMLevel2);
  MMConnector2->SetSpectrum(0, MMSpectrum1);
  MMConnector2->SetOscope1(MMOscope2);
  MMConnector2->SetSpectrogram(0, MMSpectrogram1);

  VisEPopUp = new TPopupMenu(this);
  VisEPopUp->SetName("VisEPopUp");
  ShowVE = new TMenuItem(this);
  ShowVE->SetName("ShowVE");
  ShowVE->SetCaption("&Visual effects enabled");
  ShowVE->OnClick = [this](TObject* s) { ShowVEClick(s); };
  DisableVE = new TMenuItem(this);
  DisableVE->SetName("DisableVE");
  DisableVE->SetCaption("Visual effects &disabled");
  DisableVE->OnClick = [this](TObject* s) { DisableVEClick(s); };
  VisEPopUp->Items().Add(ShowVE);
  VisEPopUp->Items().Add(DisableVE);
  VisEPopUp->OnPopup = [this](TObject* s) { VisEPopUpPopup(s); };
  for (TControl* c :
       std::initializer_list<TControl*>{MMLevel1, MMLevel2, MMSpectrum1, MMSpectrogram1})
    c->SetPopupMenu(VisEPopUp);

  // The oscilloscope's own pop-up chooses the displays of the music panel.
  visualPopUp = new TPopupMenu(this);
  visualPopUp->SetName("visualPopUp");
  auto choice = [this](const char* name, const char* caption, TMenuItem* follows,
                       void (TMasterFrm::*click)(TObject*)) {
    auto* m = new TMenuItem(this);
    m->SetName(name);
    m->SetCaption(caption);
    m->OnClick = [this, click](TObject* s) { (this->*click)(s); };
    visualPopUp->Items().Add(m);
    return std::make_pair(m, follows);
  };
  std::vector<std::pair<TMenuItem*, TMenuItem*>> mirrors = {
      choice("VisualSpectrum", "Spectrum &bars", Spectrumbars1, &TMasterFrm::Spectrumbars1Click),
      choice("VisualOscope", "&Oscilloscope", Lights1, &TMasterFrm::Lights1Click),
      choice("VisualSpectrograph", "&Spectrograph", Spectrograph1,
             &TMasterFrm::Spectrograph1Click)};
  visualPopUp->OnPopup = [mirrors](TObject*) {
    for (auto& [item, follows] : mirrors)
      item->SetChecked(follows->Checked());
  };

  Visualeffects1->OnClick = [this](TObject* s) { Visualeffects1Click(s); };
  Spectrumbars1->OnClick = [this](TObject* s) { Spectrumbars1Click(s); };
  Lights1->OnClick = [this](TObject* s) { Lights1Click(s); };
  Spectrograph1->OnClick = [this](TObject* s) { Spectrograph1Click(s); };
  MusicPanel->OnResize = [this](TObject* s) { MusicPanelResize(s); };
  CDPanel->OnResize = [this](TObject* s) { CDPanelP1Resize(s); };
  for (TSpeedButton* b : {ToolsLeft, ToolsRight})
    b->OnClick = [this](TObject* s) { ToolsLeftClick(s); };
  Showmusictoolbar1->OnClick = [this](TObject* s) { ToolsLeftClick(s); };
}

void TMasterFrm::SetVisualEffects(bool on, bool /*second*/, bool force) {
  const int height = Panel11->Height();
  if (on) {
    // A refusal of the device closes the input without a word; the item stays ticked.
    try {
      MMWaveIn1->Start();
    } catch (const EMMWaveInError&) {
      CloseSoundInput();
    }
    for (TMMLevel* l : {MMLevel1, MMLevel2}) {
      l->SetInactive1Color(TColor(0x008000));
      l->SetInactive2Color(TColor(0x00FF00));
      l->SetInactive3Color(TColor(0x000080));
    }
    Panel11->SetHeight(88);
  } else {
    CloseSoundInput();
    if (force) {
      for (TMMLevel* l : {MMLevel1, MMLevel2}) {
        l->SetInactive1Color(TColor(0x008000));
        l->SetInactive2Color(TColor(0x008000));
        l->SetInactive3Color(TColor(0x008000));
      }
      Panel11->SetHeight(62);
    }
  }
  if (Panel11->Height() != height && HandleAllocated()) FormResize(this);
}

void TMasterFrm::SetVisualEffects() {
  SwitchVisualEffects(true);
}

void TMasterFrm::SwitchVisualEffects(bool on) {
  SetVisualEffects(on && Visualeffects1->Checked(), false, false);
}

void TMasterFrm::CloseSoundInput() {
  // Closing is the answer to the input's own failures: a second failure ends here quietly.
  try {
    MMWaveIn1->Close();
  } catch (const std::exception&) {
  }
}

bool TMasterFrm::SoundInputIdle() {
  return MMWaveIn1->InState(TMMWaveIn::wsClosed);
}

bool TMasterFrm::SoundInputFailed(TObject* Sender, const std::exception& E) {
  if (!dynamic_cast<TMMWaveIn*>(Sender) && !dynamic_cast<const EMMWaveInError*>(&E)) return false;
  CloseSoundInput();
  return true;
}

void TMasterFrm::Visualeffects1Click(TObject*) {
  Visualeffects1->SetChecked(!Visualeffects1->Checked());
  if (!Visualeffects1->Checked() &&
      ShowMessageBox(DisableQuestion, TMessageKind::Confirmation, 0,
                     TMessageButtons::Yes | TMessageButtons::No) == TMessageAnswer::No) {
    Visualeffects1->SetChecked(true);
    return;
  }
  const bool redraw = HandleAllocated();
  if (redraw) SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
  SetVisualEffects(Visualeffects1->Checked(), false, true);
  // The program viewer and the mixer window are not built yet: nothing else follows.
  if (redraw) {
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    RedrawWindow(Handle(), nullptr, nullptr,
                 RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
}

void TMasterFrm::VisEPopUpPopup(TObject*) {
  ShowVE->SetChecked(Visualeffects1->Checked());
  DisableVE->SetChecked(!Visualeffects1->Checked());
}

void TMasterFrm::ShowVEClick(TObject*) {
  Visualeffects1->SetChecked(false);
  Visualeffects1Click(this);
}

void TMasterFrm::DisableVEClick(TObject*) {
  Visualeffects1->SetChecked(true);
  Visualeffects1Click(this);
}

void TMasterFrm::Spectrumbars1Click(TObject*) {
  Spectrumbars1->SetChecked(!Spectrumbars1->Checked());
  LayoutDisplays();
}

void TMasterFrm::Lights1Click(TObject*) {
  Lights1->SetChecked(!Lights1->Checked());
  LayoutDisplays();
}

void TMasterFrm::Spectrograph1Click(TObject*) {
  Spectrograph1->SetChecked(!Spectrograph1->Checked());
  LayoutDisplays();
}

void TMasterFrm::MusicPanelResize(TObject*) {
  LayoutDisplays();
}

void TMasterFrm::LayoutDisplays() {
  MMOscope2->SetPopupMenu(visualPopUp);
  int n = int(Spectrumbars1->Checked()) + int(Spectrograph1->Checked()) + int(Lights1->Checked());
  if (n == 0) {
    Spectrumbars1->SetChecked(true);
    n = 1;
  }
  const int h = (MusicPanel->Height() - 2 * (n + 1)) / n;
  const int width = MusicPanel->Width() - 2 * MMSpectrum1->Left();
  const int left = MMSpectrum1->Left();
  int top = 2;
  auto place = [&](TControl* display, bool ticked) {
    display->SetVisible(ticked);
    if (!ticked) return false;
    display->SetBounds(left, top, width, h);
    return true;
  };
  if (place(MMSpectrum1, Spectrumbars1->Checked())) top = h + 4;
  if (place(MMOscope2, Lights1->Checked())) top = top + h + 2;
  place(MMSpectrogram1, Spectrograph1->Checked());
}

void TMasterFrm::CDPanelP1Resize(TObject*) {
  MMLevel1->SetWidth(CDPanel->Width() - 2 * MMLevel1->Left());
  MMLevel2->SetBounds(MMLevel1->Left(), MMLevel2->Top(), MMLevel1->Width(), MMLevel2->Height());
}

void TMasterFrm::FormDestroy(TObject*) {
  // Nothing of the chain may deliver into displays that are going.
  if (MMWaveIn1) {
    try {
      MMWaveIn1->Stop();
    } catch (const std::exception&) {
    }
    CloseSoundInput();
  }
}

void TMasterFrm::ToolsLeftClick(TObject*) {
  if (MusicPanel->Visible()) {
    MusicPanel->SetVisible(false);
    FShowTools = false;
  } else if (!FShowTools) {
    FShowTools = true;
  } else if (Visualeffects1->Checked()) {
    MusicPanel->SetVisible(true);
    MusicPanel->BringToFront();
    LayoutDisplays();
  } else {
    FShowTools = false;
    MusicPanel->SetVisible(false);
  }
  std::string hint, caption;
  if (MusicPanel->Visible()) {
    hint = "Hide|Hide visual effects";
    caption = "&Hide visual effects";
  } else if (!FShowTools) {
    hint = "Show|Show music toolbar";
    caption = "&Show music toolbar";
  } else if (Visualeffects1->Checked()) {
    hint = "Visual effects|Show visual effects";
    caption = "&Show visual effects";
  } else {
    hint = "Hide|Hide music toolbar";
    caption = "&Hide music toolbar";
  }
  ToolsLeft->SetHint(hint);
  ToolsRight->SetHint(hint);
  Showmusictoolbar1->SetCaption(caption);
  if (HandleAllocated()) LayoutCatalogueArea();
}
