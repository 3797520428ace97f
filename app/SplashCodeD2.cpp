// The splash window.
#include "SplashCodeD2.h"
#include "IniFiles.h"
#include "SysUtils.h"

const char* const SplashText = "Tonalbrook 3.7.1  -  your MIDI music catalogue and player";

TSplashFrm::TSplashFrm(TComponent* AOwner) : TForm(AOwner) {
  SetName("SplashFrm");
  SetBorderStyle(bsSingle);
  SetBorderIcons({});
  SetFormStyle(fsStayOnTop);
  SetColor(clBtnFace);

  Panel1 = new TPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetBevelOuter(bvRaised);
  Panel1->SetBevelInner(bvLowered);
  Panel1->SetCaption("");
  Panel1->SetParent(this);
  Panel3 = new TPanel(this);
  Panel3->SetName("Panel3");
  Panel3->SetBevelOuter(bvLowered);
  Panel3->SetCaption("");
  Panel3->SetColor(clWhite);
  Panel3->SetParent(Panel1);
  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(Panel3);
  Label1 = new TLabel(this);
  Label1->SetName("Label1");
  Label1->SetParent(Panel1);

  Timer1 = new TTimer(this);
  Timer1->SetInterval(1000);
  Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };
  Timer2 = new TTimer(this);
  Timer2->SetEnabled(false);
  Timer2->SetInterval(25);

  // A click anywhere closes it, the picture and its line included.
  OnClick = [this](TObject* s) { FormClick(s); };
  for (TControl* c : std::initializer_list<TControl*>{Panel1, Panel3, Image1, Label1})
    c->OnClick = [this](TObject* s) { Panel3Click(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
  OnCreate = [this](TObject* s) { FormCreate(s); };
}

void TSplashFrm::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  params.Caption = "";
  // No title bar, only a thin border; a top-level window without WS_POPUP would get its caption
  // back from the system.
  params.Style &= ~static_cast<DWORD>(WS_CAPTION | WS_THICKFRAME);
  params.Style |= WS_POPUP | WS_BORDER;
}

std::string TSplashFrm::SettingsFileName() {
  return ChangeFileExt(ParamStr(0), ".ini");
}

void TSplashFrm::FormCreate(TObject*) {
  SetCaption("");
  DrawPicture();
  Image1->SetBounds(2, 2, Image1->Picture().Bitmap().Width(), Image1->Picture().Bitmap().Height());
  Panel3->SetBounds(8, 8, Image1->Width() + 4, Image1->Height() + 8);

  Label1->Font().SetSize(7);
  Label1->SetCaption(SplashText);
  Panel1->SetBounds(0, 0, Panel3->Width() + 2 * Panel3->Left(),
                    Panel3->Height() + 2 * Panel3->Top() + Label1->Height() + 8);
  Label1->SetBounds((Panel1->Width() - Label1->Width()) / 2, Panel3->Top() + Panel3->Height() + 6,
                    Label1->Width(), Label1->Height());
  SetClientWidth(Panel1->Width());
  SetClientHeight(Panel1->Height());
  PlaceWindow(SettingsFileName());
}

void TSplashFrm::PlaceWindow(const std::string& iniPath) {
  int left, top;
  if (FileExists(iniPath)) {
    TIniFile ini(iniPath);
    const int t = ini.ReadInteger("Format", "Top", 100);
    const int l = ini.ReadInteger("Format", "Left", 100);
    const int h = ini.ReadInteger("Format", "Height", 400);
    const int w = ini.ReadInteger("Format", "Width", 500);
    top = t + (h - Height()) / 2;
    left = l + (w - Width()) / 2;
  } else {
    top = (Screen->Height() - Height()) / 2;
    left = (Screen->Width() - Width()) / 2;
  }
  SetBounds(left, top, Width(), Height());
  KeepReachable(); // where a stored place off the screen would hide it
}

void TSplashFrm::DrawPicture() {
  constexpr int w = 360, h = 180;
  TBitmap bmp(w, h);
  TCanvas& c = bmp.Canvas();
  // A deep blue sky that lightens downwards, a staff with a few notes, and the name.
  for (int y = 0; y < h; ++y) {
    const int v = 40 + y * 100 / h;
    c.Pen().SetColor(static_cast<TColor>((v + 60) << 16 | (v / 2) << 8 | v / 4));
    c.MoveTo(0, y);
    c.LineTo(w, y);
  }
  c.Pen().SetColor(clSilver);
  for (int i = 0; i < 5; ++i) {
    c.MoveTo(20, 110 + i * 10);
    c.LineTo(w - 20, 110 + i * 10);
  }
  c.Brush().SetColor(clYellow);
  c.Pen().SetColor(clYellow);
  const int notes[][2] = {{70, 145}, {120, 135}, {170, 125}, {220, 130}, {270, 115}};
  for (auto& n : notes) {
    c.Ellipse(n[0], n[1], n[0] + 12, n[1] + 9);
    c.MoveTo(n[0] + 11, n[1] + 4);
    c.LineTo(n[0] + 11, n[1] - 26);
  }
  c.Brush().SetStyle(bsClear);
  c.Font().SetName("Arial");
  c.Font().SetSize(28);
  c.Font().SetStyle({fsBold, fsItalic});
  c.Font().SetColor(clWhite);
  const std::string name = "Tonalbrook";
  c.TextOut((w - c.TextWidth(name)) / 2, 24, name);
  Image1->Picture().Assign(bmp);
}

void TSplashFrm::FormShow(TObject*) {
  FTickCount = 0;
  Timer1->SetEnabled(true); // stopped by an earlier close
  Repaint();
}

void TSplashFrm::Timer1Timer(TObject*) {
  ++FTickCount;
  // Kept in front of the main window, which some window systems stack over it once it activates.
  SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (FTickCount > 3 && (!StartUpDone || StartUpDone())) Close();
}

void TSplashFrm::FormClick(TObject*) {
  Close();
}

void TSplashFrm::Panel3Click(TObject*) {
  Close();
}

void TSplashFrm::FormClose(TObject*, TCloseAction&) {
  Timer2->SetEnabled(false);
  // Hidden, not freed: the main window holds the reference and frees it.
  Timer1->SetEnabled(false);
}
