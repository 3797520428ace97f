// The visual effects: the sound input, the level bars and the displays of the music panel.
#pragma once

class TMasterFrm;
class TObject;

// The main window's visual effects and their commands.
class TVisualEffects {
public:
  explicit TVisualEffects(TMasterFrm& frm);
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
  void BuildVisualEffects();

private:
  TMasterFrm& FFrm;
};
