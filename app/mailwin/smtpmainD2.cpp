// The mail window.
#include "smtpmainD2.h"
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>
#include "IniFiles.h"
#include "MessageBox.h"
#include "Smtpsu.h"
#include "SysUtils.h"
#include "TitleFileName.h"
#include "msutils.h"

TMailForm* MailForm = nullptr;

namespace {

const char* const SetupSection = "Setup";
const std::string FrameLine(76, '=');

TMenuItem* MakeItem(TComponent* owner, TMenuItem& parent, const char* name, const char* caption,
                    std::function<void(TObject*)> click = nullptr) {
  auto* item = new TMenuItem(owner);
  item->SetName(name);
  item->SetCaption(caption);
  if (click) item->OnClick = std::move(click);
  parent.Add(item);
  return item;
}

// The edit's text as the user sees it, piece by piece between ";" and in the ANSI code page;
// a piece holding a character the code page cannot carry is marked, never sent as "?".
struct TAddressPiece {
  std::string Text;
  bool Representable = true;
};

std::vector<TAddressPiece> AddressPieces(TWinControl& edit) {
  std::wstring wide;
  if (edit.HandleAllocated()) {
    // Asked of the edit's own procedure, in UTF-16: the program's ANSI procedure in between
    // would already have turned what the code page lacks into "?".
    HWND h = edit.Handle();
    auto proc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(h, GCLP_WNDPROC));
    LRESULT n = CallWindowProcW(proc, h, WM_GETTEXTLENGTH, 0, 0);
    wide.resize(std::max<LRESULT>(n, 0) + 1);
    n = CallWindowProcW(proc, h, WM_GETTEXT, wide.size(), reinterpret_cast<LPARAM>(wide.data()));
    wide.resize(std::clamp<LRESULT>(n, 0, wide.size() - 1));
  } else {
    // Not made yet: the text set so far is all ANSI.
    std::string text = edit.Text();
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), text.size(), nullptr, 0);
    wide.resize(std::max(n, 0));
    MultiByteToWideChar(CP_ACP, 0, text.data(), text.size(), wide.data(), n);
  }
  std::vector<TAddressPiece> pieces;
  size_t start = 0;
  while (start <= wide.size()) {
    size_t end = wide.find(L';', start);
    if (end == std::wstring::npos) end = wide.size();
    std::wstring w = wide.substr(start, end - start);
    TAddressPiece piece;
    if (!w.empty()) {
      BOOL lost = FALSE;
      int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), w.size(), nullptr, 0,
                                  nullptr, &lost);
      piece.Text.resize(std::max(n, 0));
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), w.size(), piece.Text.data(), n,
                          nullptr, &lost);
      piece.Representable = !lost;
    }
    piece.Text = Trim(piece.Text);
    // Blank pieces (";;", a trailing ";") are no recipients.
    if (!piece.Text.empty()) pieces.push_back(piece);
    start = end + 1;
  }
  return pieces;
}

// Whether the piece names exactly one address the envelope can carry whole.
bool AcceptableAddress(const TAddressPiece& piece) {
  if (!piece.Representable) return false;
  std::string address;
  try {
    address = MailAddressOf(piece.Text);
  } catch (const EMessageError&) {
    return false;
  }
  return address.size() <= 255 && IsSafeMailAddress(address);
}

} // namespace

// The SMTP client, its message and the dial-up connection it may use.
void TMailForm::BuildMailClient() {
  msSMTP1 = new TmsSMTP(this);
  msSMTP1->SetName("msSMTP1");
  msSMTP1->SetDefaultPort(25);
  msSMTP1->SetTimeOut(90);
  msMessage1 = new TmsMessage(this);
  msMessage1->SetName("msMessage1");
  msMessage1->SetContentType("text/plain");
  msMessage1->SetReturnReceipt(false);
  agRas1 = new TagRas(this);
  agRas1->SetName("agRas1");
  // Any dial-up connection already up will do for mail.
  agRas1->SetForceService(false);
  msSMTP1->SetRAS(agRas1);
  msSMTP1->SetMailMessage(msMessage1);
  // The window's client works with the sockets library loaded; when it cannot be loaded now the
  // window still opens, and a send tries again and says why it cannot go.
  try {
    msSMTP1->SetWinsockLoaded(true);
  } catch (const Exception&) {
  }
}

