// The about box: the program's name, version and web page.
#include "AboutCodeD2.h"
#include <windows.h>
#include <shellapi.h>
#include <algorithm>
#include <memory>
#include "Handles.h"
#include "ProgramWide.h"

namespace {

std::string TitleText() {
  return Application->Title().empty() ? AppTitleText : Application->Title();
}

// The main window's icon, else the program's own, else the system's application icon. Copied:
// the picture owns what it holds.
HICON IconOf(TForm* source) {
  HICON icon = source ? source->Icon().Handle() : nullptr;
  if (!icon && source && source->HandleAllocated())
    icon = reinterpret_cast<HICON>(SendMessageA(source->Handle(), WM_GETICON, ICON_BIG, 0));
  if (!icon) icon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
  if (!icon) icon = LoadIconA(nullptr, IDI_APPLICATION);
  return CopyIcon(icon);
}

// How wide the window must be for the title bar to show caption whole: the text in the caption
// font with a margin each side, the close button and the window's frame.
int CaptionWindowWidth(const std::string& caption, int frameWidth) {
  NONCLIENTMETRICSA ncm{};
  ncm.cbSize = sizeof(ncm);
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) return 0;
  TGdiObject<HFONT> font(CreateFontIndirectA(&ncm.lfCaptionFont));
  TClientDC screen(nullptr);
  TSelectObject use(screen, font.Get());
  SIZE text{};
  GetTextExtentPoint32A(screen, caption.c_str(), static_cast<int>(caption.size()), &text);
  return text.cx + 2 * GetSystemMetrics(SM_CXSMICON) + ncm.iCaptionWidth + frameWidth;
}

} // namespace

TAboutBoxD2::TAboutBoxD2(TComponent* AOwner, TForm* iconSource) : TForm(AOwner) {
  SetName("AboutBoxD2");
  SetBorderStyle(bsDialog);
  SetBorderIcons({biSystemMenu});
  SetHelpContext(1200);
  SetCaption("About " + TitleText() + " v" + AppVersionText + " (tm)");

  Panel1 = new TPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetCaption("");
  Panel1->SetBevelOuter(bvLowered);
  Panel1->SetHelpContext(1201);
  Panel1->SetParent(this);
  Panel2 = new TPanel(this);
  Panel2->SetName("Panel2");
  Panel2->SetCaption("");
  Panel2->SetBevelOuter(bvLowered);
  Panel2->SetParent(Panel1);
  Image2 = new TImage(this);
  Image2->SetName("Image2");
  Image2->Picture().Icon().SetHandle(IconOf(iconSource));
  Image2->SetParent(Panel2);

  Version = new TLabel(this);
  Version->SetName("Version");
  Version->Font().SetStyle({fsBold});
  Version->SetCaption(TitleText() + " v" + AppVersionText);
  Version->SetParent(Panel1);
  Label4 = new TLabel(this);
  Label4->SetName("Label4");
  Label4->Font().SetColor(clBlue);
  Label4->Font().SetStyle({fsUnderline});
  Label4->SetCaption(ProductPage);
  Label4->SetCursor(6); // the hand registered at start-up
  Label4->SetParent(Panel1);
  Label4->OnClick = [this](TObject* s) { Label4Click(s); };

  OKButton = new TButton(this);
  OKButton->SetName("OKButton");
  OKButton->SetCaption("Close");
  OKButton->SetHelpContext(1202);
  OKButton->SetModalResult(mrOk);
  OKButton->SetDefault(true);
  OKButton->SetCancel(true);
  OKButton->SetParent(this);
  Arrange();
}

void TAboutBoxD2::Arrange() {
  int icon = std::max(Image2->Picture().Width(), 1);
  Panel2->SetBounds(0, 8, icon + 4, icon + 4);
  Image2->SetBounds(2, 2, icon, icon);
  int inner = std::max(Panel2->Width() + 8, Version->Width() + 20);
  // The address must fit too, or it would be cut off.
  inner = std::max(inner, Label4->Width() + 20);
  // So must the caption, or the title bar would cut it.
  inner = std::max(inner, CaptionWindowWidth(Caption(), Width() - ClientWidth()) - 8);
  Panel1->SetBounds(4, 4, inner, 0);
  Panel2->SetLeft((inner - Panel2->Width()) / 2);
  Version->SetTop(Panel2->Top() + Panel2->Height() + 6);
  Version->SetLeft((inner - Version->Width()) / 2);
  Label4->SetTop(Version->Top() + Version->Height() + 4);
  Label4->SetLeft((inner - Label4->Width()) / 2);
  Panel1->SetHeight(Label4->Top() + Label4->Height() + 8);
  SetClientWidth(inner + 8);
  OKButton->SetBounds((inner + 8 - 75) / 2, Panel1->Top() + Panel1->Height() + 8, 75, 25);
  SetClientHeight(OKButton->Top() + OKButton->Height() + 8);
}

void TAboutBoxD2::Label4Click(TObject*) {
  if (OpenWebPage) {
    OpenWebPage(ProductPage);
    return;
  }
  ShellExecuteA(Handle(), "open", ProductPage, nullptr, nullptr, SW_SHOWNORMAL);
}

void ShowAboutBox(TForm* owner, const std::function<intptr_t(const std::string&)>& openWebPage) {
  auto box = std::make_unique<TAboutBoxD2>(nullptr, owner);
  if (openWebPage) box->OpenWebPage = openWebPage;
  RECT area = owner ? owner->BoundsRect() : RECT{0, 0, Screen->Width(), Screen->Height()};
  box->SetBounds(area.left + (area.right - area.left - box->Width()) / 2,
                 area.top + (area.bottom - area.top - box->Height()) / 2, box->Width(),
                 box->Height());
  box->ShowModal();
}
