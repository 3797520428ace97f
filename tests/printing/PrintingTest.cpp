// The print options window and the printed catalogue report, printed for real to the CUPS queue
// "PDF"; check_printing_report reads the PDFs that cups-pdf writes.
#include <gtest/gtest.h>
#include <windows.h>
#include "../mainwin/MainWindowFixture.h"
#include "PrintCommands.h"
#include "PrintParamD2.h"
#include "Printers.h"
#include "TestCapture.h"
#include "DataCodeD2.h"

namespace {

// Fails the test at once unless Wine prints to the queue the checker reads.
void RequirePdfPrinter() {
  Printer().Refresh();
  Printer().SetPrinterIndex(-1);
  ASSERT_EQ(Printer().PrinterName(), "PDF")
      << "Wine's default printer must be the CUPS queue \"PDF\" (scripts/env.sh starts cupsd, "
         "adds the cups-pdf queue and makes it the default)";
}

int RedPixels(TWinControl& control) {
  TBitmap shot;
  CaptureControl(control, shot);
  int red = 0;
  for (int y = 0; y < shot.Height(); ++y)
    for (int x = 0; x < shot.Width(); ++x) {
      COLORREF c = static_cast<COLORREF>(shot.Pixel(x, y));
      if (GetRValue(c) > 180 && GetGValue(c) < 80 && GetBValue(c) < 80) ++red;
    }
  return red;
}

// A unique mark for one job's heading, so that the checker finds its PDF among earlier ones.
std::string Token(const char* name) {
  static const std::string run = IntToStr(static_cast<int>(GetCurrentProcessId())) + "x" +
                                 IntToStr(static_cast<int>(GetTickCount() % 100000));
  return std::string("PRT") + name + "R" + run;
}

} // namespace

TEST(PrintOptions, ControlsCaptionsAndTheRecommendedLandscape) {
  TPrintParamFrm form(nullptr);
  EXPECT_EQ(form.Caption(), "Set printing parameters");
  struct TBox {
    TCheckBox* Box;
    const char* Caption;
    bool Ticked;
    int Help;
  };
  const TBox boxes[] = {
      {form.Cat, "Category", true, 34},        {form.Art, "Artist", true, 34},
      {form.tit, "Title", true, 34},           {form.Dur, "Duration", true, 34},
      {form.Orig, "Origin", false, 34},        {form.Dat, "Date obtained", false, 34},
      {form.FileType, "File &type", false, 0}, {form.FileSize, "File &size", false, 0},
      {form.FileDate, "File &date", false, 0}};
  for (const TBox& b : boxes) {
    EXPECT_EQ(b.Box->Caption(), b.Caption);
    EXPECT_EQ(b.Box->Checked(), b.Ticked) << b.Caption;
    EXPECT_EQ(b.Box->HelpContext(), b.Help) << b.Caption;
    EXPECT_EQ(b.Box->Parent(), form.GroupBox1) << b.Caption;
  }
  EXPECT_EQ(form.GroupBox1->Caption(), " Information to print ");
  EXPECT_EQ(form.GroupBox2->Caption(), " Report title ");
  EXPECT_EQ(form.Edit1->HelpContext(), 33);
  EXPECT_EQ(form.GroupBox3->Caption(), " Page orientation ");
  EXPECT_EQ(form.RadioButton1->Caption(), "&Portrait");
  EXPECT_EQ(form.RadioButton2->Caption(), "&Landscape");
  EXPECT_TRUE(form.RadioButton1->Checked());
  EXPECT_EQ(form.BitBtn1->Caption(), "&Print!");
  EXPECT_EQ(form.BitBtn1->ModalResult(), mrOk);
  EXPECT_TRUE(form.BitBtn1->Font().Style().Contains(fsBold));
  EXPECT_EQ(form.BitBtn2->Caption(), "&Setup...");
  EXPECT_EQ(form.BitBtn3->Caption(), "&Cancel");
  EXPECT_EQ(form.BitBtn3->ModalResult(), mrCancel);

  // Shown, it works whether or not a printer answers; Origin only recommends landscape, in red.
  form.Show();
  ProcessMessages();
  EXPECT_EQ(Printer().Orientation(), poPortrait);
  EXPECT_EQ(RedPixels(*form.RadioButton2), 0);
  form.Orig->SetChecked(true);
  form.RadioButton2->Update();
  ProcessMessages();
  EXPECT_EQ(form.RadioButton2->Caption(), "Landscape (recommended)");
  EXPECT_GT(RedPixels(*form.RadioButton2), 10);
  EXPECT_TRUE(form.RadioButton1->Checked()) << "the orientation is the user's to change";
  EXPECT_EQ(Printer().Orientation(), poPortrait);
  form.Orig->SetChecked(false);
  form.RadioButton2->Update();
  ProcessMessages();
  EXPECT_EQ(form.RadioButton2->Caption(), "Landscape");
  EXPECT_EQ(RedPixels(*form.RadioButton2), 0);
  // Either radio button sets the printer's orientation.
  form.RadioButton2->SetChecked(true);
  EXPECT_EQ(Printer().Orientation(), poLandscape);
  form.RadioButton1->SetChecked(true);
  EXPECT_EQ(Printer().Orientation(), poPortrait);
  form.Hide();
}