void TMailForm::BuildMenu() {
  MainMenu1 = new TMainMenu(this);
  MainMenu1->SetName("MainMenu1");
  File1 = MakeItem(this, MainMenu1->Items(), "File1", "&File");
  Send1 = MakeItem(this, *File1, "Send1", "&Send", [this](TObject* s) { SendButtonClick(s); });
  Cancel1 =
      MakeItem(this, *File1, "Cancel1", "&Cancel", [this](TObject* s) { CancelButtonClick(s); });
  Cancel1->SetEnabled(false);
  Attach1 =
      MakeItem(this, *File1, "Attach1", "&Attach", [this](TObject* s) { AttachButtonClick(s); });
  Exit1 = MakeItem(this, *File1, "Exit1", "E&xit", [this](TObject* s) { ExitButtonClick(s); });
  Setup1 = MakeItem(this, MainMenu1->Items(), "Setup1", "&Setup",
                    [this](TObject* s) { SetupButtonClick(s); });
  Help1 = MakeItem(this, MainMenu1->Items(), "Help1", "&Help");
  UseHelpCursor1 = MakeItem(this, *Help1, "UseHelpCursor1", "&Use help cursor",
                            [this](TObject* s) { UseHelpCursorClick(s); });
  ViewHelpFile1 = MakeItem(this, *Help1, "ViewHelpFile1", "&View help file",
                           [this](TObject* s) { ViewHelpFileClick(s); });
  About1 = MakeItem(this, *Help1, "About1", "&About", [this](TObject* s) { AboutClick(s); });
  SetMenu(MainMenu1);
}

void TMailForm::BuildToolBar() {
  ToolBar1 = MakeChild<TPanel>(this, this, "ToolBar1", 0, 0, 387, 30);
  ToolBar1->SetBevelOuter(bvNone);
  auto button = [this](const char* name, const char* caption, int left, int tag,
                       std::function<void(TObject*)> click) {
    auto* b = MakeChild<TSpeedButton>(this, ToolBar1, name, left, 3, 60, 24);
    b->SetCaption(caption);
    b->SetFlat(true);
    b->SetTag(tag);
    b->OnClick = std::move(click);
    return b;
  };
  SendButton = button("SendButton", "Send", 4, 0, [this](TObject* s) { SendButtonClick(s); });
  SetupButton = button("SetupButton", "Setup", 66, 0, [this](TObject* s) { SetupButtonClick(s); });
  ExitButton = button("ExitButton", "Exit", 128, 0, [this](TObject* s) { ExitButtonClick(s); });
  // Tag 1: the only button of the busy state.
  CancelButton =
      button("CancelButton", "Cancel", 190, 1, [this](TObject* s) { CancelButtonClick(s); });
  CancelButton->SetEnabled(false);
  AttachButton =
      button("AttachButton", "Attach", 252, 0, [this](TObject* s) { AttachButtonClick(s); });
  Bevel1 = MakeChild<TBevel>(this, this, "Bevel1", 0, 30, 387, 2);
  Bevel1->SetShape(bsTopLine);
}

// The recipients and the subject.
void TMailForm::BuildSendInfo() {
  SendInfoPanel = MakeChild<TPanel>(this, this, "SendInfoPanel", 0, 32, 387, 56);
  SendInfoPanel->SetBevelOuter(bvNone);
  ToLabel = MakeChild<TLabel>(this, SendInfoPanel, "ToLabel", 6, 7, 50, 14);
  ToLabel->SetCaption("To:");
  ToEdit = MakeChild<TEdit>(this, SendInfoPanel, "ToEdit", 60, 4, 320, 21);
  ToEdit->SetHelpContext(1701);
  SubjectLabel = MakeChild<TLabel>(this, SendInfoPanel, "SubjectLabel", 6, 33, 50, 14);
  SubjectLabel->SetCaption("Subject:");
  SubjectEdit = MakeChild<TEdit>(this, SendInfoPanel, "SubjectEdit", 60, 30, 320, 21);
  SubjectEdit->SetHelpContext(1702);
  Bevel2 = MakeChild<TBevel>(this, this, "Bevel2", 0, 88, 387, 2);
  Bevel2->SetShape(bsTopLine);
}

