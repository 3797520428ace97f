// Dial-up networking against a stand-in library that posts dialling states and records calls,
// and one look at Wine's own library.
#include "Dialogs.h"
#include "MailTestUtil.h"
#include "agRasCmp.h"
#include "agsocket.h"
#include "mssmtp.h"
#include <gtest/gtest.h>
#include <windows.h>

namespace {
// A component whose Service is set through its setter, as the setup dialog does.
std::unique_ptr<TagRas> Ras(const std::string& service) {
  auto ras = std::make_unique<TagRas>(nullptr);
  ras->SetPassword("pw");
  ras->SetService(service);
  return ras;
}
} // namespace

class Dialup : public testing::Test {
protected:
  TRasStub Stub;
  TModalAnswers Answers;
};

TEST_F(Dialup, StandInIsBuiltBesideTheTests) {
  ASSERT_TRUE(Stub.Loaded());
}

TEST_F(Dialup, EmptyServiceDialsNothingAndHangsUpNothing) {
  Stub.Setup("entries=Office");
  auto ras = Ras("");
  ras->Dial();
  EXPECT_TRUE(ras->IsConnected());
  EXPECT_FALSE(ras->DialledHere());
  ras->HangUp();
  EXPECT_FALSE(Stub.Called("RasDialA"));
  EXPECT_FALSE(Stub.Called("RasHangUpA"));
}

TEST_F(Dialup, ServiceSetterRefusesWithItsMessagesAndKeepsTheFormerValue) {
  Stub.Setup("");
  auto none = Ras("Office");
  EXPECT_EQ(none->Service(), "");
  Stub.Setup("entries=Office,Home;states=8192");
  auto ras = Ras("Nowhere");
  EXPECT_EQ(ras->Service(), "");
  ras->SetService("Office");
  EXPECT_EQ(ras->Service(), "Office");
  ras->Dial();
  ras->SetService("Home");
  EXPECT_EQ(ras->Service(), "Office");
  ASSERT_EQ(Answers.Asked().size(), 3u);
  EXPECT_EQ(Answers.Asked()[0].Text, "TagRas component was unable to detect\rRAS on your system.");
  EXPECT_EQ(Answers.Asked()[1].Text, "Invalid service name");
  EXPECT_EQ(Answers.Asked()[2].Text,
            "This property can be set only before\restablishing the connection");
}

TEST_F(Dialup, DialStoresThePasswordReportsStatesAndHangsUpWhatItDialled) {
  Stub.Setup("entries=Office;states=0,1,5,14,21,8192");
  auto ras = Ras("Office");
  std::vector<std::string> states;
  ras->OnStatusChange = [&](TObject*, const std::string& s) { states.push_back(s); };
  int disconnected = 0;
  ras->OnDisconnected = [&](TObject*) { ++disconnected; };
  ras->Dial();
  EXPECT_TRUE(ras->IsConnected());
  EXPECT_TRUE(ras->DialledHere());
  EXPECT_EQ(states, (std::vector<std::string>{"Opening the port", "Connecting the device",
                                              "Checking the user name and password",
                                              "Waiting for a call back", "Registering the computer",
                                              "Connected"}));
  EXPECT_TRUE(Stub.Called("RasGetEntryDialParamsA Office size=1052"));
  EXPECT_TRUE(Stub.Called("RasSetEntryDialParamsA Office password=pw remove=1"));
  EXPECT_TRUE(Stub.Called("RasDialA Office password=pw notifier=4294967295"));
  ras->HangUp();
  EXPECT_TRUE(Stub.Called("RasHangUpA 30583"));
  EXPECT_EQ(disconnected, 1);
}

TEST_F(Dialup, SavedPasswordIsDialledWithoutTouchingPassword) {
  Stub.Setup("entries=Office;saved=1;states=8192");
  auto ras = Ras("Office");
  ras->Dial();
  EXPECT_FALSE(Stub.Called("RasSetEntryDialParamsA"));
  EXPECT_TRUE(Stub.Called("RasDialA Office password=saved-secret"));
}

