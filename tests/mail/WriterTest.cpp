// The message writer: messages saved for the host checker, and what the writer must not do.
#include "MailTestUtil.h"
#include "Registry.h"
#include "msmsg.h"
#include <gtest/gtest.h>
#include <windows.h>

namespace {
std::string Saved(TmsMessage& message) {
  TMemoryStream stream;
  message.SaveToStream(stream);
  return std::string(reinterpret_cast<const char*>(stream.Memory()),
                     static_cast<size_t>(stream.Size()));
}

// Writes the message for tests/checks/mail_writer.py under the given name.
std::string Keep(TmsMessage& message, const std::string& name) {
  std::string text = Saved(message);
  WriteFileBytes(CheckDir("mail_writer") + name + ".eml", text);
  return text;
}

// A file of its own bytes in the checker's folder, so that the checker can compare.
std::string Original(const std::string& name, const std::string& bytes) {
  std::string path = CheckDir("mail_writer") + name;
  WriteFileBytes(path, bytes);
  return path;
}

class Writer : public testing::Test {
protected:
  void SetUp() override {
    // The test prefix knows MIDI files as audio/midi, as an installed system would.
    TRegistry reg;
    reg.SetRootKey(HKeyClassesRoot());
    ASSERT_TRUE(reg.OpenKey("\\.mid", true));
    reg.WriteString("Content Type", "audio/midi");
    Message.Sender().SetAddress("me@example.com");
    Message.Recipients().Add("you@example.com");
  }
  TmsMessage Message{nullptr};
};
} // namespace

