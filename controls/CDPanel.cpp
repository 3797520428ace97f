// The player's display panel and its blinking label.
#include "CDPanel.h"
#include "Guard.h"
#include <algorithm>

namespace {
constexpr int DefaultInterval = 350;
constexpr int PanelInterval = 300; // blink steps and the mode poll
constexpr TColor clPanelCyan = 0xFFFF00, clPanelYellow = 0x00FFFF, clPanelGreen = 0x008000,
                 clPanelGrey = 0x808080, clPanelSilver = 0xC0C0C0, clPanelLime = 0x00FF00,
                 clPanelTeal = 0x808000;
} // namespace

// --- TFlashLabel
// ---------------------------------------------------------------------------------------

TFlashLabel::TFlashLabel(TComponent* AOwner) : TLabel(AOwner) {
  FTimer = new TTimer(this);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(DefaultInterval);
  FTimer->OnTimer = [this](TObject*) { FlashTick(); };
  SetColor(clBlack);
  Font().SetName("Arial");
  Font().SetSize(9);
  Font().SetColor(clPanelLime);
  SetVisible(true);
}

void TFlashLabel::SetInterval(int value) {
  FTimer->SetInterval(value <= 0 ? DefaultInterval : static_cast<unsigned>(value));
}

void TFlashLabel::SetCaption(const std::string& value) {
  // Compared with the full text, not the caption: a shortened caption never equals its text,
  // and the same text given again must not restart a run.
  if (value != FFullText) {
    if (AutoSize()) TLabel::SetCaption(value);
    if (FCanFlash) StartFlash();
  }
  FFullText = value;
}

void TFlashLabel::Fit(int width) {
  if (AutoSize()) return;
  width = std::max(0, width);
  SetWidth(width);
  if (width == FFittedWidth && FFullText == FFittedText) return;
  FFittedWidth = width;
  FFittedText = FFullText;
  TBitmap probe(1, 1);
  TCanvas& c = probe.Canvas();
  c.Font().Assign(Font());
  std::string shown = FFullText;
  if (c.TextWidth(FFullText) > width) {
    std::string prefix;
    for (char ch : FFullText) {
      prefix += ch;
      if (c.TextWidth(prefix + "......") > width) break;
    }
    shown = prefix + "...";
  }
  if (shown != Caption()) TLabel::SetCaption(shown);
}

void TFlashLabel::FontChanged() {
  TLabel::FontChanged();
  FFittedWidth = -1; // another font measures differently
}

void TFlashLabel::StartFlash() {
  FTimer->SetEnabled(true);
  Font().SetColor(FOnColor);
  FTickCount = 0;
  FTickLimit = FDuration / Interval();
}

void TFlashLabel::StopFlash() {
  FTimer->SetEnabled(false);
  Font().SetColor(FOnColor);
  FTickCount = 0;
}

void TFlashLabel::FlashTick() {
  Font().SetColor(Font().Color() == FOnColor ? FOffColor : FOnColor);
  if (++FTickCount > FTickLimit) StopFlash();
}

// --- Texts
// ---------------------------------------------------------------------------------------------

std::string PanelTimeText(int seconds) {
  if (seconds < 0) seconds = 0;
  auto two = [](int n) { return (n < 10 ? "0" : "") + std::to_string(n); };
  if (seconds < 60) return "0:" + two(seconds);
  if (seconds < 3600) return std::to_string(seconds / 60) + ":" + two(seconds % 60);
  return std::to_string(seconds / 3600) + ":" + two(seconds / 60 % 60) + ":" + two(seconds % 60);
}

std::string ModeStateText(TMidiMode mode) {
  switch (mode) {
  case mdPaused:
    return "Paused";
  case mdPlaying:
    return "Playing";
  case mdStopped:
    return "Stopped";
  case mdSeeking:
    return "Seeking";
  case mdError:
    return "MIDI Error";
  default:
    return "Idle";
  }
}

// --- TCDPanelP
// -----------------------------------------------------------------------------------------