TEST_F(Dialup, ConnectionAlreadyUpIsUsedAndNeverHungUp) {
  // Another entry's connection with an address, when any connection will do.
  Stub.Setup("entries=Office,Other;conn=Other/10.0.0.2;states=8192");
  auto any = Ras("Office");
  any->SetForceService(false);
  any->Dial();
  EXPECT_TRUE(any->IsConnected());
  EXPECT_FALSE(any->DialledHere());
  any->HangUp();
  // The chosen entry's own connection, even when the service is forced.
  Stub.Setup("entries=Office;conn=Office/");
  auto same = Ras("Office");
  same->Dial();
  same->Disconnect();
  EXPECT_FALSE(Stub.Called("RasDialA"));
  EXPECT_FALSE(Stub.Called("RasHangUpA"));
  // A forced service does not take another entry's connection.
  Stub.Setup("entries=Office,Other;conn=Other/10.0.0.2;states=8192");
  auto forced = Ras("Office");
  forced->Dial();
  EXPECT_TRUE(forced->DialledHere());
}

TEST_F(Dialup, ErrorsOfTheLibraryHangUpAndCarryItsText) {
  Stub.Setup("entries=Office;stateerror=1:678");
  auto ras = Ras("Office");
  EXPECT_EQ(ErrorOf<ERASError>([&] { ras->Dial(); }), "Stub dial-up error 678");
  EXPECT_TRUE(Stub.Called("RasHangUpA 30583"));
  Stub.Setup("entries=Office;dialerror=633");
  auto refused = Ras("Office");
  EXPECT_EQ(ErrorOf<ERASError>([&] { refused->Dial(); }), "Stub dial-up error 633");
  EXPECT_TRUE(Stub.Called("RasHangUpA"));
  Stub.Setup("entries=Office;enumerror=610");
  auto noList = Ras("Office");
  EXPECT_EQ(ErrorOf<ERASError>([&] { noList->Dial(); }), "Stub dial-up error 610");
}

TEST_F(Dialup, DiallingWaitTimesOutOrIsCanceled) {
  Stub.Setup("entries=Office");
  auto ras = Ras("Office");
  ras->SetTimeOut(1);
  EXPECT_EQ(ErrorOf<ETimedOutError>([&] { ras->Dial(); }), "Operation timed out");
  EXPECT_TRUE(Stub.Called("RasHangUpA"));
  Stub.Setup("entries=Office");
  ras->SetTimeOut(30);
  TOneShot cancel(300, [&] { ras->Disconnect(); });
  EXPECT_EQ(ErrorOf<ECanceledError>([&] { ras->Dial(); }), "Operation has been cancelled");
}

TEST_F(Dialup, FailedOpenOfTheSocketHangsUpWhatWasDialledForIt) {
  Stub.Setup("entries=Office;states=8192");
  auto ras = Ras("Office");
  TmsSMTP smtp(nullptr);
  smtp.SetWinsockLoaded(true);
  smtp.SetRAS(ras.get());
  smtp.SetServer(PeerServer("refused"));
  TmsMessage message(nullptr);
  message.Sender().SetAddress("me@example.com");
  message.Recipients().Add("you@example.com");
  smtp.SetMailMessage(&message);
  EXPECT_EQ(ErrorOf<ESocketError>([&] { smtp.Send(); }), "[10061] Connection refused");
  EXPECT_TRUE(Stub.Called("RasDialA Office"));
  EXPECT_TRUE(Stub.Called("RasHangUpA 30583"));
  EXPECT_FALSE(ras->IsConnected());
}

TEST(DialupWine, WinesOwnLibraryListsNoEntriesAndDialsNothing) {
  TModalAnswers answers;
  TagRas ras(nullptr);
  EXPECT_TRUE(ras.LibraryLoaded());
  EXPECT_EQ(ras.GetEntries().Count(), 0);
  ras.SetService("Office");
  EXPECT_EQ(ras.Service(), "");
  ASSERT_EQ(answers.Asked().size(), 1u);
  EXPECT_EQ(answers.Asked()[0].Text, "TagRas component was unable to detect\rRAS on your system.");
  ras.Dial();
  EXPECT_FALSE(ras.DialledHere());
}
