// The mixer window.
#include "finalMain.h"
#include "Guard.h"
#include "MMProps.h"
#include <algorithm>

TMixerFrmF* MixerFrmF = nullptr;

namespace {

std::string WinText(int n) {
  return LoadLibraryString(n);
}

constexpr TColor ThumbGreen = static_cast<TColor>(0x008000);
constexpr TColor ThumbLime = static_cast<TColor>(0x00FF00);

// A 1-pixel frame: light on the top and left edges, dark on the bottom and right.
void Frame(TCanvas& c, const RECT& r, TColor light, TColor dark) {
  c.Pen().SetColor(light);
  c.MoveTo(r.left, r.bottom - 1);
  c.LineTo(r.left, r.top);
  c.LineTo(r.right - 1, r.top);
  c.Pen().SetColor(dark);
  c.LineTo(r.right - 1, r.bottom - 1);
  c.LineTo(r.left - 1, r.bottom - 1);
}

void DrawGreenThumb(TObject* sender, TCanvas& c, RECT r, bool dragged) {
  auto* slider = dynamic_cast<TMMCustomSlider*>(sender);
  Frame(c, r, clBtnHighlight, clWindowFrame);
  RECT inside = r;
  InflateRect(&inside, -1, -1);
  c.Brush().SetColor(slider && slider->Enabled() ? slider->ThumbColor()
                                                 : (slider ? slider->DisabledColor() : clBtnFace));
  c.FillRect(inside);
  InflateRect(&r, -2, -2);
  if (r.right - r.left < 3 || r.bottom - r.top < 3) return;
  Frame(c, r, clBtnShadow, clBtnHighlight);
  InflateRect(&r, -1, -1);
  c.Brush().SetColor(dragged ? ThumbLime : ThumbGreen);
  c.FillRect(r);
}

} // namespace

// The window's own look, size and icon.
void TMixerFrmF::SetUpWindow() {
  RegisterMMCompClasses();
  SetName("MixerFrmF");
  SetCaption(WinText(MMS_SOUND_CONTROL_CAPTION));
  SetBorderStyle(bsSingle);
  SetBorderIcons({biSystemMenu, biMinimize});
  Font().SetName("MS Sans Serif");
  Font().SetSize(8);
  SetVisible(false);
  SetClientWidth(460);
  SetClientHeight(307);
  try {
    Icon().LoadFromResourceName(HInstance(), "MIXERICON", 32);
    // Sizing the client area made the window already.
    if (HandleAllocated())
      SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon().Handle()));
  } catch (const EResNotFound&) {
    // A program built without the sound resources keeps the default icon.
  }
}

// The sliders' thumb painters, found by name as the blocks are built.
void TMixerFrmF::BindThumbHandlers() {
  Handlers = new TMMHandlerTable(this);
  Handlers->SetName("Handlers");
  Handlers->AddHandler("MMMixerBlockSlider1DrawThumb", [this](TComponent* t, const std::string&) {
    if (auto* s = dynamic_cast<TMMCustomSlider*>(t))
      s->OnDrawThumb = [this](TObject* sender, TCanvas& c, RECT r, bool dragged, bool focused) {
        MMMixerBlockSlider1DrawThumb(sender, c, r, dragged, focused);
      };
  });
  Handlers->AddHandler("MasterBass_RDrawThumb", [this](TComponent* t, const std::string&) {
    if (auto* s = dynamic_cast<TMMCustomSlider*>(t))
      s->OnDrawThumb = [this](TObject* sender, TCanvas& c, RECT r, bool dragged, bool focused) {
        MasterBass_RDrawThumb(sender, c, r, dragged, focused);
      };
  });
}