TCDPanelP::TCDPanelP(TComponent* AOwner) : TPanel(AOwner) {
  SetBevelOuter(bvNone);
  SetBevelInner(bvNone);
  SetBorderStyle(bsNoBorder);
  SetCaption("");
  SetColor(clBlack);

  FCategoryCaption = MakeLabel("Category", "Arial", clPanelSilver);
  FArtistCaption = MakeLabel("Artist", "Arial", clPanelSilver);
  FTitleCaption = MakeLabel("Title", "Arial", clPanelSilver);
  FProgramPrefix = MakeLabel("Title  ", "arial", clPanelCyan);
  FProgramMiddle = MakeLabel(" of  ", "Arial", clPanelCyan);
  FProgramSuffix = MakeLabel("  in program", "Arial", clPanelCyan);

  FCategory = MakeFlashLabel(clPanelCyan, clPanelGreen, 3000, true);
  FArtist = MakeFlashLabel(clPanelCyan, clPanelGreen, 3000, true);
  FTitle = MakeFlashLabel(clPanelCyan, clPanelGreen, 3000, true);
  FState = MakeFlashLabel(clPanelYellow, clBlack, 4000, false);
  // The program line blinks between bright and dim: its number must stay readable while it
  // tells of a new title (blinking to the panel's black, "Title  of 4" showed with no number).
  FProgramIndex = MakeFlashLabel(clPanelCyan, clPanelTeal, 4000, false);
  FProgramCount = MakeFlashLabel(clPanelCyan, clPanelTeal, 4000, false);
  FProgramStatus = MakeFlashLabel(clPanelCyan, clPanelTeal, 4000, false);
  FElapsed = MakeFlashLabel(clPanelYellow, clPanelYellow, 3000, false);
  FTotal = MakeFlashLabel(clPanelCyan, clPanelGrey, 3000, false);

  FMessageTimer = new TTimer(this);
  FMessageTimer->SetEnabled(false);
  FMessageTimer->SetInterval(8000);
  FMessageTimer->OnTimer = [this](TObject*) { FMessageTimer->SetEnabled(false); };

  FLabelsMade = true;
  ShowTuneInfo("...", "...", 0, 0, 0, 0, "No program", "...");
}

TCDPanelP::~TCDPanelP() {
  // The timers stop before the labels go, so no tick reaches a half-freed panel.
  if (FPollTimer) FPollTimer->SetEnabled(false);
  FMessageTimer->SetEnabled(false);
}

TLabel* TCDPanelP::MakeLabel(const std::string& text, const std::string& fontName, TColor color) {
  auto* l = new TLabel(this);
  l->Font().SetName(fontName);
  l->Font().SetSize(9);
  l->Font().SetColor(color);
  l->SetCaption(text);
  l->SetParent(this);
  return l;
}

TFlashLabel* TCDPanelP::MakeFlashLabel(TColor onColor, TColor offColor, int duration,
                                       bool fixedWidth) {
  auto* l = new TFlashLabel(this);
  l->Font().SetColor(onColor);
  l->SetOnColor(onColor);
  l->SetOffColor(offColor);
  l->SetDuration(duration);
  l->SetInterval(PanelInterval);
  // The font change sized the label to its line height; a fixed-width label keeps that height
  // and takes its width from the layout.
  if (fixedWidth) l->SetAutoSize(false);
  l->SetParent(this);
  return l;
}

void TCDPanelP::SetPlayer(TMyMidi* player) {
  if (player) {
    auto source = std::make_unique<TMyMidiModeSource>(*player);
    SetModeSource(source.get());
    FPlayerSource = std::move(source);
  } else {
    SetModeSource(nullptr);
    FPlayerSource.reset();
  }
}

void TCDPanelP::SetModeSource(TPlayerModeSource* source) {
  FSource = source;
  if (!FPollTimer) {
    FPollTimer = new TTimer(this);
    FPollTimer->SetEnabled(false);
    FPollTimer->SetInterval(PanelInterval);
    FPollTimer->OnTimer = [this](TObject*) { Poll(); };
  }
  FPollTimer->SetEnabled(true);
}

void TCDPanelP::ShowTuneInfo(const std::string& category, const std::string& artist,
                             int totalSeconds, int elapsedSeconds, int programCount,
                             int programIndex, const std::string& programStatus,
                             const std::string& title) {
  FCategory->SetCaption(category);
  FArtist->SetCaption(artist);
  FTitle->SetCaption(title);
  FTotal->SetCaption(PanelTimeText(totalSeconds));
  FElapsed->SetCaption(PanelTimeText(elapsedSeconds));
  FProgramCount->SetCaption(std::to_string(programCount));
  FProgramIndex->SetCaption(std::to_string(programIndex));
  FProgramStatus->SetCaption(programStatus);
  LayoutLabels();
}

void TCDPanelP::ShowStateMessage(const std::string& text, int seconds) {
  FState->SetCaption(Trim(text));
  FMessageTimer->SetEnabled(false); // a new message holds for its whole time again
  FMessageTimer->SetInterval(static_cast<unsigned>(std::max(1, seconds)) * 1000);
  FMessageTimer->SetEnabled(true);
  LayoutLabels();
}

