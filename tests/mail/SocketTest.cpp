// The socket layer against the control peer: addresses, ports, lines, streams, waits and errors.
#include "MailTestUtil.h"
#include "agsocket.h"
#include <gtest/gtest.h>
#include <vector>

namespace {
std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::unique_ptr<TagSocket> NewSocket(const std::string& server) {
  auto socket = std::make_unique<TagSocket>(nullptr);
  socket->SetWinsockLoaded(true);
  socket->SetServer(server);
  socket->SetTimeOut(5);
  return socket;
}

// Connected to the control peer; the peer sends back what Emit asks for.
struct TControlPeer {
  std::unique_ptr<TagSocket> Socket = NewSocket(PeerServer("control"));
  TControlPeer() {
    Socket->Open();
    Socket->ConnectSocket();
  }
  void Emit(const std::string& bytes) { Socket->SendLine("EMIT " + Hex(bytes)); }
  std::string Line(int* code = nullptr) {
    std::string line;
    int c = Socket->ReadLine(line);
    if (code) *code = c;
    return line;
  }
};

} // namespace

TEST(SocketAddress, DottedAddressAndHostNameWithPortBothConnect) {
  for (std::string host : {"127.0.0.1", "localhost"}) {
    auto socket = NewSocket(host + ":" + IntToStr(PeerPort("control")));
    socket->Open();
    EXPECT_EQ(socket->RemoteAddressText(), "127.0.0.1") << host;
    EXPECT_EQ(socket->RemotePort(), PeerPort("control"));
    socket->ConnectSocket();
    socket->SendLine("EMIT " + Hex("220 hello\r\n"));
    std::string line;
    EXPECT_EQ(socket->ReadLine(line), 220);
    EXPECT_EQ(line, "220 hello");
    socket->Close();
    EXPECT_FALSE(socket->Connected());
  }
}

TEST(SocketAddress, BlockingCallsResolveConnectAndExchangeLinesToo) {
  auto socket = NewSocket("localhost");
  socket->SetBlocking(true);
  socket->SetServiceName("smtp");
  socket->Open();
  EXPECT_EQ(socket->RemotePort(), 25);
  socket->Close();
  socket->SetServer(PeerServer("control"));
  socket->Open();
  socket->ConnectSocket();
  socket->SendLine("EMIT " + Hex("250-a\r\n250 b\r\n"));
  EXPECT_EQ(socket->ReadReply(), 250);
  EXPECT_EQ(socket->LastReply(), "250 b");
}

TEST(SocketAddress, ServiceNameFromTheSystemOrTheDefaultPort) {
  auto known = NewSocket("127.0.0.1");
  known->SetServiceName("smtp");
  known->SetDefaultPort(1);
  known->Open();
  EXPECT_EQ(known->RemotePort(), 25); // netbase's /etc/services
  known->Close();

  // An unknown service falls back to the default port, and the connection then works.
  auto unknown = NewSocket("127.0.0.1");
  unknown->SetServiceName("tb-no-such-service");
  unknown->SetDefaultPort(static_cast<uint16_t>(PeerPort("control")));
  unknown->Open();
  EXPECT_EQ(unknown->RemotePort(), PeerPort("control"));
  unknown->ConnectSocket();
  unknown->SendLine("EMIT " + Hex("250 ok\r\n"));
  std::string line;
  EXPECT_EQ(unknown->ReadLine(line), 250);
}

TEST(SocketAddress, BadPortsServerAndServiceAreRefusedWithTheirTexts) {
  const std::string badPort = "The port in the Server property must be a number from 1 to 65535";
  for (std::string server :
       {"127.0.0.1:70000", "127.0.0.1:0", "127.0.0.1:", "127.0.0.1:25x", "127.0.0.1:-1"}) {
    auto socket = NewSocket(server);
    EXPECT_EQ(ErrorOf<ESocketError>([&] { socket->Open(); }), badPort) << server;
    EXPECT_FALSE(socket->Connected());
  }
  auto empty = NewSocket("");
  EXPECT_EQ(ErrorOf<ESocketError>([&] { empty->Open(); }), "Server property is required");
  auto noService = NewSocket("127.0.0.1");
  EXPECT_EQ(ErrorOf<ESocketError>([&] { noService->Open(); }), "Service name is required");
  auto unconnected = NewSocket("127.0.0.1:25");
  EXPECT_EQ(ErrorOf<ESocketError>([&] { unconnected->SendLine("x"); }),
            "You have to connect to the server first");
}

TEST(SocketErrors, LibraryNotLoadedIsReportedUntilItIsLoadedAgain) {
  auto socket = NewSocket(PeerServer("control"));
  socket->SetWinsockLoaded(false);
  EXPECT_FALSE(socket->WinsockLoaded());
  EXPECT_EQ(ErrorOf<EWinsockDLLError>([&] { socket->Open(); }), "Winsock is not loaded");
  socket->SetWinsockLoaded(true);
  socket->Open();
  socket->ConnectSocket();
  EXPECT_TRUE(socket->Connected());
}