// The mixer model: the device stays closed until the window is created.
void TMixerFrmF::BuildMixerModel() {
  MMMixerDevice1 = new TMMMixerDevice(this);
  MMMixerDevice1->SetName("MMMixerDevice1");
  auto line = [this](const char* name, TMMComponentType type) {
    auto* l = new TMMAudioLine(this);
    l->SetName(name);
    l->SetMixer(MMMixerDevice1);
    l->SetComponentType(type);
    return l;
  };
  MasterLine = line("MasterLine", ctDstSpeakers);
  WaveInLine = line("WaveInLine", ctDstWaveIn);
  auto control = [this](const char* name, TMMAudioLine* on, TMMControlType type) {
    auto* c = new TMMMixerControl(this);
    c->SetName(name);
    c->SetAudioLine(on);
    c->SetControlType(type);
    return c;
  };
  BassMixer = control("BassMixer", MasterLine, ctBass);
  TrebleMixer = control("TrebleMixer", MasterLine, ctTreble);
  WaveInBass = control("WaveInBass", WaveInLine, ctBass);
  WaveInTreble = control("WaveInTreble", WaveInLine, ctTreble);
  MasterMixer = control("MasterMixer", MasterLine, ctMixer);
  WaveInMixer = control("WaveInMixer", WaveInLine, ctMixer);
}

// The device row.
void TMixerFrmF::BuildDeviceRow() {
  Panel1 = new TPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetParent(this);
  Panel1->SetAlign(alTop);
  Panel1->SetHeight(33);
  Panel1->SetCaption("");
  Label1 = new TLabel(this);
  Label1->SetName("Label1");
  Label1->SetParent(Panel1);
  Label1->SetCaption(WinText(MMS_MIXER_DEVICE));
  Label1->SetBounds(8, 10, Label1->Width(), Label1->Height());
  MMDCB1 = new TMMDeviceComboBox(this);
  MMDCB1->SetName("MMDCB1");
  MMDCB1->SetParent(Panel1);
  MMDCB1->SetBounds(80, 6, 265, MMDCB1->Height());
  MMDCB1->SetDevice(MMMixerDevice1);
  MMDCB1->OnChange = [this](TObject* s) { MMDCB1Change(s); };
  Button1 = new TButton(this);
  Button1->SetName("Button1");
  Button1->SetParent(Panel1);
  Button1->SetCaption("Button1");
  Button1->SetBounds(360, 4, 75, 25);
  Button1->SetVisible(false);
  Button1->OnClick = [this](TObject* s) { Button1Click(s); };
}

void TMixerFrmF::BuildPages() {
  EP1 = new TExtPageControl(this);
  EP1->SetName("EP1");
  EP1->SetParent(this);
  EP1->SetAlign(alClient);
  EP1->TabActiveFont().SetStyle({fsBold});
  auto page = [this](const char* name, int caption) {
    auto* p = new TTabSheet(this);
    p->SetName(name);
    p->SetPageControl(EP1);
    p->SetCaption(WinText(caption));
    return p;
  };
  TabSheet1 = page("TabSheet1", MMS_PLAYBACK);
  TabSheet2 = page("TabSheet2", MMS_RECORDING);
}