namespace {
BOOL CALLBACK FindDialog(HWND w, LPARAM out) {
  char cls[32] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (IsWindowVisible(w) && std::string(cls) == "#32770") {
    *reinterpret_cast<HWND*>(out) = w;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindLandscape(HWND w, LPARAM out) {
  char text[64] = "";
  GetWindowTextA(w, text, sizeof text);
  LONG type = GetWindowLongA(w, GWL_STYLE) & 0x0F;
  std::string plain;
  for (const char* c = text; *c; ++c)
    if (*c != '&') plain += *c; // the dialog's own access keys (Wine: "L&andscape")
  if ((type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON) &&
      plain.find("Landscape") != std::string::npos) {
    *reinterpret_cast<HWND*>(out) = w;
    return FALSE;
  }
  return TRUE;
}

bool LandscapeFound = false;

// Works the real printer setup dialog once it shows: Landscape, then OK.
VOID CALLBACK WorkSetupDialog(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;
  KillTimer(nullptr, id);
  HWND landscape = nullptr;
  EnumChildWindows(dialog, FindLandscape, reinterpret_cast<LPARAM>(&landscape));
  LandscapeFound = landscape != nullptr;
  if (landscape) SendMessageA(landscape, BM_CLICK, 0, 0);
  SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
}
} // namespace

TEST(PrintOptions, TheRealSetupDialogMovesTheRadioButtons) {
  RequirePdfPrinter();
  TPrintParamFrm form(nullptr);
  form.Show();
  form.RadioButton1->SetChecked(true);
  ASSERT_EQ(Printer().Orientation(), poPortrait);
  TModalAnswers answers;
  answers.Push([](TModalRequest& r) {
    EXPECT_EQ(r.Kind, "TPrinterSetupDialog");
    SetTimer(nullptr, 0, 100, WorkSetupDialog);
    return mrRunModal;
  });
  form.BitBtn2->Click();
  EXPECT_EQ(answers.Asked().size(), 1u);
  EXPECT_TRUE(LandscapeFound);
  EXPECT_TRUE(form.RadioButton2->Checked());
  EXPECT_EQ(Printer().Orientation(), poLandscape);
  EXPECT_EQ(Printer().PrinterName(), "PDF");
  const DEVMODEA* mode = Printer().DevMode();
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(mode->dmOrientation, DMORIENT_LANDSCAPE);
  form.RadioButton1->SetChecked(true);
  EXPECT_EQ(Printer().DevMode()->dmOrientation, DMORIENT_PORTRAIT);
  form.Hide();
}

// --- reports ------------------------------------------------------------------------------------

class Printing : public TMainWindowFixture {
protected:
  Printing() : TMainWindowFixture("tbprinting") {}
  static std::string CheckDir() {
    return WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\printing_report\\";
  }
  void SetUp() override {
    // Jobs of an earlier run are not this run's to check.
    static bool cleared = false;
    if (!cleared) RemoveTree(CheckDir());
    cleared = true;
    RequirePdfPrinter();
    WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
    FCat = PrepareCatalogue(FDir.Path(), Titles());
    ASSERT_GE(FCat.Keys.size(), 4u);
  }
  virtual size_t Titles() const { return 6; }
  // Known durations, long enough together to pass an hour: the corpus files give none.
  void Start() {
    TMainWindowFixture::Start();
    for (size_t i = 0; i < FCat.Keys.size(); ++i)
      ASSERT_TRUE(
          FForm->DMM2()->MyDB()->SetDuration(static_cast<int32_t>(61 * i + 37), FCat.Keys[i]));
  }

  // Answers the options window: the columns ticked (by report order), the orientation and the
  // title with the token added; records the heading it was opened with.
  void Options(std::vector<bool> ticks, bool landscape, const std::string& token,
               std::function<void()> also = nullptr) {
    FAnswers.Push([=, this](TModalRequest& r) {
      auto* form = dynamic_cast<TPrintParamFrm*>(r.Form);
      EXPECT_NE(form, nullptr) << r.Kind;
      if (!form) return mrCancel;
      FHeadings.push_back(form->Edit1->Text());
      std::vector<TCheckBox*> boxes = form->ColumnBoxes();
      for (size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->SetChecked(ticks[i]);
      (landscape ? form->RadioButton2 : form->RadioButton1)->SetChecked(true);
      form->Edit1->SetText(form->Edit1->Text() + " " + token);
      if (also) also();
      return mrOk;
    });
  }
  // Leaves what the checker needs: the catalogue, the keys in order and what was asked.
  void LeaveForCheck(const std::string& token, const TStringList& keys,
                     const std::vector<bool>& ticks, bool landscape) {
    const std::string dir = CheckDir() + token + "\\";
    RemoveTree(dir);
    ForceDirectories(dir);
    WriteFileBytes(dir + "Music.dex", ReadFileBytes(FDir / "Music.dex"));
    std::string text;
    for (int i = 0; i < keys.Count(); ++i)
      text += keys[i] + "\n";
    WriteFileBytes(dir + "keys.txt", text);
    std::string columns;
    for (bool t : ticks)
      columns += t ? "1" : "0";
    WriteFileBytes(dir + "job.txt",
                   token + "\n" + columns + "\n" + (landscape ? "landscape" : "portrait") + "\n");
  }
  TStringList Keys(const std::vector<int32_t>& keys) {
    TStringList list;
    for (int32_t k : keys)
      list.Add(IntToStr(k));
    return list;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const TModalRequest& r : FAnswers.Asked())
      if (!r.Text.empty()) out.push_back(r.Text);
    return out;
  }
  void ExpectRestored() {
    EXPECT_FALSE(FForm->PrintCommands().Printing());
    EXPECT_TRUE(Probe(FForm).PrintCat()->Enabled());
    EXPECT_FALSE(Printer().Printing());
    EXPECT_FALSE(Probe(FForm).ProgressBar1()->Visible());
  }
  std::vector<std::string> FHeadings;
  const std::vector<bool> FFour{true, true, true, true, false, false, false, false, false};
  const std::vector<bool> FNine = std::vector<bool>(9, true);
};

class PrintingMany : public Printing {
protected:
  size_t Titles() const override { return 150; }
};

TEST_F(PrintingMany, OneHundredFiftyTitlesInFourColumnsOnPortraitPages) {
  Start();
  TStringList keys = Keys(FCat.Keys);
  const std::string token = Token("many");
  Options(FFour, false, token);
  FForm->PrintCommands().PrintReport("All of them", keys);
  EXPECT_TRUE(Texts().empty()) << Texts()[0];
  ExpectRestored();
  CloseAndWait();
  LeaveForCheck(token, keys, FFour, false);
}

TEST_F(Printing, AllNineColumnsLandscapeAMissingKeyAndAnUnknownDuration) {
  Start();
  const auto& k = FCat.Keys;
  ASSERT_TRUE(FForm->DMM2()->MyDB()->SetDuration(-1, k[2]));
  TStringList keys = Keys({k[0], k[1], 987654, k[2], k[3]});
  const std::string token = Token("nine");
  Options(FNine, true, token);
  FForm->PrintCommands().PrintReport("Nine columns", keys);
  EXPECT_TRUE(Texts().empty()) << Texts()[0];
  ExpectRestored();
  EXPECT_EQ(Printer().Orientation(), poLandscape);
  // On portrait paper the nine columns fit only in a smaller type: measured again and again,
  // the total stays the titles' own.
  const std::string narrow = Token("ninep");
  Options(FNine, false, narrow);
  FForm->PrintCommands().PrintReport("Nine columns narrow", keys);
  EXPECT_TRUE(Texts().empty()) << Texts()[0];
  CloseAndWait();
  LeaveForCheck(token, keys, FNine, true);
  LeaveForCheck(narrow, keys, FNine, false);
}

TEST_F(Printing, OneTitle) {
  Start();
  TStringList keys = Keys({FCat.Keys[1]});
  const std::string token = Token("one");
  Options(FFour, false, token);
  FForm->PrintCommands().PrintReport("Just one", keys);
  ExpectRestored();
  CloseAndWait();
  LeaveForCheck(token, keys, FFour, false);
}

TEST_F(Printing, CloseAndPrintCommandsDuringTheJobWaitForIt) {
  Start();
  TStringList keys = Keys(FCat.Keys);
  const std::string token = Token("close");
  bool ran = false, printingThen = false, busyThen = false;
  TMenuItem* command = Probe(FForm).Item("Allcategories5");
  TNotifyEvent original = command->OnClick;
  command->OnClick = [&](TObject* s) {
    ran = true;
    printingThen = FForm->PrintCommands().Printing();
    busyThen = FForm->CommandsDisabled(); // menus, pop-ups, grids and drops held
    original(s);
  };
  Options(FFour, false, token, [this, command] {
    // Both arrive while the job measures its table: a close and another print command.
    PostMessageA(FForm->Handle(), WM_CLOSE, 0, 0);
    PostMessageA(FForm->Handle(), WM_COMMAND, command->Command(), 0);
  });
  FForm->PrintCommands().PrintReport("Closing meanwhile", keys);
  ASSERT_NE(MasterFrm, nullptr) << "the window closed during the job";
  ProcessMessages();
  ASSERT_NE(MasterFrm, nullptr);
  std::vector<std::string> texts = Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0],
            "Tonalbrook is printing. Please close it again when the print job has ended.");
  EXPECT_TRUE(ran);
  EXPECT_TRUE(printingThen);
  EXPECT_TRUE(busyThen);
  EXPECT_FALSE(FForm->CommandsDisabled());
  EXPECT_EQ(FAnswers.Asked().size(), 2u) << "the second print command opened the options window";
  ExpectRestored();
  CloseAndWait();
  LeaveForCheck(token, keys, FFour, false);
}