TEST(SocketErrors, UnknownHostIsReportedWithTheSocketsText) {
  auto socket = NewSocket("no-such-host.invalid:25");
  EXPECT_EQ(ErrorOf<ESocketError>([&] { socket->Open(); }), "[11001] Host not found");
  EXPECT_FALSE(socket->Connected());
}

TEST(SocketErrors, RefusedConnectionEndsAtOnceAsRefusedAndOnErrorMayChangeTheText) {
  auto socket = NewSocket(PeerServer("refused"));
  socket->SetTimeOut(30);
  std::vector<std::string> seen;
  socket->OnError = [&](TObject*, std::string& msg) {
    seen.push_back(msg);
    msg += " (by the test)";
  };
  socket->Open();
  EXPECT_EQ(ErrorOf<ESocketError>([&] { socket->ConnectSocket(); }),
            "[10061] Connection refused (by the test)");
  EXPECT_EQ(seen, std::vector<std::string>{"[10061] Connection refused"});
}

TEST(SocketLines, MultiLineReplyInOnePacketIsReadOneLinePerReadLine) {
  TControlPeer c;
  c.Emit("250-first\r\n250-second\r\n250 last\r\n");
  int code = 0;
  EXPECT_EQ(c.Line(&code), "250-first");
  EXPECT_EQ(code, 250);
  EXPECT_EQ(c.Line(), "250-second");
  EXPECT_EQ(c.Line(), "250 last");

  c.Emit("220-one\r\n220-two\r\n220 three\r\n");
  EXPECT_EQ(c.Socket->ReadReply(), 220);
  EXPECT_EQ(c.Socket->LastReply(), "220 three");
  // A last line of the code alone ends the reply as well.
  c.Emit("221-one\r\n221\r\n250 after\r\n");
  EXPECT_EQ(c.Socket->ReadReply(), 221);
  EXPECT_EQ(c.Socket->LastReply(), "221");
  EXPECT_EQ(c.Line(), "250 after");
  c.Emit("no code here\r\n");
  EXPECT_EQ(c.Socket->ReadReply(), -1);
}

TEST(SocketLines, LongLineKeepsItsFirst255CharactersAndTheNextLineIsWhole) {
  TControlPeer c;
  c.Emit(std::string(600, 'x') + "\r\n250 next\r\n");
  EXPECT_EQ(c.Line(), std::string(255, 'x'));
  EXPECT_EQ(c.Line(), "250 next");
}

TEST(SocketWaits, PartialLineThenSilenceTimesOutWhileTimersTick) {
  TControlPeer c;
  c.Socket->SetTimeOut(2);
  int ticks = 0;
  TTimer ticker(nullptr);
  ticker.SetInterval(100);
  ticker.OnTimer = [&](TObject*) { ++ticks; };
  c.Emit("250 no end");
  EXPECT_EQ(ErrorOf<ETimedOutError>([&] { c.Line(); }), "Operation timed out");
  EXPECT_GT(ticks, 5); // the wait ran the message loop
  EXPECT_FALSE(c.Socket->Connected());
}

TEST(SocketWaits, CancelFromATimerEndsAReadAndHoldsUntilTheFlagsAreReset) {
  TControlPeer c;
  bool canceled = false;
  c.Socket->OnCancel = [&](TObject*) { canceled = true; };
  TOneShot cancel(300, [&] { c.Socket->Cancel(); });
  EXPECT_EQ(ErrorOf<ECanceledError>([&] { c.Line(); }), "Operation has been cancelled");
  EXPECT_TRUE(canceled);
  EXPECT_FALSE(c.Socket->Connected());
  // A canceled socket refuses to connect until its flags are reset.
  c.Socket->Open();
  EXPECT_EQ(ErrorOf<ECanceledError>([&] { c.Socket->ConnectSocket(); }),
            "Operation has been cancelled");
  c.Socket->ResetFlags();
  c.Socket->ConnectSocket();
  EXPECT_TRUE(c.Socket->Connected());
}

TEST(SocketWaits, CancelFromATimerEndsASendThatWaitsForRoom) {
  TControlPeer c;
  c.Socket->SendLine("STALL");
  TMemoryStream big;
  big.SetSize(64 << 20); // far more than the peer's and the system's buffers hold
  TOneShot cancel(1500, [&] { c.Socket->Cancel(); });
  EXPECT_EQ(ErrorOf<ECanceledError>([&] { c.Socket->SendStream(big); }),
            "Operation has been cancelled");
  EXPECT_FALSE(c.Socket->Connected());
}