// The template blocks: their parts first, then their lines.
void TMixerFrmF::BuildTemplateBlocks() {
  auto block = [this](const char* name, TTabSheet* on) {
    auto* b = new TMMMixerBlock(this);
    b->SetName(name);
    b->SetAutoArrange(false);
    b->SetParent(on);
    b->SetAlign(alLeft);
    b->SetBounds(0, 0, 90, 186);
    b->Bevel()->SetBevelOuter(bvNone);
    auto* edge = new TBevel(this);
    edge->SetName(std::string(name) + "Edge");
    edge->SetParent(b);
    edge->SetShape(bsLeftLine);
    edge->SetAlign(alRight);
    edge->SetWidth(2);
    return b;
  };
  auto slider = [this](const char* name, TMMMixerBlock* on, TMMBlockSliderRole role, RECT r) {
    auto* s = new TMMMixerBlockSlider(this);
    s->SetName(name);
    s->SetParent(on);
    s->SetRole(role);
    if (role != srPan) s->SetOrientation(orVertical);
    s->SetBounds(r.left, r.top, r.right, r.bottom);
    s->SetThumbStyle(tsOwnerDraw);
    Handlers->Bind(s, "OnDrawThumb", "MMMixerBlockSlider1DrawThumb");
    return s;
  };
  auto check = [this](const char* name, TMMMixerBlock* on, int left, int width) {
    auto* c = new TMMMixerBlockCheck(this);
    c->SetName(name);
    c->SetParent(on);
    c->SetBounds(left, 165, width, 17);
    return c;
  };
  auto title = [this](const char* name, TMMMixerBlock* on, const std::string& caption) {
    auto* l = new TMMMixerBlockLabel(this);
    l->SetName(name);
    l->SetParent(on);
    l->SetRole(lrLineTitle);
    l->SetCaption(caption);
    l->SetBounds((on->Width() - l->Width()) / 2 - 1, 3, l->Width(), l->Height());
    return l;
  };
  MasterBlock = block("MasterBlock", TabSheet1);
  MasterTitle = title("MMMixerBlockLabel1", MasterBlock, WinText(MMS_VOLUME_CONTROL));
  MMMixerBlockSlider1 = slider("MMMixerBlockSlider1", MasterBlock, srPan, {2, 18, 86, 44});
  MMMixerBlockSlider2 = slider("MMMixerBlockSlider2", MasterBlock, srLeftVolume, {18, 65, 50, 90});
  MMMixerBlockCheck1 = check("MMMixerBlockCheck1", MasterBlock, 2, 86);
  MasterBlock->ApplyPartLooks();
  MasterBlock->SetLine(MasterLine);

  RecordBlock = block("RecordBlock", TabSheet2);
  Label4 = title("Label4", RecordBlock, "Master");
  MMMixerBlockSlider9 = slider("MMMixerBlockSlider9", RecordBlock, srPan, {2, 18, 86, 44});
  MMMixerBlockSlider10 =
      slider("MMMixerBlockSlider10", RecordBlock, srLeftVolume, {18, 65, 50, 90});
  MMMixerBlockCheck5 = check("MMMixerBlockCheck5", RecordBlock, 7, 60);
  RecordBlock->ApplyPartLooks();
  RecordBlock->SetLine(WaveInLine);
  RecordBlock->SetMixer(WaveInMixer);
}

// Bass and treble under each page's blocks.
void TMixerFrmF::BuildToneRows() {
  auto tonePanel = [this](const char* name, TTabSheet* on) {
    auto* p = new TPanel(this);
    p->SetName(name);
    p->SetParent(on);
    p->SetAlign(alBottom);
    p->SetHeight(56);
    p->SetCaption("");
    return p;
  };
  auto toneLabel = [this](const char* name, TPanel* on, int top, const char* caption) {
    auto* l = new TLabel(this);
    l->SetName(name);
    l->SetParent(on);
    l->SetCaption(caption);
    l->SetBounds(8, top, l->Width(), l->Height());
    return l;
  };
  Panel2 = tonePanel("Panel2", TabSheet1);
  Label2 = toneLabel("Label2", Panel2, 8, "Master Bass Level");
  Label3 = toneLabel("Label3", Panel2, 33, "Master Treble Level");
  BassSlider = ToneSlider(Panel2, "BassSlider", 3, 247, BassMixer);
  TrebleSlider = ToneSlider(Panel2, "TrebleSlider", 28, 247, TrebleMixer);
  Panel2->OnResize = [this](TObject* s) { Panel2Resize(s); };
  Panel3 = tonePanel("Panel3", TabSheet2);
  Label5 = toneLabel("Label5", Panel3, 8, "Master Bass Level");
  Label6 = toneLabel("Label6", Panel3, 33, "Master Treble Level");
  MasterBass_R = ToneSlider(Panel3, "MasterBass_R", 3, 270, WaveInBass);
  MasterTreble_R = ToneSlider(Panel3, "MasterTreble_R", 28, 270, WaveInTreble);
  Panel3->OnResize = [this](TObject* s) { Panel3Resize(s); };
}

