// The program's end while a mail is on its way: a main window over a prepared catalogue, the mail
// window as the program makes it, and Windows ending the session during a transfer to a server
// that never answers.
#include "../mail/MailTestUtil.h"
#include "IniFiles.h"
#include "MailServices.h"
#include "MainWindowFixture.h"
#include "smtpmainD2.h"

namespace {

class MailShutdown : public TMainWindowFixture {
protected:
  MailShutdown() : TMainWindowFixture("tbmailshutdown") {}
  void TearDown() override {
    delete Mail;
    MailWindowHost = nullptr;
    TMainWindowFixture::TearDown();
  }
  TMailForm* Mail = nullptr;
};

} // namespace

TEST_F(MailShutdown, TheSessionEndingDuringATransferCancelsItSavesAndEnds) {
  Start();
  InstallMailServices();
  Mail = new TMailForm(nullptr);
  Mail->AfterConstruction();
  Mail->msSMTP1->SetTimeOut(30);
  Mail->msMessage1->Sender().SetAddress("me@example.com");
  Mail->Show();
  TStringList keys;
  keys.Add(IntToStr(FCat.Keys[0]));
  Mail->AttachTitles(keys);
  ASSERT_EQ(Mail->ListView1->ItemCount(), 1);
  Mail->ToEdit->SetText("a@x.test");
  // The send's setup question first (no dial-up entry): it names the silent server.
  FAnswers.Push([](TModalRequest& request) {
    if (auto* server = dynamic_cast<TEdit*>(request.Form->FindComponent("ServerEdit")))
      server->SetText(PeerServer("silence"));
    return static_cast<int>(mrOk);
  });
  bool busyThen = false, hiddenAfter = false;
  TOneShot end(1000, [&] {
    busyThen = Mail->Busy();
    SendMessageA(FForm->Handle(), WM_QUERYENDSESSION, 0, 0);
    SendMessageA(FForm->Handle(), WM_ENDSESSION, TRUE, 0);
    hiddenAfter = !Mail->Visible();
  });
  Mail->StatusLog.clear();
  Mail->SendButton->Click();
  std::string seen;
  for (const std::string& t : Mail->StatusLog)
    seen += t + " | ";
  EXPECT_TRUE(busyThen) << seen;
  EXPECT_TRUE(hiddenAfter);
  // The transfer ended by the cancel, not by its time-out, and the window is idle again.
  bool canceled = false, timedOut = false;
  for (const std::string& t : Mail->StatusLog) {
    canceled |= t == "Operation has been cancelled";
    timedOut |= t.find("timed out") != std::string::npos;
  }
  EXPECT_TRUE(canceled) << seen;
  EXPECT_FALSE(timedOut) << seen;
  EXPECT_FALSE(Mail->Busy());
  EXPECT_NE(Mail->StatusLog.back(), "Mail sent");
  // The mail keys went into the program's settings file beside the main window's.
  TIniFile ini(FDir / "Tonalbrook.ini");
  EXPECT_EQ(ini.ReadString("Setup", "Server", ""), PeerServer("silence"));
  EXPECT_EQ(ini.ReadString("Setup", "EMail Address", ""), "me@example.com");
  EXPECT_TRUE(ini.ValueExists("Setup", "AutoLooping"));
}
