// The SMTP client against aiosmtpd and against scripted servers that misbehave one way each.
#include "Dialogs.h"
#include "MailTestUtil.h"
#include "Registry.h"
#include "agRasCmp.h"
#include "mssmtp.h"
#include <gtest/gtest.h>
#include <set>
#include <windows.h>

namespace {

// Names of the files the temporary folder holds that begin with "ms" and end in ".tmp".
std::set<std::string> TempMessageFiles() {
  std::set<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((TempFolder() + "ms*.tmp").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return names;
  do
    names.insert(data.cFileName);
  while (FindNextFileA(h, &data));
  FindClose(h);
  return names;
}

// The n-th message aiosmtpd received in this run ("0001"...), waiting briefly for its files.
std::string Received(int n, const char* ext) {
  std::string path = PeersDir() + "received\\" + Format("%04d", n) + ext;
  PumpUntil([&] { return FileExists(PeersDir() + "received\\" + Format("%04d.json", n)); }, 5000);
  return FileText(path);
}

int ReceivedCount() {
  int n = 0;
  while (FileExists(PeersDir() + "received\\" + Format("%04d.json", n + 1)))
    ++n;
  return n;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// What a scripted server noted of its last session, line by line.
std::string Transcript(const std::string& server) {
  std::string log = FileText(PeersDir() + server + ".log");
  size_t last = log.rfind("CONNECT\n");
  return last == std::string::npos ? log : log.substr(last);
}

class Smtp : public testing::Test {
protected:
  void SetUp() override {
    Client.SetWinsockLoaded(true);
    Client.SetTimeOut(10);
    Client.SetMailMessage(&Message);
    Message.Sender().SetAddress("me@example.com");
    Message.Sender().SetName("Me Myself");
    Message.Recipients().Add("you@example.com");
    Message.SetSubject("Tunes");
    Message.Body().Add("Hello");
    Client.OnError = [this](TObject*, std::string& msg) { Errors.push_back(msg); };
  }
  TmsMessage Message{nullptr};
  TmsSMTP Client{nullptr};
  std::vector<std::string> Errors;
};
} // namespace

TEST_F(Smtp, AiosmtpdGetsTheEnvelopeInOrderAndTheDataAsSaved) {
  std::set<std::string> tempBefore = TempMessageFiles();
  std::string dir = CheckDir("mail_smtp");
  std::string mid = dir + "sent_song.mid";
  WriteFileBytes(mid, "MThd" + Pattern(4060, 11)); // 4,064 bytes: a last uuencoded line of 14
  Message.Recipients().Clear();
  Message.Recipients().Add("r1@example.com");
  Message.Recipients().Add("Two <r2@example.com>");
  Message.CC().Add("c1@example.com");
  Message.BCC().Add("b1@example.com");
  Message.Body().Clear();
  for (const char* line : {".", "..", ".x", "plain", "...", ". "})
    Message.Body().Add(line);
  Message.Attachments().Add(mid);
  std::vector<std::string> events;
  std::string encoded;
  Client.OnConnected = [&](TObject*) { events.push_back("connected"); };
  Client.OnPrepare = [&](TObject*) { events.push_back("prepare"); };
  Client.OnSending = [&](TObject* sender) {
    events.push_back("sending");
    TStream* s = static_cast<TmsSMTP*>(sender)->EncodedStream();
    encoded.resize(static_cast<size_t>(s->Size()));
    s->SetPosition(0);
    s->ReadBuffer(encoded.data(), static_cast<int32_t>(encoded.size()));
  };
  Client.OnMailSent = [&](TObject*) { events.push_back("sent"); };
  Client.OnClosed = [&](TObject*) { events.push_back("closed"); };
  int progressCalls = 0;
  Client.OnProgress = [&](TObject*, int, int) { ++progressCalls; };
  Client.SetServer(PeerServer("aiosmtpd"));
  int before = ReceivedCount();
  Client.Send();
  EXPECT_EQ(events,
            (std::vector<std::string>{"connected", "prepare", "sending", "sent", "closed"}));
  EXPECT_GE(progressCalls, 2);
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Received(before + 1, ".json"),
            "{\"mail_from\": \"me@example.com\", \"rcpt_tos\": [\"r1@example.com\", "
            "\"r2@example.com\", \"c1@example.com\", \"b1@example.com\"]}");
  std::string arrived = Received(before + 1, ".eml");
  EXPECT_EQ(arrived, encoded + "\r\n");
  WriteFileBytes(dir + "mime.eml", arrived);

  // The same file uuencoded: its last line of 14 bytes begins with ".".
  Message.SetEncoding(meUU);
  Client.Send();
  std::string uu = Received(before + 2, ".eml");
  size_t lastLine = uu.rfind("\r\n", uu.find("\r\n`\r\nend\r\n") - 1) + 2;
  EXPECT_EQ(uu[lastLine], '.');
  WriteFileBytes(dir + "uu.eml", uu);
  EXPECT_EQ(TempMessageFiles(), tempBefore);
}

TEST_F(Smtp, LogKeepsTheExchangeWithoutTheBody) {
  TScratchDir scratch("smtplog");
  std::string path = scratch / "smtp.log";
  {
    TmsSMTP client(nullptr);
    client.SetWinsockLoaded(true);
    Message.Body().Clear();
    Message.Body().Add("The words of the body");
    client.SetMailMessage(&Message);
    client.SetServer(PeerServer("helobare"));
    client.SetLogFileName(path);
    client.Send();
  }
  std::string log = ReadFileBytes(path);
  EXPECT_EQ(log.find("220-scripted helobare ready\r\n220 and waiting\r\nHELO "), 0u) << log;
  EXPECT_NE(log.find("\r\n501 Give no name\r\nHELO\r\n250 Hello\r\nMAIL FROM:<me@example.com>\r\n"),
            std::string::npos);
  EXPECT_NE(log.find("\r\nDATA\r\n354 Go ahead\r\nSuppressing the message body\r\n\r\n.\r\n"
                     "250 Taken\r\nQUIT\r\n221 Bye\r\n"),
            std::string::npos);
  EXPECT_EQ(log.find("The words of the body"), std::string::npos);
}

TEST_F(Smtp, GreetingEndingInTheBareCodeIsReadWhole) {
  Client.SetServer(PeerServer("greetbare"));
  Client.SetTimeOut(30);
  Client.Send();
  EXPECT_NE(Transcript("greetbare").find("END DATA\nQUIT\n"), std::string::npos);
}

TEST_F(Smtp, RejectedRecipientIsSkippedWhenTheHandlerProceeds) {
  Message.Recipients().Add("bad@example.com");
  Message.CC().Add("good@example.com");
  std::vector<std::string> rejected;
  Client.OnAddressRejected = [&](TObject*, const std::string& address, const std::string& reply,
                                 bool& proceed) {
    rejected.push_back(address + " / " + reply);
    proceed = true;
  };
  Client.SetServer(PeerServer("rcpt"));
  Client.Send();
  EXPECT_EQ(rejected, std::vector<std::string>{"bad@example.com / 550 No such user here"});
  EXPECT_NE(Transcript("rcpt").find("RCPT TO:<you@example.com>\nRCPT TO:<bad@example.com>\n"
                                    "RCPT TO:<good@example.com>\nDATA\nEND DATA\nQUIT\n"),
            std::string::npos);
}

TEST_F(Smtp, NegativeRepliesEndTheTransactionWithTheServersTextAndQuitIsSent) {
  struct TCase {
    const char* Server;
    const char* Text;
  };
  for (TCase t :
       {TCase{"rcpt", "550 No such user here"}, TCase{"data250", "250 Not what you expected"},
        TCase{"dot554", "554 Transaction failed"}}) {
    Message.Recipients().Clear();
    Message.Recipients().Add("you@example.com");
    if (std::string(t.Server) == "rcpt") Message.Recipients().Add("bad@example.com");
    Client.SetServer(PeerServer(t.Server));
    EXPECT_EQ(ErrorOf<EServerError>([&] { Client.Send(); }), t.Text) << t.Server;
    EXPECT_FALSE(Client.Connected());
    std::string log = Transcript(t.Server);
    EXPECT_TRUE(EndsWith(log, "\nQUIT\n")) << t.Server << log;
    if (std::string(t.Server) != "dot554") {
      EXPECT_EQ(log.find("END DATA"), std::string::npos);
    }
  }
}

TEST_F(Smtp, ServerThatHangsUpBeforeQuitHasStillTakenTheMail) {
  int sent = 0;
  Client.OnMailSent = [&](TObject*) { ++sent; };
  Client.SetServer(PeerServer("quitdrop"));
  Client.Send();
  EXPECT_EQ(sent, 1);
  EXPECT_FALSE(Client.Connected());
  EXPECT_NE(Transcript("quitdrop").find("DATA\nEND DATA\n"), std::string::npos);
}

TEST_F(Smtp, HeloWithANameRefusedThenBareHeloTaken) {
  Client.SetServer(PeerServer("helobare"));
  Client.Send();
  std::string log = Transcript("helobare");
  EXPECT_NE(
      log.find("CONNECT\nHELO " + Client.LocalHost() + "\nHELO\nMAIL FROM:<me@example.com>\n"),
      std::string::npos)
      << log;
}

TEST_F(Smtp, DroppedConnectionSilenceAndCancelEndTheSend) {
  Client.SetServer(PeerServer("dropmail"));
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.Send(); }), "[10054] Connection reset by peer");
  EXPECT_FALSE(Client.Connected());

  Client.SetServer(PeerServer("silence"));
  Client.SetTimeOut(2);
  EXPECT_EQ(ErrorOf<ETimedOutError>([&] { Client.Send(); }), "Operation timed out");
  EXPECT_FALSE(Client.Connected());

  Client.SetTimeOut(30);
  TOneShot cancel(1000, [&] { Client.Cancel(); });
  EXPECT_EQ(ErrorOf<ECanceledError>([&] { Client.Send(); }), "Operation has been cancelled");
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Errors.back(), "Operation has been cancelled");
}