TEST(SocketStreams, StreamsOfChunkBoundarySizesArriveWholeWithProgress) {
  struct TCase {
    int Size;
    std::vector<std::pair<int, int>> Progress;
  };
  const std::vector<TCase> cases = {
      {0, {{100, 0}, {0, 0}}},
      {1, {{100, 1}, {0, 0}}},
      {2046, {{100, 2046}, {0, 0}}},
      {2047, {{100, 2047}, {100, 2047}, {0, 0}}},
      {2048, {{100, 2047}, {100, 2048}, {0, 0}}},
      {4094, {{50, 2047}, {100, 4094}, {100, 4094}, {0, 0}}},
  };
  TControlPeer c;
  for (const TCase& t : cases) {
    std::string data;
    for (int i = 0; i < t.Size; ++i)
      data += i % 64 == 60 ? '\r' : i % 64 == 61 ? '\n' : static_cast<char>('a' + i % 26);
    TMemoryStream stream;
    if (!data.empty()) stream.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
    std::vector<std::pair<int, int>> progress;
    c.Socket->OnProgress = [&](TObject*, int perc, int done) { progress.push_back({perc, done}); };
    c.Socket->SendLine("SINK " + IntToStr(t.Size));
    c.Socket->SendStream(stream);
    EXPECT_EQ(c.Line(), "GOT " + IntToStr(t.Size));
    EXPECT_EQ(FileText(PeersDir() + "sink_" + IntToStr(t.Size) + ".bin"), data) << t.Size;
    EXPECT_EQ(progress, t.Progress) << t.Size;
  }
}

TEST(SocketLog, LinesAndTheSuppressedBodyGoToTheLogFileWhenTheComponentGoes) {
  TScratchDir dir("maillog");
  std::string path = dir / "transfer.log";
  WriteFileBytes(path, "former content\r\n");
  {
    TControlPeer c;
    c.Socket->SetLogFileName(path);
    std::vector<std::string> sent, received;
    c.Socket->OnLineSent = [&](TObject*, const std::string& l) { sent.push_back(l); };
    c.Socket->OnLineReceived = [&](TObject*, const std::string& l) { received.push_back(l); };
    c.Socket->SendLine("SINK 3");
    TMemoryStream body;
    body.WriteBuffer("abc", 3);
    c.Socket->SendStream(body);
    c.Line();
    EXPECT_EQ(sent, std::vector<std::string>{"SINK 3"});
    EXPECT_EQ(received, std::vector<std::string>{"GOT 3"});
  }
  EXPECT_EQ(ReadFileBytes(path), "SINK 3\r\nSuppressing the message body\r\nGOT 3\r\n");
}

TEST(SocketStreams, BareLineBreaksGoOutAsCrLfAndEveryWireLineDotIsDoubled) {
  struct TCase {
    std::string Data, Wire;
  };
  std::string a(2046, 'a'); // the 2047th byte is the last of the first chunk
  const std::vector<TCase> cases = {
      {"x\r.y\n.z\r", "x\r\n..y\r\n..z\r\n"},
      {a + "\r\n.b\r.c\n.d\r", a + "\r\n..b\r\n..c\r\n..d\r\n"},
      {a + "\r.x", a + "\r\n..x"},
      {a + "\r", a + "\r\n"},
      {"plain\r\n.dot\r\n", "plain\r\n..dot\r\n"},
  };
  TControlPeer c;
  for (const TCase& t : cases) {
    TMemoryStream stream;
    stream.WriteBuffer(t.Data.data(), static_cast<int32_t>(t.Data.size()));
    std::string n = IntToStr(static_cast<int>(t.Wire.size()));
    c.Socket->SendLine("SINK " + n);
    c.Socket->SendStream(stream);
    EXPECT_EQ(c.Line(), "GOT " + n);
    EXPECT_EQ(FileText(PeersDir() + "sink_" + n + ".bin"), t.Wire) << t.Data.size();
  }
}

TEST(SocketLog, TheLogKeepsItsNewestLinesWithinFourMegabytes) {
  TScratchDir dir("maillogcap");
  std::string path = dir / "transfer.log";
  std::string filler(100000, 'z');
  {
    TControlPeer c;
    c.Socket->SetLogFileName(path);
    // The peer takes these as commands it does not know and says nothing.
    for (int i = 0; i < 60; ++i)
      c.Socket->SendLine("NOTE" + Format("%02d ", i) + filler);
    c.Emit("250 last\r\n");
    c.Line();
  }
  std::string log = ReadFileBytes(path);
  EXPECT_LE(log.size(), 4u << 20);
  EXPECT_GE(log.size(), 2u << 20);
  EXPECT_EQ(log.find("NOTE00 "), std::string::npos);
  EXPECT_NE(log.find("NOTE59 "), std::string::npos);
  EXPECT_EQ(log.substr(log.size() - 10), "250 last\r\n");
}