void TMixerFrmF::ConnectToneLabels() {
  // A line without a bass or treble control gives the connector no name to show: the label
  // keeps its own then, so that no slider stands unnamed.
  auto keepName = [](TLabel* label) {
    return [label, own = label->Caption()](TObject*) {
      if (label->Caption().empty()) label->SetCaption(own);
    };
  };
  MMMixerLabelConnector1 = new TMMMixerLabelConnector(this);
  MMMixerLabelConnector1->OnChange = keepName(Label2);
  MMMixerLabelConnector1->SetName("MMMixerLabelConnector1");
  MMMixerLabelConnector1->SetSource(BassMixer);
  MMMixerLabelConnector1->SetDestination(Label2);
  MMMixerLabelConnector2 = new TMMMixerLabelConnector(this);
  MMMixerLabelConnector2->OnChange = keepName(Label3);
  MMMixerLabelConnector2->SetName("MMMixerLabelConnector2");
  MMMixerLabelConnector2->SetSource(TrebleMixer);
  MMMixerLabelConnector2->SetDestination(Label3);
}

void TMixerFrmF::BuildTimerAndEvents() {
  MMCM = new TMMCompManager(this);
  MMCM->SetName("MMCM");
  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetInterval(100);
  Timer1->SetEnabled(false);
  Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };

  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnDestroy = [this](TObject* s) { FormDestroy(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnActivate = [this](TObject* s) { FormActivate(s); };
}

TMixerFrmF::TMixerFrmF(TComponent* AOwner) : TForm(AOwner) {
  SetUpWindow();
  BindThumbHandlers();
  BuildMixerModel();
  BuildDeviceRow();
  BuildPages();
  BuildTemplateBlocks();
  BuildToneRows();
  ConnectToneLabels();
  BuildTimerAndEvents();
}

TMixerFrmF::~TMixerFrmF() {
  if (MixerFrmF == this) MixerFrmF = nullptr;
  FreeBuilt();
}

TMMMixerSlider* TMixerFrmF::ToneSlider(TPanel* panel, const char* name, int top, int width,
                                       TMMMixerControl* control) {
  auto* s = new TMMMixerSlider(this);
  s->SetName(name);
  s->SetParent(panel);
  s->SetBounds(106, top, width, 25);
  s->SetThumbStyle(tsOwnerDraw);
  s->SetThumbWidth(12);
  s->SetThumbHeight(17);
  s->SetGrooveSize(1);
  s->Scale()->SetVisible(false);
  s->SetControl(control);
  Handlers->Bind(s, "OnDrawThumb", "MasterBass_RDrawThumb");
  return s;
}

void TMixerFrmF::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  params.WndParent = GetDesktopWindow();
}

void TMixerFrmF::OpenDevice() {
  // Without a usable mixer the window still stands, empty, and the flag sends the user to the
  // system's volume control instead.
  try {
    MMMixerDevice1->SetActive(true);
  } catch (const std::exception&) {
  }
  FNoMixer = !MMMixerDevice1->Active();
}

void TMixerFrmF::FormCreate(TObject*) {
  OpenDevice();
  Rebuild();
}

void TMixerFrmF::FormDestroy(TObject*) {
  FreeBuilt();
}

void TMixerFrmF::FreeBuilt() {
  std::vector<TComponent*> built;
  built.swap(FBuilt);
  for (TComponent*& c : built)
    FreeAndNil(c);
}

void TMixerFrmF::Rebuild() {
  HWND window = HandleAllocated() ? Handle() : nullptr;
  if (window) LockWindowUpdate(window);
  const TCursor saved = Screen->Cursor();
  Screen->SetCursor(crHourGlass);
  TScopeExit restore([window, saved] {
    if (window) LockWindowUpdate(nullptr);
    Screen->SetCursor(saved);
  });
  FreeBuilt();
  // The templates' boxes read as their clones' do, the same letter underlined in each.
  NameCheckBox(*MasterBlock);
  NameCheckBox(*RecordBlock);
  int x = MasterBlock->Width() + 1;
  for (int i = 0; i < MasterLine->Connections(); ++i)
    x = AddLineBlock(x, TabSheet1, MasterLine->ConnectionId(i), MasterMixer, MMMixerDevice1);
  // Never narrower than the device row.
  const int row = MMDCB1->Left() + MMDCB1->Width() + 8;
  SetClientWidth(std::max(x + 4, row));
  Label4->SetLeft((RecordBlock->Width() - Label4->Width()) / 2 - 1);
  x = RecordBlock->Width() + 1;
  for (int i = 0; i < WaveInLine->Connections(); ++i)
    x = AddLineBlock(x, TabSheet2, WaveInLine->ConnectionId(i), WaveInMixer, MMMixerDevice1);
  if (ClientWidth() < x + 3) SetClientWidth(x + 4);
}