TEST_F(Smtp, RefusedGreetingClosesAndHangsUpAndTheNextSendStartsAfresh) {
  HMODULE stub = LoadLibraryA("tbrasstub.dll");
  ASSERT_TRUE(stub);
  SetRasLibraryName("tbrasstub.dll");
  reinterpret_cast<void(WINAPI*)(const char*)>(
      reinterpret_cast<void*>(GetProcAddress(stub, "StubSetup")))("entries=Office;states=8192");
  {
    TModalAnswers answers;
    TagRas ras(nullptr);
    ras.SetService("Office");
    Client.SetRAS(&ras);
    Client.SetServer(PeerServer("greet554"));
    EXPECT_EQ(ErrorOf<EServerError>([&] { Client.Send(); }), "554 No service here");
    EXPECT_FALSE(Client.Connected());
    EXPECT_FALSE(ras.IsConnected());
    std::vector<char> calls(4096);
    reinterpret_cast<void(WINAPI*)(char*, int)>(
        reinterpret_cast<void*>(GetProcAddress(stub, "StubCalls")))(calls.data(), 4096);
    EXPECT_NE(std::string(calls.data()).find("RasHangUpA"), std::string::npos);

    int before = ReceivedCount();
    Client.SetServer(PeerServer("aiosmtpd"));
    Client.Send();
    EXPECT_FALSE(Received(before + 1, ".json").empty());
    Client.SetRAS(nullptr);
  }
  SetRasLibraryName("rasapi32.dll");
  FreeLibrary(stub);
}

