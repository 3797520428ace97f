// A stand-in for the main window's services, so that a command group is made and tested without
// the window: it records the boxes, status, progress and busy state the group asks for.
#pragma once
#include <string>
#include <vector>
#include "MainServices.h"

class TStandInServices : public TMainServices, public TBusyHolder {
public:
  struct TBox {
    std::string Text;
    TMessageKind Kind;
    TMessageButtons Buttons;
  };
  std::vector<TBox> Boxes;
  // Every box is closed with this answer.
  TMessageAnswer Answer = TMessageAnswer::OK;
  // The progress bar as the group left it, and each step it took ("start N", "at N", "done").
  bool ProgressShown = false;
  std::vector<std::string> Progress;
  std::string Status;
  bool BusyCursor = false;
  int BusyDepth = 0, BusyBegun = 0;
  int Repaints = 0, Beeps = 0, Centred = 0;
  bool IsClosed = false, IsLoading = false;
  int ImportDepth = 0;
  TCommandGate Gate;

  TMessageAnswer ShowMessageBox(const std::string& text, TMessageKind kind, int,
                                TMessageButtons buttons) override {
    Boxes.push_back({text, kind, buttons});
    return Answer;
  }
  void Beep() override { ++Beeps; }
  void SetStatus(const std::string& text, bool) override { Status = text; }
  void ProgressStart(int max) override {
    ProgressShown = true;
    Progress.push_back("start " + std::to_string(max));
  }
  void ProgressPosition(int position) override {
    Progress.push_back("at " + std::to_string(position));
  }
  void ProgressDone() override {
    ProgressShown = false;
    Progress.push_back("done");
  }
  void SetBusyCursor(bool busy) override { BusyCursor = busy; }
  void RepaintMain() override { ++Repaints; }
  void CenterOverMainWindow(TControl&) override { ++Centred; }
  TCentre Centre() const override { return {400, 300}; }
  TBusyHolder& Busy() override { return *this; }
  bool CommandsDisabled() const override { return BusyDepth > 0; }
  TCommandGate& CommandGate() override { return Gate; }
  bool Closed() const override { return IsClosed; }
  bool Loading() const override { return IsLoading; }
  bool Importing() const override { return ImportDepth > 0; }
  void EnterImport() override { ++ImportDepth; }
  void LeaveImport() override { --ImportDepth; }
  void RunImportPump() override {}

  void BeginBusy() override {
    ++BusyDepth;
    ++BusyBegun;
  }
  void EndBusy() override { --BusyDepth; }
};
