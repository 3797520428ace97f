// The visual effects: the sound input, the level bars and the displays of the music panel.
#pragma once

#include <functional>

class TCDPanelP;
class TMainServices;
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
class TViewProgFrm;
class TWinControl;

// What the visual effects work with: the window's message box, the window itself (the owner of
// the displays and pop-ups, redrawn at once when the effects switch), its layout, run again when
// the display panel changes its height, and the program viewer tied to it, told of the switch.
struct TVisualEffectsContext {
  TMainServices& Window;
  TWinControl& Form;
  std::function<void()> Relayout;
  std::function<TViewProgFrm*()> TiedViewer;
};

// The window's parts the visual effects use: the panels they sit in and the View menu's switches.
struct TVisualEffectsParts {
  TPanel* Panel11 = nullptr;
  TPanel* MusicPanel = nullptr;
  TCDPanelP* CDPanel = nullptr;
  TMenuItem* Visualeffects1 = nullptr;
  TMenuItem* Spectrumbars1 = nullptr;
  TMenuItem* Lights1 = nullptr;
  TMenuItem* Spectrograph1 = nullptr;
};

// The main window's visual effects and their commands.
class TVisualEffects {
public:
  explicit TVisualEffects(const TVisualEffectsContext& context);
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
  // Builds the sound input, the displays and their pop-ups into the parts.
  void BuildVisualEffects(const TVisualEffectsParts& parts);

  // The connector the sound input feeds, which the program viewer's spectrum hangs below.
  TMMConnector* MMConnector2() const { return FMMConnector2; }

private:
  TVisualEffectsContext FContext;
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