TEST_F(Smtp, MissingServerMessageOrSenderAreReportedBeforeAnyMail) {
  std::set<std::string> tempBefore = TempMessageFiles();
  Client.SetServer("");
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.Send(); }), "Server property is required");
  EXPECT_EQ(Errors, std::vector<std::string>{"Server property is required"});

  Client.SetServer(PeerServer("aiosmtpd"));
  Client.SetMailMessage(nullptr);
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.Send(); }), "MailMessage property must be assigned");
  EXPECT_FALSE(Client.Connected());

  Client.SetMailMessage(&Message);
  Message.Sender().SetAddress("");
  Errors.clear();
  int before = ReceivedCount();
  Client.SetServer(PeerServer("helobare"));
  EXPECT_EQ(ErrorOf<EMessageError>([&] { Client.Send(); }), "The address of sender is required");
  EXPECT_TRUE(Errors.empty());
  EXPECT_EQ(ReceivedCount(), before);
  std::string log = Transcript("helobare");
  EXPECT_TRUE(EndsWith(log, "\nHELO\nQUIT\n")) << log;
  EXPECT_EQ(TempMessageFiles(), tempBefore);
}

TEST_F(Smtp, LinesTooLongForTheWireAreBrokenOrEncodedAndArriveWhole) {
  // Words, then one run without a blank: both longer than a wire line may be.
  std::string words, run(1500, 'r');
  for (int i = 0; words.size() < 2400; ++i)
    words += "word" + IntToStr(i) + " ";
  Message.SetEncoding(meUU);
  Message.Body().Clear();
  for (const std::string& line : {std::string("short"), words, run, std::string("end")})
    Message.Body().Add(line);
  Client.SetServer(PeerServer("aiosmtpd"));
  int before = ReceivedCount();
  Client.Send();
  std::string uu = Received(before + 1, ".eml");
  size_t start = uu.find("\r\n\r\n") + 4;
  std::string joined;
  for (size_t at = start; at < uu.size();) {
    size_t end = uu.find("\r\n", at);
    EXPECT_LE(end - at, 998u);
    joined += uu.substr(at, end - at);
    at = end + 2;
  }
  EXPECT_EQ(joined, "short" + words + run + "end");

  // As MIME: a 7bit file of long lines and a long extra header, read back by mail_smtp.py.
  TRegistry reg;
  reg.SetRootKey(HKeyClassesRoot());
  ASSERT_TRUE(reg.OpenKey("\\.eml", true));
  reg.WriteString("Content Type", "message/rfc822");
  std::string dir = CheckDir("mail_smtp");
  WriteFileBytes(dir + "long_lines.eml", "Subject: long\r\n\r\n" + words + "\r\n" + run + "\r\n");
  Message.SetEncoding(meMIME);
  Message.Attachments().Add(dir + "long_lines.eml");
  Message.Headers().Add("X-Long: " + words);
  WriteFileBytes(dir + "long_header.txt", words);
  Client.Send();
  std::string mime = Received(before + 2, ".eml");
  for (size_t at = 0, end; (end = mime.find("\r\n", at)) != std::string::npos; at = end + 2)
    EXPECT_LE(end - at, 998u);
  WriteFileBytes(dir + "long_mime.eml", mime);
}