int TMixerFrmF::AddLineBlock(int x, TTabSheet* page, TMMLineId lineId, TMMCustomMixerControl* mixer,
                             TMMMixerDevice* device) {
  auto* panel = new TPanel(this);
  FBuilt.push_back(panel);
  panel->SetParent(page);
  panel->SetBevelInner(bvNone);
  panel->SetBevelOuter(bvNone);
  panel->SetLeft(x);
  panel->SetAlign(alLeft);
  panel->SetCaption("");
  MMCM->SetCloneParent(panel);
  auto* clone = dynamic_cast<TMMMixerBlock*>(MMCM->CloneComponent(MasterBlock));
  MMCM->SetCloneParent(nullptr);
  panel->SetWidth(clone->Width());
  clone->ApplyPartLooks();
  auto* line = new TMMAudioLine(this);
  FBuilt.push_back(line);
  clone->SetLine(line);
  line->SetMixer(device);
  line->SetLineId(lineId);
  clone->SetMixer(mixer);
  if (TMMCustomBlockCheck* box = clone->CheckBox()) {
    box->SetLeft(20);
    box->SetWidth(65);
  }
  NameCheckBox(*clone);
  if (TMMCustomBlockLabel* title = clone->LineTitle()) {
    title->SetCaption(line->Valid() ? line->LineInfo()->Name() : WinText(MMS_NOT_CONNECTED));
    title->SetLeft((clone->Width() - title->Width()) / 2 - 1);
  }
  return x + panel->Width();
}

void TMixerFrmF::NameCheckBox(TMMMixerBlock& block) {
  TMMCustomBlockCheck* box = block.CheckBox();
  if (!box) return;
  // Only the caption: the box keeps showing the line's real state.
  box->SetAutoCaption(false);
  box->SetCaption(WinText(block.MuteKind() == mkSelect ? MMS_SELECT_CAPTION : MMS_MUTE_CAPTION));
}

void TMixerFrmF::MMDCB1Change(TObject*) {
  // The box has set the new identifier (which closes the device): open it again and rebuild.
  OpenDevice();
  Rebuild();
}

void TMixerFrmF::Button1Click(TObject*) {
  Rebuild();
}

void TMixerFrmF::Panel2Resize(TObject*) {
  const int width = Panel2->Width() - BassSlider->Left() - 8;
  for (TMMMixerSlider* s : {BassSlider, TrebleSlider, MasterBass_R, MasterTreble_R})
    s->SetWidth(width);
}

void TMixerFrmF::Panel3Resize(TObject*) {
  const int width = Panel3->Width() - BassSlider->Left() - 8;
  for (TMMMixerSlider* s : {BassSlider, TrebleSlider, MasterBass_R, MasterTreble_R})
    s->SetWidth(width);
}

void TMixerFrmF::FormShow(TObject*) {
  BringToFront();
}

void TMixerFrmF::FormActivate(TObject*) {
  BringToFront();
  SetForegroundWindow(Handle());
  Activated();
}

void TMixerFrmF::Timer1Timer(TObject*) {
  Timer1->SetEnabled(false);
  BringToFront();
  SetForegroundWindow(Handle());
}

void TMixerFrmF::MMMixerBlockSlider1DrawThumb(TObject* Sender, TCanvas& aCanvas, RECT aRect,
                                              bool Dragged, bool) {
  DrawGreenThumb(Sender, aCanvas, aRect, Dragged);
}

void TMixerFrmF::MasterBass_RDrawThumb(TObject* Sender, TCanvas& aCanvas, RECT aRect, bool Dragged,
                                       bool) {
  DrawGreenThumb(Sender, aCanvas, aRect, Dragged);
}
