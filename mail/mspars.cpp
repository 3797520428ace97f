// The message writer: turns a message into the text sent after DATA (MIME 1.0 or uuencoded).
#include "mspars.h"
#include "msmime.h"
#include "msutils.h"
#include "msuucode.h"
#include <ctime>
#include <random>

namespace {
// Header names the message writes itself; extra headers of these names are left out.
const char* const OwnHeaders[] = {"From",
                                  "To",
                                  "CC",
                                  "BCC",
                                  "Return-Receipt-To",
                                  "X-Priority",
                                  "Subject",
                                  "Mime-Version",
                                  "Content-Type",
                                  "X-Encoding",
                                  "Content-Transfer-Encoding",
                                  "Date"};

// The longest line SMTP carries, without its CR LF; servers refuse a mail with a longer one.
constexpr size_t MaxWireLine = 998;

// The line in pieces of at most MaxWireLine characters, each cut before the last blank that
// allows it (the blank opens the next piece), else at the limit, where continuation opens the
// next piece.
std::vector<std::string> BreakLine(const std::string& line, const std::string& continuation) {
  std::vector<std::string> pieces;
  std::string rest = line;
  while (rest.size() > MaxWireLine) {
    size_t cut = rest.find_last_of(" \t", MaxWireLine);
    if (cut == std::string::npos || cut == 0) cut = MaxWireLine;
    pieces.push_back(rest.substr(0, cut));
    rest.erase(0, cut);
    bool blank = !rest.empty() && (rest[0] == ' ' || rest[0] == '\t');
    if (!blank) rest.insert(0, continuation);
  }
  pieces.push_back(rest);
  return pieces;
}

// A 7bit part keeps its lines as they are; one longer than the wire carries cannot go so.
bool FitsSevenBit(const std::string& data) {
  for (const std::string& line : SplitTextLines(data))
    if (line.size() > MaxWireLine) return false;
  return true;
}

std::string SafeFileName(const std::string& path) {
  std::string name;
  for (char c : ExtractFileName(path))
    if (c != '"' && c != '\r' && c != '\n') name += c;
  return name;
}

} // namespace

TmsMessageEncoder::TmsMessageEncoder(TmsMessage& message, TStream& stream)
    : FMessage(message), FStream(stream) {
  // The body goes quoted-printable when 7 bits would not carry it: bytes of 128 and above
  // (then as iso-8859-1), control characters, or lines longer than 255 characters.
  TStringList& body = FMessage.Body();
  for (int i = 0; i < body.Count(); ++i) {
    const std::string& line = body[i];
    if (line.size() > 255) FBodyQuoted = true;
    for (unsigned char c : line) {
      if (c >= 128) FBodyLatin1 = FBodyQuoted = true;
      if ((c < 32 && c != '\t') || c == 127) FBodyQuoted = true;
    }
  }
  if (FMessage.CharSet() == csISO8859) FBodyLatin1 = FBodyQuoted = true;
}

void TmsMessageEncoder::WriteLine(const std::string& line) {
  std::string data = line + "\r\n";
  FStream.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
}

void TmsMessageEncoder::WriteLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    WriteLine(line);
}

