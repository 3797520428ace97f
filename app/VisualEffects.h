// The visual effects: the sound input, the level bars and the displays of the music panel.
#pragma once

class TCDPanelP;
class TMasterFrm;
class TMenuItem;
class TMMConnector;
class TMMLevel;
class TMMOscope;
class TMMSpectrogram;
class TMMSpectrum;
class TMMWaveIn;
class TObject;
class TPanel;
class TPopupMenu;

// The window's parts the visual effects use: the panels they sit in and the View menu's switches.
struct TVisualEffectsParts {
  TPanel*& Panel11;
  TPanel*& MusicPanel;
  TCDPanelP*& CDPanel;
  TMenuItem*& Visualeffects1;
  TMenuItem*& Spectrumbars1;
  TMenuItem*& Lights1;
  TMenuItem*& Spectrograph1;
};

// The main window's visual effects and their commands.
class TVisualEffects {
public:
  TVisualEffects(TMasterFrm& frm, const TVisualEffectsParts& parts);
  ~TVisualEffects();
  TVisualEffects(const TVisualEffects&) = delete;
  TVisualEffects& operator=(const TVisualEffects&) = delete;

  // The visual effects: the sound input through the connector to two level bars under the
  // display panel and, in the music panel, the spectrum, the oscilloscope and the spectrogram.
  // Starts (on) or closes the sound input; force also sets the idle look and Panel11's height.
  void SetVisualEffects(bool on, bool second, bool force);

  // Whether "Visual effects" is ticked.
  bool VisualEffectsTicked() const;
  void Visualeffects1Click(TObject* Sender);
  void VisEPopUpPopup(TObject* Sender);
  void ShowVEClick(TObject* Sender);
  void DisableVEClick(TObject* Sender);
  void Spectrumbars1Click(TObject* Sender);
  void Lights1Click(TObject* Sender);
  void Spectrograph1Click(TObject* Sender);
  void MusicPanelResize(TObject* Sender);
  void CDPanelP1Resize(TObject* Sender);
  void FormDestroy(TObject* Sender);

  // Places the ticked displays in the music panel, one above the other.
  void LayoutDisplays();

  // The player commands' switch: on follows Visualeffects1, off closes the input.
  void SwitchVisualEffects(bool on);
  void CloseSoundInput();
  // Whether the sound input is closed.
  bool SoundInputIdle() const;
  void BuildVisualEffects();

  // The sound input, its connector and the displays it feeds.
  TMMWaveIn* MMWaveIn1() const { return FMMWaveIn1; }
  TMMConnector* MMConnector2() const { return FMMConnector2; }
  TMMLevel* MMLevel1() const { return FMMLevel1; }
  TMMLevel* MMLevel2() const { return FMMLevel2; }
  TMMSpectrum* MMSpectrum1() const { return FMMSpectrum1; }
  TMMOscope* MMOscope2() const { return FMMOscope2; }
  TMMSpectrogram* MMSpectrogram1() const { return FMMSpectrogram1; }
  // The displays' pop-ups: on or off, and which displays the music panel shows.
  TPopupMenu* visualPopUp() const { return FvisualPopUp; }
  TMenuItem* ShowVE() const { return FShowVE; }
  TMenuItem* DisableVE() const { return FDisableVE; }

private:
  TMasterFrm& FFrm;
  TVisualEffectsParts FParts;
  TMMWaveIn* FMMWaveIn1 = nullptr;
  TMMConnector* FMMConnector2 = nullptr;
  TMMLevel *FMMLevel1 = nullptr, *FMMLevel2 = nullptr;
  TMMSpectrum* FMMSpectrum1 = nullptr;
  TMMOscope* FMMOscope2 = nullptr;
  TMMSpectrogram* FMMSpectrogram1 = nullptr;
  TPopupMenu *FVisEPopUp = nullptr, *FvisualPopUp = nullptr;
  TMenuItem *FShowVE = nullptr, *FDisableVE = nullptr;
};