void TMailForm::BuildBodyAndAttachments() {
  BodyMemo = MakeChild<TMemo>(this, this, "BodyMemo", 0, 90, 387, 150);
  BodyMemo->SetScrollBars(ssVertical);
  BodyMemo->SetWordWrap(true);
  BodyMemo->SetWantReturns(true);
  BodyMemo->SetHelpContext(1703);

  AttachPanel = MakeChild<TPanel>(this, this, "AttachPanel", 0, 240, 387, 22);
  AttachPanel->SetCaption(" Attachments:");
  AttachPanel->SetAlignment(taLeftJustify);
  CheckBox1 = MakeChild<TCheckBox>(this, AttachPanel, "CheckBox1", 120, 3, 260, 16);
  CheckBox1->SetCaption("Send as compressed archive (recommended)");
  CheckBox1->SetChecked(true);
  CheckBox1->SetHelpContext(1704);

  ListView1 = MakeChild<TExtListView>(this, this, "ListView1", 0, 262, 387, 100);
  ListView1->SetViewStyle(vsReport);
  ListView1->SetExtendedStyles({lvxGridLines, lvxFullRowSelect});
  ListView1->AddColumn("Category", 110);
  ListView1->AddColumn("Artist", 110);
  ListView1->AddColumn("Title", 150);
  ListView1->SetHelpContext(1705);
  FIcons = new TImageList(this, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
  ListView1->SetSmallImages(FIcons);
}

void TMailForm::BuildStatusBar() {
  StatusBar1 = MakeChild<TStatusBar>(this, this, "StatusBar1", 0, 362, 387, 20);
  StatusBar1->AddPanel().SetWidth(200);
  StatusBar1->AddPanel().SetWidth(100);
  StatusBar1->AddPanel().SetWidth(50);
  ProgressBar1 = MakeChild<TExtProgressBar>(this, StatusBar1, "ProgressBar1", 202, 2, 98, 16);
  ProgressBar1->SetMax(100);
  ProgressBar1->SetVisible(false);
}

// The client's steps shown on the status bar and the progress bar.
void TMailForm::FollowMailClient() {
  msSMTP1->OnOpen = [this](TObject*) { SetStatus("Opening connection"); };
  msSMTP1->OnPrepare = [this](TObject*) { SetStatus("Preparing message"); };
  msSMTP1->OnSending = [this](TObject*) { SetStatus("Sending message"); };
  msSMTP1->OnProgress = [this](TObject*, int perc, int) {
    ProgressBar1->SetPosition(perc);
    ProgressBar1->Repaint();
    Application->ProcessMessages();
  };
  // Only the server's acceptance of the message counts as sent, never the progress alone.
  msSMTP1->OnMailSent = [this](TObject*) {
    FSent = true;
    SetStatus("Message has been sent");
  };
  msSMTP1->OnClosing = [this](TObject*) { SetStatus("Closing connection"); };
  msSMTP1->OnClosed = [this](TObject*) {
    FClosedShown = true;
    SendInfoPanel->SetEnabled(true);
    if (FSent) {
      SetStatus("Mail sent");
    } else {
      SetStatus("Connection closed");
      MessageBeep(0);
    }
  };
  msSMTP1->OnCancel = [this](TObject*) { SetStatus("Operation has been cancelled"); };
  msSMTP1->OnError = [this](TObject*, std::string& msg) {
    SetStatus(msg);
    if (UpperCase(msg).find("REQUIRED") != std::string::npos) SetupButtonClick(this);
  };
}

TMailForm::TMailForm(TComponent* AOwner) : TGradientForm(AOwner) {
  SetName("MailForm");
  SetCaption(" Tonalbrook mail");
  SetWidth(395);
  SetHeight(435);
  SetPosition(poScreenCenter);
  SetHelpContext(1700);

  BuildMailClient();
  BuildMenu();
  BuildToolBar();
  BuildSendInfo();
  BuildBodyAndAttachments();
  BuildStatusBar();
  FollowMailClient();

  for (TControl* c : std::initializer_list<TControl*>{ToEdit, SubjectEdit, BodyMemo, ListView1})
    c->OnClick = [this](TObject* s) { HelpClick(s); };
  CheckBox1->OnClick = [this](TObject* s) { CheckBox1Click(s); };

  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
  OnCloseQuery = [this](TObject* s, bool& c) { FormCloseQuery(s, c); };
  OnResize = [this](TObject* s) { FormResize(s); };

  RegisterMailWindow(this);
  MailWindowControl = this;
}

TMailForm::~TMailForm() {
  if (MailWindowLink() == this) RegisterMailWindow(nullptr);
  if (MailWindowControl == this) MailWindowControl = nullptr;
  if (MailForm == this) MailForm = nullptr;
}

void TMailForm::CreateParams(TCreateParams& params) {
  TGradientForm::CreateParams(params);
  // Its own taskbar button: the desktop is its parent.
  params.ExStyle |= WS_EX_APPWINDOW;
  params.WndParent = GetDesktopWindow();
}

void TMailForm::InitWnd() {
  TGradientForm::InitWnd();
  DragAcceptFiles(Handle(), TRUE);
}

void TMailForm::WndProc(TMessage& message) {
  if (message.Msg == WM_GETMINMAXINFO) {
    TGradientForm::WndProc(message);
    auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
    info->ptMinTrackSize.x = 350;
    info->ptMinTrackSize.y = 360;
    return;
  }
  if (message.Msg == WM_DROPFILES) {
    HDROP drop = reinterpret_cast<HDROP>(message.WParam);
    char path[MAX_PATH] = {};
    // Finished first: the refusal's box must not keep the dropping program waiting.
    bool got = DragQueryFileA(drop, 0, path, MAX_PATH) > 0;
    DragFinish(drop);
    if (got && !RefusedWhileBusy()) AddUserFile(path);
    message.Result = 0;
    return;
  }
  TGradientForm::WndProc(message);
}

void TMailForm::FormCreate(TObject*) {
  ReadMailSettings();
}

void TMailForm::ReadMailSettings() {
  if (!MailWindowHost) return;
  FIniFileName = MailWindowHost->SettingsFileName();
  TIniFile ini(FIniFileName);
  msSMTP1->SetServer(ini.ReadString(SetupSection, "Server", ""));
  msMessage1->Sender().SetAddress(ini.ReadString(SetupSection, "EMail Address", ""));
  msMessage1->Sender().SetName(ini.ReadString(SetupSection, "Name", ""));
  FRasIndex = ini.ReadInteger(SetupSection, "RAS", 0);
  msSMTP1->SetLogFileName(ini.ReadString(SetupSection, "Log File", ""));
  FNotification = ini.ReadBool(SetupSection, "Notification", false);
  msMessage1->SetCharSet(ini.ReadInteger(SetupSection, "CharSet", 0) == 1 ? csISO8859 : csUSASCII);
  msMessage1->SetEncoding(ini.ReadInteger(SetupSection, "Encoding", 0) == 1 ? meUU : meMIME);
}

void TMailForm::SaveMailSettings() {
  if (FIniFileName.empty()) return;
  TIniFile ini(FIniFileName);
  ini.WriteString(SetupSection, "Server", msSMTP1->Server());
  ini.WriteString(SetupSection, "EMail Address", msMessage1->Sender().Address());
  ini.WriteString(SetupSection, "Name", msMessage1->Sender().Name());
  ini.WriteInteger(SetupSection, "RAS", FRasIndex);
  ini.WriteString(SetupSection, "Log File", msSMTP1->LogFileName());
  ini.WriteInteger(SetupSection, "CharSet", msMessage1->CharSet() == csISO8859 ? 1 : 0);
  ini.WriteInteger(SetupSection, "Encoding", msMessage1->Encoding() == meUU ? 1 : 0);
}

void TMailForm::FormShow(TObject*) {
  ClearAttachments();
  FClosed = false;
}

void TMailForm::FormClose(TObject*, TCloseAction&) {
  FClosed = true;
  SaveMailSettings();
}

void TMailForm::FormCloseQuery(TObject*, bool& CanClose) {
  if (!Busy()) return;
  CanClose = false;
  PlainMessageBox("Transfer in Progress.  Click Cancel button first.", Application->Title(),
                  TMessageKind::Error, TMessageButtons::OK, reinterpret_cast<void*>(Handle()));
}

void TMailForm::FormResize(TObject*) {
  int w = ClientWidth(), h = ClientHeight();
  ToolBar1->SetBounds(0, 0, w, 30);
  Bevel1->SetBounds(0, 30, w, 2);
  SendInfoPanel->SetBounds(0, 32, w, 56);
  ToEdit->SetBounds(60, 4, std::max(40, w - 66), 21);
  SubjectEdit->SetBounds(60, 30, std::max(40, w - 66), 21);
  Bevel2->SetBounds(0, 88, w, 2);
  const int statusH = 20, listH = 110, attachH = 22;
  int statusTop = h - statusH, listTop = statusTop - listH, attachTop = listTop - attachH;
  BodyMemo->SetBounds(0, 90, w, std::max(20, attachTop - 90));
  AttachPanel->SetBounds(0, attachTop, w, attachH);
  ListView1->SetBounds(0, listTop, w, listH);
  StatusBar1->SetBounds(0, statusTop, w, statusH);
  // The first panel takes what the other two leave; the bar sits 2 pixels right of it.
  int first = std::max(0, w - StatusBar1->Panels(1).Width() - StatusBar1->Panels(2).Width());
  StatusBar1->Panels(0).SetWidth(first);
  ProgressBar1->SetBounds(first + 2, 2, StatusBar1->Panels(1).Width() - 2, statusH - 4);
}

void TMailForm::SetMailCaption(const std::string& caption) {
  SetCaption(caption);
}

void TMailForm::ShowMailWindow() {
  if (WindowState() == wsMinimized) SetWindowState(wsNormal);
  Show();
  // A mail command or request means this window is wanted now: above the main window (even a
  // maximised one) and active.
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(Handle());
}

bool TMailForm::RefusedWhileBusy() {
  if (!Busy()) return false;
  // The rows are the mail being sent: new ones would replace them beneath the transfer.
  MessageBeep(0);
  PlainMessageBox("A mail is being sent.  Wait until it has gone (or cancel it) before attaching "
                  "other files.",
                  Application->Title(), TMessageKind::Warning, TMessageButtons::OK,
                  reinterpret_cast<void*>(Handle()));
  return true;
}

void TMailForm::SetMailStatus(const std::string& text) {
  SetStatus(text);
}

void TMailForm::SetStatus(const std::string& text) {
  StatusLog.push_back(text);
  StatusBar1->Panels(0).SetText(text);
  StatusBar1->Update();
}

void TMailForm::ClearAttachments() {
  // Only what this window exported is its own to delete; the user's files stay.
  for (const std::string& path : FExported)
    DeleteFileA(path.c_str());
  FExported.clear();
  ListView1->ClearItems();
  ImageList_RemoveAll(FIcons->Handle());
}

std::string TMailForm::ExportName(const std::string& title, int32_t key) const {
  std::string folder = MailWindowHost ? MailWindowHost->MailFolder() : std::string();
  std::string base = folder + TitleFileName(title);
  std::string path = base + ".mid";
  auto taken = [this](const std::string& p) {
    if (FileExists(p)) return true;
    for (const std::string& e : FExported)
      if (CompareText(e, p) == 0) return true;
    return false;
  };
  if (taken(path)) path = base + " (" + IntToStr(key) + ").mid";
  return path;
}

void TMailForm::AttachTitles(const TStringList& masterKeys) {
  if (RefusedWhileBusy()) return;
  ClearAttachments();
  FLeftOut.clear();
  if (!MailWindowHost) return;
  for (int i = 0; i < masterKeys.Count(); ++i) {
    if (MailWindowHost->AbortSet() || FClosed) break;
    int32_t key = StrToIntDef(masterKeys[i], 0);
    TMailTitle title;
    if (!MailWindowHost->FindTitle(key, title)) {
      FLeftOut.push_back(masterKeys[i]);
      continue;
    }
    std::string path = ExportName(title.Title, key);
    if (!MailWindowHost->ExportTitle(key, path) || !FileExists(path)) {
      DeleteFileA(path.c_str());
      FLeftOut.push_back(title.Title);
      continue;
    }
    FExported.push_back(path);
    ListView1->AddItem(title.Category, {title.Artist, title.Title, path});
    Application->ProcessMessages();
  }
  if (!FLeftOut.empty()) {
    std::string text = "These titles could not be attached:";
    for (const std::string& t : FLeftOut)
      text += "\r\n    " + t;
    PlainMessageBox(text, Application->Title(), TMessageKind::Warning, TMessageButtons::OK,
                    reinterpret_cast<void*>(Handle()));
  }
}

std::vector<std::string> TMailForm::ChooseFiles() {
  if (OnChooseFiles) return OnChooseFiles();
  std::vector<char> buffer(32768, 0);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = Handle();
  ofn.lpstrFilter = "All Files (*.*)\0*.*\0";
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  std::vector<std::string> files;
  if (!GetOpenFileNameA(&ofn)) return files;
  // One name: the full path; several: the folder, then the bare names.
  std::string first = buffer.data();
  const char* p = buffer.data() + first.size() + 1;
  if (!*p) return {first};
  for (; *p; p += strlen(p) + 1)
    files.push_back(IncludeTrailingBackslash(first) + p);
  return files;
}

void TMailForm::AddUserFile(const std::string& path) {
  HICON icon = nullptr;
  if (path.size() < MAX_PATH) {
    // The call may write a path of up to MAX_PATH characters back into its buffer.
    char buffer[MAX_PATH + 1] = {};
    path.copy(buffer, path.size());
    WORD index = 0;
    icon = ExtractAssociatedIconA(HInstance(), buffer, &index);
  } else {
    // A longer path does not fit that buffer: the icon of its kind, by the name alone.
    std::string name = ExtractFileName(path).substr(0, MAX_PATH - 1);
    SHFILEINFOA info{};
    if (SHGetFileInfoA(name.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | SHGFI_SMALLICON))
      icon = info.hIcon;
  }
  int image = -1;
  if (icon) {
    image = ImageList_AddIcon(FIcons->Handle(), icon);
    DestroyIcon(icon);
  }
  TListItem& item = ListView1->AddItem(ExtractFileName(path), {"", "", path});
  item.SetImageIndex(image);
}

void TMailForm::AttachButtonClick(TObject*) {
  if (RefusedWhileBusy()) return;
  for (const std::string& path : ChooseFiles())
    AddUserFile(path);
}

void TMailForm::SetBusy(bool busy) {
  FBusy = busy;
  for (TSpeedButton* b : {SendButton, SetupButton, ExitButton, CancelButton, AttachButton})
    b->SetEnabled(busy ? b->Tag() == 1 : b->Tag() != 1);
  for (TMenuItem* m : {Send1, Attach1, Exit1, Setup1, Help1})
    m->SetEnabled(!busy);
  Cancel1->SetEnabled(busy);
  ListView1->SetEnabled(!busy);
  SendInfoPanel->SetEnabled(!busy);
  BodyMemo->SetEnabled(!busy);
  ProgressBar1->SetPosition(0);
  ProgressBar1->SetVisible(busy);
  SetCursor(busy ? crHourGlass : crDefault);
  ListView1->SetCursor(busy ? crHourGlass : crDefault);
  Screen->SetCursor(busy ? crHourGlass : crDefault);
}

bool TMailForm::ComposeMessage() {
  msMessage1->Recipients().Clear();
  // Every piece must be one whole address: one that parses to nothing, is cut or loses a
  // character would go elsewhere or nowhere while the mail counts as sent.
  for (const TAddressPiece& piece : AddressPieces(*ToEdit)) {
    if (!AcceptableAddress(piece)) {
      SendFailed(InvalidAddressText(piece.Text));
      return false;
    }
    msMessage1->Recipients().Add(piece.Text);
  }
  msMessage1->SetSubject(SubjectEdit->Text());
  msMessage1->Body() = BodyMemo->Lines();
  msMessage1->Attachments().Clear();
  return true;
}

namespace {
// "1 MIDI file", "3 MIDI files": the archive's name and what the mail says it holds.
std::string MidiFilesText(int count) {
  return IntToStr(count) + (count == 1 ? " MIDI file" : " MIDI files");
}
} // namespace

bool TMailForm::PackAttachments(int rows) {
  std::string folder = MailWindowHost ? MailWindowHost->MailFolder() : std::string();
  std::string zipName = folder + MidiFilesText(rows) + ".zip";
  // Every row is packed, a name met before numbered, so the list below tells what it holds.
  std::vector<std::string> files;
  for (int i = 0; i < rows; ++i)
    files.push_back(ListView1->Items(i).SubItems(2));
  if (!MailWindowHost || !MailWindowHost->ZipFiles(files, zipName) || !FileExists(zipName)) {
    // A mail announcing an archive it does not carry must not go out.
    SetBusy(false);
    SetStatus("");
    PlainMessageBox("Problem compressing attachments", Application->Title(), TMessageKind::Error,
                    TMessageButtons::OK, reinterpret_cast<void*>(Handle()));
    return false;
  }
  TStringList& body = msMessage1->Body();
  body.Add("");
  body.Add("");
  body.Add(FrameLine);
  body.Add("The attached archive (" + ExtractFileName(zipName) + ") contains " +
           MidiFilesText(rows) + ":");
  for (int i = 0; i < rows; ++i)
    body.Add("    \"" + ListView1->Items(i).SubItems(1) + "\" by " +
             ListView1->Items(i).SubItems(0));
  body.Add(FrameLine);
  body.Add("");
  msMessage1->Attachments().Add(zipName);
  return true;
}

bool TMailForm::LoadAttachments() {
  SetStatus("Loading attachments...");
  try {
    int rows = ListView1->ItemCount();
    // A mail without rows carries no archive (nor its list).
    if (CheckBox1->Checked() && rows > 0) return PackAttachments(rows);
    for (int i = 0; i < rows; ++i)
      msMessage1->Attachments().Add(ListView1->Items(i).SubItems(2));
  } catch (const Exception& e) {
    // An attachment that cannot be read: say so and send nothing.
    SetStatus(e.Message());
    MessageBeep(0);
    return false;
  }
  return true;
}

bool TMailForm::ReadyToSend() {
  SetStatus("");
  if (MailWindowHost && MailWindowHost->AbortSet()) return false;
  // A Cancel while the attachments were loaded stops the mail before it is sent.
  if (FCancelAsked) {
    SetStatus("Operation has been cancelled");
    return false;
  }
  // The library may have been missing when the window was made: it is tried once more.
  if (!msSMTP1->WinsockLoaded()) {
    try {
      msSMTP1->SetWinsockLoaded(true);
    } catch (const Exception& e) {
      SetBusy(false);
      SendFailed(e.Message());
      return false;
    }
  }
  return true;
}

void TMailForm::SendAndReport() {
  bool failed = true;
  std::string failure;
  try {
    msSMTP1->Send();
    failed = false;
  } catch (const Exception& e) {
    failure = e.Message();
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    // Still failed: told below as an unknown error.
  }
  SetBusy(false);
  if (!failed) return;
  // The events may have left "Connection closed" or a step's text on the bar: the last word is
  // why the mail did not go. A cancel the user asked for needs no box.
  if (FCancelAsked) {
    SetStatus("Operation has been cancelled");
    return;
  }
  SendFailed(failure.empty() ? "Unknown error" : failure);
}

void TMailForm::SendButtonClick(TObject*) {
  if (Busy()) return;
  if (Trim(msSMTP1->Server()).empty() || FRasIndex == 0) SetupButtonClick(this);
  FSent = false;
  FClosedShown = false;
  if (!ComposeMessage()) return;

  // Busy from here on: a second Send or a mail command while the archive is packed would mix
  // two mails' attachments and rows.
  FCancelAsked = false;
  SetBusy(true);
  struct TIdleAtEnd {
    TMailForm& Form;
    ~TIdleAtEnd() { Form.SetBusy(false); }
  } idleAtEnd{*this};
  if (!LoadAttachments() || !ReadyToSend()) return;
  SendAndReport();
}

void TMailForm::SendFailed(const std::string& why) {
  SetStatus(why);
  // A closed connection has beeped already.
  if (!FClosedShown) MessageBeep(0);
  PlainMessageBox("The mail was not sent:\r\n\r\n" + why, Application->Title(), TMessageKind::Error,
                  TMessageButtons::OK, reinterpret_cast<void*>(Handle()));
}

void TMailForm::SetupButtonClick(TObject*) {
  RunMailSetup(this, *msSMTP1, *msMessage1, *agRas1, FRasIndex);
}

void TMailForm::ExitButtonClick(TObject*) {
  Close();
}

void TMailForm::CancelButtonClick(TObject*) {
  if (FBusy) FCancelAsked = true;
  msSMTP1->Cancel();
}

void TMailForm::HelpClick(TObject* sender) {
  if (MailWindowHost) MailWindowHost->ContextHelpClick(sender);
}

void TMailForm::CheckBox1Click(TObject* sender) {
  if (FHelpUndo) return;
  if (MailWindowHost && MailWindowHost->ContextHelpClick(sender)) {
    // The click only asked for help: the box keeps its state.
    FHelpUndo = true;
    CheckBox1->SetChecked(!CheckBox1->Checked());
    FHelpUndo = false;
  }
}

void TMailForm::UseHelpCursorClick(TObject*) {
  Screen->SetCursor(crHelp);
}

void TMailForm::ViewHelpFileClick(TObject*) {
  Application->HelpCommand(HELP_FINDER, 0);
}

void TMailForm::AboutClick(TObject*) {
  if (MailWindowHost) MailWindowHost->ShowAbout(this);
}