std::string TmsMessageEncoder::QuoteName(const std::string& name) {
  std::string clean = StripLineBreaks(name);
  if (clean.find_first_of("()<>@,;:\\\".[]") == std::string::npos) return clean;
  std::string quoted = "\"";
  for (char c : clean) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string TmsMessageEncoder::FormatAddress(const TmsMailAddress& address) {
  std::string addr(1, '<');
  addr += StripLineBreaks(address.Address());
  addr += '>';
  std::string name = QuoteName(address.Name());
  return name.empty() ? addr : name + " " + addr;
}

std::string TmsMessageEncoder::RfcDate() {
  static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::time_t now = std::time(nullptr);
  std::tm t = *std::gmtime(&now);
  return Format("%s, %02d %s %04d %02d:%02d:%02d +0000", days[t.tm_wday], t.tm_mday,
                months[t.tm_mon], t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
}

std::string TmsMessageEncoder::MakeBoundary() {
  static std::mt19937 random(static_cast<unsigned>(std::time(nullptr)) ^
                             static_cast<unsigned>(std::random_device()()));
  std::uniform_int_distribution<int> digit(0, 8);
  std::string boundary;
  for (int i = 0; i < 8; ++i)
    boundary += static_cast<char>('0' + digit(random));
  return boundary;
}

void TmsMessageEncoder::WriteAddressList(const char* label, TmsAddressList& list) {
  if (list.Count() == 0) return;
  std::string head = std::string(label) + ":";
  head.resize(10, ' ');
  for (int i = 0; i < list.Count(); ++i) {
    std::string line = (i == 0 ? head : std::string(10, ' ')) + FormatAddress(list.Items(i));
    if (i + 1 < list.Count()) line += ",";
    WriteLine(line);
  }
}

void TmsMessageEncoder::WriteHeaders() {
  WriteLine("From:     " + FormatAddress(FMessage.Sender()));
  WriteAddressList("To", FMessage.Recipients());
  WriteAddressList("CC", FMessage.CC());
  if (FMessage.ReturnReceipt())
    WriteLine("Return-Receipt-To: <" + StripLineBreaks(FMessage.Sender().Address()) + ">");
  if (FMessage.Priority() == ptLow) WriteLine("X-Priority: 5");
  if (FMessage.Priority() == ptHigh) WriteLine("X-Priority: 1");
  TmsHeaders& headers = FMessage.Headers();
  for (int i = 0; i < headers.Count(); ++i) {
    std::string line = StripLineBreaks(headers[i]);
    std::string name = Trim(line.substr(0, line.find(':')));
    bool own = false;
    for (const char* n : OwnHeaders)
      if (SameText(name, n)) own = true;
    // A header line too long for the wire is folded at blanks, which readers unfold again.
    if (!own && !Trim(line).empty()) WriteLines(BreakLine(line, " "));
  }
  WriteLine("Date: " + RfcDate());
  std::string subject = StripLineBreaks(FMessage.Subject());
  if (!subject.empty()) WriteLine("Subject:  " + subject);
  if (FMessage.Encoding() == meMIME) WriteLine("Mime-Version: 1.0");
}

void TmsMessageEncoder::WriteBodyPartHeaders() {
  WriteLine(std::string("Content-Type: text/plain; charset=\"") +
            (FBodyLatin1 ? "iso-8859-1" : "us-ascii") + "\"");
  WriteLine(std::string("Content-Transfer-Encoding: ") +
            (FBodyQuoted ? "quoted-printable" : "7bit"));
}

void TmsMessageEncoder::WriteBodyText() {
  TStringList& body = FMessage.Body();
  for (int i = 0; i < body.Count(); ++i) {
    if (!FBodyQuoted) {
      WriteLine(body[i]);
    } else {
      std::vector<std::string> lines;
      EncodeQuotedPrintableParagraph(body[i], lines);
      WriteLines(lines);
    }
  }
}

void TmsMessageEncoder::WriteAttachmentData(TmsAttItem& item, TmsTransferEncoding encoding) {
  std::string data = item.ContentBytes();
  switch (encoding) {
  case TmsTransferEncoding::teQuotedPrintable:
    WriteLines(EncodeQuotedPrintableLines(data));
    break;
  case TmsTransferEncoding::te7Bit:
    WriteLines(SplitTextLines(data));
    break;
  default:
    WriteLines(EncodeBase64Lines(data));
  }
}

void TmsMessageEncoder::WriteMultipart(const std::string& contentType) {
  std::string boundary = MakeBoundary();
  WriteLine("Content-Type: " + contentType + "; boundary=\"" + boundary + "\"");
  WriteLine("");
  WriteLine(MessageErrorText(msErrMultipartText));
  WriteLine("");
  WriteLine("--" + boundary);
  if (FMessage.Body().Count() > 0) {
    WriteBodyPartHeaders();
    WriteLine("");
    WriteBodyText();
    WriteLine("");
    WriteLine("--" + boundary + (FMessage.Attachments().Count() == 0 ? "--" : ""));
  }
  TmsAttList& atts = FMessage.Attachments();
  for (int i = 0; i < atts.Count(); ++i) {
    TmsAttItem& item = atts.Items(i);
    std::string name = SafeFileName(item.FileName());
    std::string type = StripLineBreaks(item.ContentType());
    TmsTransferEncoding encoding = PartEncoding(item, type);
    WriteLine("Content-Type: " + type + "; name=\"" + name + "\"");
    WriteLine(std::string("Content-Transfer-Encoding: ") + TransferEncodingName(encoding));
    WriteLine("Content-Disposition: attachment; filename=\"" + name + "\"");
    WriteLine("");
    WriteAttachmentData(item, encoding);
    WriteLine("");
    WriteLine("--" + boundary + (i + 1 == atts.Count() ? "--" : ""));
  }
}

void TmsMessageEncoder::WriteSingleAttachment(TmsAttItem& item) {
  std::string name = SafeFileName(item.FileName());
  bool html = SameText(name, "_htmbody.htm"), rtf = SameText(name, "_rtfbody.rtf");
  std::string type = StripLineBreaks(item.ContentType());
  if (html || rtf) {
    WriteLine(html ? "Content-Type: text/html" : "Content-Type: text/rtf");
    item.SetEncoding(TmsTransferEncoding::teQuotedPrintable);
  }
  TmsTransferEncoding encoding = PartEncoding(item, type);
  if (!html && !rtf) WriteLine("Content-Type: " + type + "; name=\"" + name + "\"");
  WriteLine(std::string("Content-Transfer-Encoding: ") + TransferEncodingName(encoding));
  if (!html && !rtf) WriteLine("Content-Disposition: attachment; filename=\"" + name + "\"");
  WriteLine("");
  WriteAttachmentData(item, encoding);
}

TmsTransferEncoding TmsMessageEncoder::PartEncoding(TmsAttItem& item, std::string& contentType) {
  if (item.Encoding() != TmsTransferEncoding::te7Bit || FitsSevenBit(item.ContentBytes()))
    return item.Encoding();
  // Its lines are too long for 7bit: the file goes whole as base64, as a plain file.
  contentType = "application/octet-stream";
  return TmsTransferEncoding::teBase64;
}

void TmsMessageEncoder::WriteUUEncoded() {
  WriteLine("");
  TStringList& body = FMessage.Body();
  // The body goes as plain text: a CR or LF inside a line ends it, and a line longer than the
  // wire carries is broken.
  for (int i = 0; i < body.Count(); ++i) {
    if (body[i].empty()) WriteLine("");
    for (const std::string& line : SplitTextLines(body[i]))
      WriteLines(BreakLine(line, ""));
  }
  TmsAttList& atts = FMessage.Attachments();
  for (int i = 0; i < atts.Count(); ++i) {
    WriteLine("");
    WriteLine("begin 600 " + SafeFileName(atts.Items(i).FileName()));
    WriteLines(UUEncodeLines(atts.Items(i).ContentBytes()));
    WriteLine("`");
    WriteLine("end");
  }
}

void TmsMessageEncoder::Encode() {
  FStream.SetPosition(0);
  WriteHeaders();
  std::string type = FMessage.ContentType();
  if (FMessage.Encoding() == meUU) {
    WriteUUEncoded();
  } else if (SameText(type, "multipart/mixed") || SameText(type, "multipart/alternative")) {
    WriteMultipart(type);
  } else if (SameText(type, "text/plain") && FMessage.Attachments().Count() == 0) {
    WriteBodyPartHeaders();
    WriteLine("");
    WriteBodyText();
  } else if (FMessage.Attachments().Count() > 0) {
    WriteSingleAttachment(FMessage.Attachments().Items(0));
  } else {
    // A stored type other than text/plain on a body without attachments: the body as text.
    WriteBodyPartHeaders();
    WriteLine("");
    WriteBodyText();
  }
}