TEST_F(Smtp, BareLineBreaksInTheBodyBecomeWireLinesWithTheirDotsDoubled) {
  Message.SetEncoding(meUU);
  Message.Body().Clear();
  for (const char* line : {"a\r.b", "c\n.d", ".e", "f\r\n.g"})
    Message.Body().Add(line);
  Client.SetServer(PeerServer("rawdata"));
  Client.Send();
  std::string raw = FileText(PeersDir() + "rawdata.bin");
  size_t start = raw.find("\r\n\r\n");
  ASSERT_NE(start, std::string::npos) << raw;
  EXPECT_EQ(raw.substr(start + 4), "a\r\n..b\r\nc\r\n..d\r\n..e\r\nf\r\n..g\r\n\r\n");
}

TEST_F(Smtp, RepliesThatNeverEndAreCutByTheirDeadlineOrTheirSize) {
  struct TCase {
    const char* Server;
    const char* Error;
  };
  Client.SetTimeOut(2);
  for (TCase t : {TCase{"trickle", "Operation timed out"}, TCase{"endless", "Operation timed out"},
                  TCase{"flood", "The server's reply is too long"}}) {
    Errors.clear();
    Client.SetServer(PeerServer(t.Server));
    // Only a client that never gives up meets this bound.
    TOneShot cancel(20000, [&] { Client.Cancel(); });
    std::string error;
    try {
      Client.Send();
    } catch (const Exception& e) {
      error = e.Message();
    }
    EXPECT_EQ(error, t.Error) << t.Server;
    EXPECT_EQ(Errors, std::vector<std::string>{t.Error}) << t.Server;
    EXPECT_FALSE(Client.Connected());
    EXPECT_EQ(Transcript(t.Server).find("HELO"), std::string::npos) << t.Server;
  }
}

