// The program's sound-control window: playback and recording pages with one mixer block per line,
// bass and treble sliders, and a device box that rebuilds both pages.
#pragma once
#include "ExtCtrls.h"
#include "ExtPage.h"
#include "Forms.h"
#include "MMCompMgr.h"
#include "MMMixBlk.h"
#include <vector>

class TMixerFrmF : public TForm {
public:
  explicit TMixerFrmF(TComponent* AOwner);
  ~TMixerFrmF() override;

  TPanel* Panel1;
  TLabel* Label1;
  TMMDeviceComboBox* MMDCB1;
  TButton* Button1;
  TExtPageControl* EP1;
  TTabSheet *TabSheet1, *TabSheet2;
  TMMMixerBlock* MasterBlock;
  TMMMixerBlockLabel* MasterTitle;
  TMMMixerBlockSlider *MMMixerBlockSlider1, *MMMixerBlockSlider2;
  TMMMixerBlockCheck* MMMixerBlockCheck1;
  TPanel* Panel2;
  TLabel *Label2, *Label3;
  TMMMixerSlider *BassSlider, *TrebleSlider;
  TMMMixerBlock* RecordBlock;
  TMMMixerBlockLabel* Label4;
  TMMMixerBlockSlider *MMMixerBlockSlider9, *MMMixerBlockSlider10;
  TMMMixerBlockCheck* MMMixerBlockCheck5;
  TPanel* Panel3;
  TLabel *Label5, *Label6;
  TMMMixerSlider *MasterBass_R, *MasterTreble_R;
  TMMMixerDevice* MMMixerDevice1;
  TMMAudioLine *MasterLine, *WaveInLine;
  TMMMixerControl *BassMixer, *TrebleMixer, *WaveInBass, *WaveInTreble, *MasterMixer, *WaveInMixer;
  TMMMixerLabelConnector *MMMixerLabelConnector1, *MMMixerLabelConnector2;
  TMMCompManager* MMCM;
  TTimer* Timer1;
  TMMHandlerTable* Handlers;

  // Set when no mixer could be opened: the main window then offers the system's volume control.
  bool NoMixer() const { return FNoMixer; }
  // Called by the main window after showing or activating this window, and after the visual
  // effects are switched; nothing to do here.
  void Activated() {}
  void VisualEffectsChanged() {}

  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormActivate(TObject* Sender);
  void MMDCB1Change(TObject* Sender);
  void Button1Click(TObject* Sender);
  void Panel2Resize(TObject* Sender);
  void Panel3Resize(TObject* Sender);
  void Timer1Timer(TObject* Sender);
  void MMMixerBlockSlider1DrawThumb(TObject* Sender, TCanvas& aCanvas, RECT aRect, bool Dragged,
                                    bool Focused);
  void MasterBass_RDrawThumb(TObject* Sender, TCanvas& aCanvas, RECT aRect, bool Dragged,
                             bool Focused);

protected:
  void CreateParams(TCreateParams& params) override;

private:
  // The window's parts, made in this order.
  void SetUpWindow();
  void BindThumbHandlers();
  void BuildMixerModel();
  void BuildDeviceRow();
  void BuildPages();
  void BuildTemplateBlocks();
  void BuildToneRows();
  void ConnectToneLabels();
  void BuildTimerAndEvents();
  void Rebuild();
  // The mute or select box's caption, "&Mute" or "&Select" as the block's box works.
  void NameCheckBox(TMMMixerBlock& block);
  void FreeBuilt();
  void OpenDevice();
  int AddLineBlock(int x, TTabSheet* page, TMMLineId lineId, TMMCustomMixerControl* mixer,
                   TMMMixerDevice* device);
  TMMMixerSlider* ToneSlider(TPanel* panel, const char* name, int top, int width,
                             TMMMixerControl* control);
  std::vector<TComponent*> FBuilt;
  bool FNoMixer = false;
};

// The program's one mixer window, made last at start-up.
extern TMixerFrmF* MixerFrmF;
