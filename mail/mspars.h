// The message writer: turns a message into the text sent after DATA (MIME 1.0 or uuencoded).
#pragma once
#include "msmsg.h"
#include <string>
#include <vector>

class TmsMessageEncoder {
public:
  TmsMessageEncoder(TmsMessage& message, TStream& stream);
  // Writes headers, the blank line and the body from the stream's start; every line ends in
  // CR LF and none is longer than SMTP carries (998 characters): a longer header is folded, a
  // longer plain-text body line broken, and a 7bit file with one goes as base64.
  void Encode();

  // Header-safe forms of a name and of "name <address>".
  static std::string QuoteName(const std::string& name);
  static std::string FormatAddress(const TmsMailAddress& address);
  // The date as a Date header wants it, in universal time.
  static std::string RfcDate();
  static std::string MakeBoundary();

private:
  void WriteLine(const std::string& line);
  void WriteLines(const std::vector<std::string>& lines);
  void WriteHeaders();
  void WriteAddressList(const char* label, TmsAddressList& list);
  void WriteBodyPartHeaders();
  void WriteBodyText();
  // The encoding an attachment goes in; one that cannot go as stored changes its type too.
  TmsTransferEncoding PartEncoding(TmsAttItem& item, std::string& contentType);
  void WriteAttachmentData(TmsAttItem& item, TmsTransferEncoding encoding);
  void WriteMultipart(const std::string& contentType);
  void WriteSingleAttachment(TmsAttItem& item);
  void WriteUUEncoded();

  TmsMessage& FMessage;
  TStream& FStream;
  bool FBodyQuoted = false; // the body goes quoted-printable
  bool FBodyLatin1 = false; // ... as iso-8859-1
};