TEST_F(Smtp, AddressMistakesAreNamedBeforeAnythingConnects) {
  std::string before = FileText(PeersDir() + "count.log");
  Client.SetServer(PeerServer("count"));
  struct TCase {
    const char* Typed;
    const char* Named;
  };
  for (TCase t :
       {TCase{"a@x.test, b@y.test", "a@x.test, b@y.test"},
        TCase{"a@x.test,b@y.test", "a@x.test,b@y.test"},
        TCase{"Ann <ann@x.test", "Ann <ann@x.test"},
        TCase{"Ann <Lee> <ann@x.test>", "Ann <Lee> <ann@x.test>"}, TCase{"Ann Lee", "Ann Lee"}}) {
    Message.Recipients().Clear();
    Message.Recipients().Add(t.Typed);
    Errors.clear();
    std::string text = std::string("Invalid e-mail address: ") + t.Named;
    EXPECT_EQ(ErrorOf<EMessageError>([&] { Client.Send(); }), text) << t.Typed;
    EXPECT_EQ(Errors, std::vector<std::string>{text}) << t.Typed;
  }
  Message.Recipients().Clear();
  Message.Recipients().Add("you@example.com");
  Message.Sender().SetAddress("me;you@example.com");
  EXPECT_EQ(ErrorOf<EMessageError>([&] { Client.Send(); }),
            "Invalid e-mail address: me;you@example.com");
  EXPECT_EQ(FileText(PeersDir() + "count.log"), before); // no connection was made

  // A display name in quotes may hold brackets; the envelope takes the address alone.
  Message.Sender().SetAddress("me@example.com");
  Message.Recipients().Clear();
  Message.Recipients().Add("\"Ann <Lee>\" <ann@x.test>");
  Client.Send();
  std::string log = Transcript("count");
  EXPECT_NE(log.find("MAIL FROM:<me@example.com>\nRCPT TO:<ann@x.test>\nDATA\n"), std::string::npos)
      << log;
}

TEST_F(Smtp, AttachmentsPastTheLimitAreRefusedBeforeLoadingOrConnecting) {
  TScratchDir dir("bigatt");
  auto sparse = [&](const std::string& name, int64_t size) {
    std::string path = dir / name;
    EXPECT_TRUE(MakeSparseFile(path, size)) << name;
    return path;
  };
  const char* tail = " is too large to attach: a mail carries at most 64 MB of attachments";
  // 4 GiB and 10 bytes, once taken as 10 bytes.
  std::string huge = sparse("huge.bin", (int64_t(4) << 30) + 10);
  EXPECT_EQ(ErrorOf<EMessageError>([&] { Message.Attachments().Add(huge); }),
            std::string("huge.bin") + tail);
  std::string over = sparse("over.bin", (int64_t(64) << 20) + 1);
  EXPECT_EQ(ErrorOf<EMessageError>([&] { Message.Attachments().Add(over); }),
            std::string("over.bin") + tail);
  // Together past the limit: the file that would pass it is named.
  std::string small = sparse("small.bin", 1000), full = sparse("full.bin", int64_t(64) << 20);
  Message.Attachments().Add(small);
  EXPECT_EQ(ErrorOf<EMessageError>([&] { Message.Attachments().Add(full); }),
            std::string("full.bin") + tail);
  EXPECT_EQ(Message.Attachments().Count(), 1);
  DeleteFileA(huge.c_str());
  DeleteFileA(over.c_str());
  DeleteFileA(full.c_str());

  // Content put in by hand is measured before connecting too.
  std::string before = FileText(PeersDir() + "count.log");
  Message.Attachments().Items(0).Content().SetSize((int64_t(64) << 20) + 1);
  Client.SetServer(PeerServer("count"));
  Errors.clear();
  EXPECT_EQ(ErrorOf<EMessageError>([&] { Client.Send(); }), std::string("small.bin") + tail);
  EXPECT_EQ(Errors.size(), 1u);
  EXPECT_EQ(FileText(PeersDir() + "count.log"), before);
}