TEST_F(Writer, HeadersQuoteNamesStripLineBreaksAndLeaveBccOut) {
  TmsMessage m(nullptr);
  m.Sender().SetAddress("js@example.com");
  m.Sender().SetName("Smith, John");
  m.Recipients().Add("Ann Lee <ann@example.com>");
  m.Recipients().Add("\"B. Brown\" <bb@example.com>");
  m.Recipients().Add("cc@example.com");
  m.CC().Add("dora@example.com (Dora \\ \"D\")");
  m.BCC().Add("Secret <hidden@example.com>");
  m.SetSubject("Hello\r\nBcc: evil@example.com");
  m.SetReturnReceipt(true);
  m.SetPriority(ptHigh);
  m.Headers().Add("X-Mailer: Tonalbrook");
  m.Headers().Add("Subject: not this one");
  m.Headers().Add("Date: not this one either");
  m.Body().Add("Hi.");
  std::string text = Keep(m, "headers");
  EXPECT_NE(text.find("\r\nTo:       Ann Lee <ann@example.com>,\r\n"
                      "          \"B. Brown\" <bb@example.com>,\r\n"
                      "          <cc@example.com>\r\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.rfind("From:     \"Smith, John\" <js@example.com>\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("\r\nSubject:  HelloBcc: evil@example.com\r\n"), std::string::npos);
  EXPECT_EQ(text.find("hidden@example.com"), std::string::npos);
  EXPECT_NE(text.find("Content-Transfer-Encoding: 7bit\r\n"), std::string::npos);
}

TEST_F(Writer, ContentTypeFollowsEncodingBodyAndAttachments) {
  std::string mid = Original("song.mid", "MThd" + Pattern(3000, 7));
  std::string alt = Original("text_alt.txt", "plain words\r\n");
  std::string htm = Original("_htmbody.htm", "<p>caf\xe9 = good</p>\r\n");

  Message.SetEncoding(meUU);
  EXPECT_EQ(Message.ContentType(), "");
  Message.SetEncoding(meMIME);
  EXPECT_EQ(Message.ContentType(), "text/plain");
  Keep(Message, "ct_empty");
  Message.Attachments().Add(alt);
  EXPECT_EQ(Message.ContentType(), "multipart/alternative");
  Message.Attachments().Clear();
  Message.Attachments().Add(htm);
  EXPECT_EQ(Message.ContentType(), "text/html");
  Keep(Message, "ct_html");
  Message.Attachments().Clear();
  Message.Attachments().Add(mid);
  EXPECT_EQ(Message.ContentType(), "audio/midi");
  Keep(Message, "ct_single_mid");
  Message.Attachments().Add(alt);
  EXPECT_EQ(Message.ContentType(), "multipart/mixed");
  Message.Attachments().Clear();
  Message.Body().Add("words");
  Message.SetContentType("text/enriched");
  EXPECT_EQ(Message.ContentType(), "text/enriched");
  Message.Attachments().Add(mid);
  EXPECT_EQ(Message.ContentType(), "multipart/mixed");
}

TEST_F(Writer, BodyAndAttachmentsOfKnownAndUnknownTypes) {
  std::string mid = Original("mixed_song.mid", "MThd" + Pattern(4064, 13));
  std::string other = Original("mixed_data.xyz9", Pattern(1000, 1));
  Message.Body().Add("Here are the tunes.");
  Message.Body().Add("");
  Message.Body().Add("Bye");
  Message.Attachments().Add(mid);
  Message.Attachments().Add(other);
  EXPECT_EQ(Message.Attachments().Items(0).ContentType(), "audio/midi");
  EXPECT_EQ(Message.Attachments().Items(1).ContentType(), "application/octet-stream");
  Keep(Message, "mixed");
}

TEST_F(Writer, BodyWithHighBytesGoesQuotedPrintableAsLatin1) {
  Message.Body().Add("Caf\xe9 au lait");
  std::string words;
  for (int i = 0; i < 40; ++i)
    words += "word" + IntToStr(i) + (i % 7 == 0 ? "=x " : " ");
  Message.Body().Add(words + "\t"); // a long line that ends in blanks
  Message.Body().Add(std::string(200, '\xe9'));
  std::string text = Keep(Message, "latin");
  EXPECT_NE(text.find("charset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: quoted-printable"),
            std::string::npos);
  EXPECT_NE(text.find("Caf=E9 au lait\r\n"), std::string::npos);
}

TEST_F(Writer, AttachmentPathsOf256To259CharactersKeepTheirExtension) {
  TScratchDir dir("wlong");
  for (size_t total : {255u, 256u, 257u, 259u}) {
    std::string name = "song_" + IntToStr(static_cast<int>(total)) + "_abcdefgh.mid";
    // A folder whose length brings the file's path to total characters.
    std::string folder = dir / std::string(total - dir.Path().size() - name.size() - 1, 'p');
    ASSERT_TRUE(ForceDirectories(folder)) << folder.size();
    std::string path = folder + "\\" + name;
    ASSERT_EQ(path.size(), total);
    WriteFileBytes(path, "MThd" + Pattern(100, 3));
    TmsMessage m(nullptr);
    m.Sender().SetAddress("me@example.com");
    m.Recipients().Add("you@example.com");
    m.Body().Add("A tune.");
    m.Attachments().Add(path);
    EXPECT_EQ(m.Attachments().Items(0).FileName(), path);
    std::string text = Saved(m);
    EXPECT_NE(text.find("Content-Disposition: attachment; filename=\"" + name + "\"\r\n"),
              std::string::npos)
        << total;
    EXPECT_NE(text.find("Content-Type: audio/midi; name=\"" + name + "\"\r\n"), std::string::npos)
        << total;
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
  }
}

TEST_F(Writer, DotLinesAreLeftToTheTransport) {
  Message.Body().Add(".");
  Message.Body().Add("..");
  Message.Body().Add(".x");
  std::string text = Saved(Message);
  EXPECT_NE(text.find("\r\n\r\n.\r\n..\r\n.x\r\n"), std::string::npos) << text;
  EXPECT_EQ(Message.Body()[0], ".");
}

TEST_F(Writer, UuencodedAttachmentsOfEverySizeAroundALine) {
  Message.SetEncoding(meUU);
  Message.Body().Add("Files follow.");
  for (int size : {0, 1, 2, 3, 44, 45, 46, 4064})
    Message.Attachments().Add(Original("uu_" + IntToStr(size) + ".bin", Pattern(size, 29)));
  std::string text = Keep(Message, "uu");
  EXPECT_EQ(text.find("Mime-Version"), std::string::npos);
  EXPECT_NE(text.find("\r\nbegin 600 uu_0.bin\r\n`\r\nend\r\n"), std::string::npos);
}

TEST_F(Writer, MissingSenderRecipientsOrSafeAddressesAreRefused) {
  TmsMessage m(nullptr);
  EXPECT_EQ(ErrorOf<EMessageError>([&] { m.CheckRequired(); }),
            "The address of sender is required");
  m.Sender().SetAddress("me@example.com");
  m.BCC().Add("Nobody <>");
  EXPECT_EQ(ErrorOf<EMessageError>([&] { m.CheckRequired(); }),
            "At least one Recipient, CC or BCC must be entered");
  m.BCC().Add("hidden@example.com");
  m.CheckRequired();
  m.CC().Add("two words@example.com");
  EXPECT_EQ(ErrorOf<EMessageError>([&] { m.CheckRequired(); }),
            "Invalid e-mail address: two words@example.com");
}

TEST(MailAddress, ParsedFromItsThreeFormsOrRefused) {
  struct TCase {
    const char* Text;
    const char* Name;
    const char* Address;
  };
  for (TCase t : {TCase{"John Smith <js@example.com>", "John Smith", "js@example.com"},
                  TCase{"\"Smith, John\" <js@example.com>", "Smith, John", "js@example.com"},
                  TCase{"<js@example.com> trailing", "trailing", "js@example.com"},
                  TCase{"js@example.com (John Smith)", "John Smith", "js@example.com"},
                  TCase{"  js@example.com  ", "", "js@example.com"},
                  TCase{"\"js@example.com\"", "", "js@example.com"}}) {
    TmsMailAddress a = ParseMailAddress(t.Text);
    EXPECT_EQ(a.Name(), t.Name) << t.Text;
    EXPECT_EQ(a.Address(), t.Address) << t.Text;
  }
  EXPECT_EQ(ParseMailAddress(std::string(300, 'a')).Address().size(), 255u);
  EXPECT_EQ(ErrorOf<EMessageError>([] { ParseMailAddress("John <js@example.com"); }),
            "Unable to parse email address");
}