void TCDPanelP::StartFlashing() {
  for (TFlashLabel* l : {FState, FProgramIndex, FProgramCount, FProgramStatus})
    l->SetCanFlash(true);
}

void TCDPanelP::Poll() {
  std::string text = "Idle";
  if (FSource) {
    // A player that cannot even answer its mode shows as an error; the poll raises nothing.
    try {
      if (FSource->Repositioning())
        text = FState->Caption();
      else
        text = ModeStateText(FSource->Mode());
    } catch (const std::exception&) {
      text = ModeStateText(mdError);
    }
  }
  if (text != FState->Caption() && !FMessageTimer->Enabled()) FState->SetCaption(Trim(text));
  LayoutLabels();
}

std::string TCDPanelP::ShownText() const {
  const std::string& status = FProgramStatus->FullText();
  std::string program = status.empty() ? "Title " + FProgramIndex->Caption() + " of " +
                                             FProgramCount->Caption() + " in program"
                                       : status;
  return "Category: " + FCategory->FullText() + "\r\nArtist: " + FArtist->FullText() +
         "\r\nTitle: " + FTitle->FullText() + "\r\n" + program + "\r\n" + FState->Caption() +
         "\r\n" + FElapsed->Caption() + " of " + FTotal->Caption() + "\r\n";
}

void TCDPanelP::WndProc(TMessage& message) {
  // Asked from another thread or program only: the panel's own caption stays empty, as it paints.
  if ((message.Msg == WM_GETTEXT || message.Msg == WM_GETTEXTLENGTH) && FLabelsMade &&
      InSendMessage()) {
    message.Result = AnswerTextMessage(message, ShownText());
    return;
  }
  TPanel::WndProc(message);
}

void TCDPanelP::Resize() {
  TPanel::Resize();
  LayoutLabels();
}

void TCDPanelP::LayoutLabels() {
  if (!FLabelsMade) return;
  const int w = Width();
  const int right = w - 10;
  auto placeRight = [](TControl* c, int rightEdge, int top) {
    c->SetBounds(rightEdge - c->Width(), top, c->Width(), c->Height());
  };
  auto place = [](TControl* c, int left, int top) {
    c->SetBounds(left, top, c->Width(), c->Height());
  };

  // The labels' fonts are set in points: on a screen of more dots per inch their lines grow
  // taller and the captions wider, so the rows and the value column make room for them.
  const int row = std::max(16, FCategoryCaption->Height());
  const int captionLeft = 10, captionGap = 5;
  const int valueLeft =
      captionLeft + captionGap +
      std::max({50, FCategoryCaption->Width(), FArtistCaption->Width(), FTitleCaption->Width()});
  place(FCategoryCaption, captionLeft, 3);
  place(FArtistCaption, captionLeft, FCategoryCaption->Top() + row);
  place(FTitleCaption, captionLeft, FArtistCaption->Top() + row);
  place(FCategory, valueLeft, FCategoryCaption->Top());
  place(FArtist, valueLeft, FArtistCaption->Top());
  place(FTitle, valueLeft, FTitleCaption->Top());

  placeRight(FState, right, 3);

  const int programTop = FState->Top() + row;
  const bool status = !FProgramStatus->FullText().empty();
  FProgramStatus->SetVisible(status);
  for (TControl* c : std::initializer_list<TControl*>{FProgramPrefix, FProgramIndex, FProgramMiddle,
                                                      FProgramCount, FProgramSuffix})
    c->SetVisible(!status);
  if (status) {
    placeRight(FProgramStatus, right, programTop);
  } else {
    int edge = right;
    for (TControl* c : std::initializer_list<TControl*>{
             FProgramSuffix, FProgramCount, FProgramMiddle, FProgramIndex, FProgramPrefix}) {
      placeRight(c, edge, programTop);
      edge = c->Left();
    }
  }

  const int timesTop = FState->Top() + 2 * row;
  placeRight(FTotal, right, timesTop);
  placeRight(FElapsed, FTotal->Left() - 20, timesTop);

  FTitle->Fit(FElapsed->Left() - 20 - FTitle->Left());
  FArtist->Fit((status ? FProgramStatus->Left() : FProgramPrefix->Left()) - 20 - FArtist->Left());
  FCategory->Fit(FState->Left() - 20 - FCategory->Left());
}