TEST_F(Printing, MenuItemsHeadingsAndEnabling) {
  Start();
  // The print items sit right after the play items.
  EXPECT_EQ(Probe(FForm).Item("Albums1")->IndexOf(Probe(FForm).Item("Titlesselected11")->Parent()),
            Probe(FForm).Item("Albums1")->IndexOf(
                dynamic_cast<TMenuItem*>(FForm->FindComponent("Play1"))) +
                1);
  EXPECT_EQ(
      Probe(FForm).Item("Categories1")->IndexOf(Probe(FForm).Item("Titlesselected12")->Parent()),
      Probe(FForm)
              .Item("Categories1")
              ->IndexOf(dynamic_cast<TMenuItem*>(FForm->FindComponent("Play2"))) +
          1);
  EXPECT_FALSE(Probe(FForm).Item("Allalbums12")->Visible());
  // Each command opens the options window with its heading; cancelled, nothing prints.
  auto heading = [this](const std::function<void()>& command) {
    std::string seen = "(not asked)";
    FAnswers.Push([&seen](TModalRequest& r) {
      if (auto* f = dynamic_cast<TPrintParamFrm*>(r.Form)) seen = f->Edit1->Text();
      return mrCancel;
    });
    command();
    FAnswers.Clear();
    return seen;
  };
  EXPECT_EQ(heading([&] { Probe(FForm).Item("Allcategories5")->Click(); }), "ALL CATEGORIES");
  EXPECT_EQ(heading([&] { FForm->PrintCommands().Categoryselected1Click(nullptr); }), "(not asked)")
      << "nothing is printed for the all-titles page";
  FForm->CategoriesChange();
  EXPECT_FALSE(Probe(FForm).Item("Categoryselected1")->Enabled());
  EXPECT_TRUE(Probe(FForm).Item("Allcategories5")->Enabled());
  // Two titles selected on the all-titles page.
  TMyStringGrid* all = Probe(FForm).AllCatGrid();
  all->ClearSelection();
  FForm->CategoriesChange();
  EXPECT_FALSE(Probe(FForm).Item("Titlesselected12")->Enabled());
  all->SetRowSelected(1, true);
  all->SetRowSelected(2, true);
  FForm->CategoriesChange();
  EXPECT_TRUE(Probe(FForm).Item("Titlesselected12")->Enabled());
  EXPECT_EQ(heading([&] { Probe(FForm).Item("Titlesselected12")->Click(); }),
            "Selected titles from category: ALL CATEGORIES");
  EXPECT_EQ(heading([&] { FForm->PrintCommands().Print3Click(nullptr); }),
            "Selected titles from: ALL CATEGORIES");
  // The "Folk" page.
  Probe(FForm).Categories()->SetActivePageIndex(1);
  FForm->CategoriesChange();
  EXPECT_TRUE(Probe(FForm).Item("Categoryselected1")->Enabled());
  EXPECT_EQ(heading([&] { Probe(FForm).Item("Categoryselected1")->Click(); }), "Category: Folk");
  // The album "Evening".
  Probe(FForm).Albums()->SetActivePageIndex(1);
  FForm->AlbumsChange();
  EXPECT_TRUE(Probe(FForm).Item("Albumselected5")->Enabled());
  EXPECT_EQ(heading([&] { Probe(FForm).Item("Albumselected5")->Click(); }),
            "Custom album: Evening");
  // While a report prints, print commands do nothing.
  FForm->PrintCommands().SetPrinting(true);
  EXPECT_EQ(heading([&] { FForm->PrintCommands().Allcategories5Click(nullptr); }), "(not asked)");
  FForm->PrintCommands().SetPrinting(false);
}
