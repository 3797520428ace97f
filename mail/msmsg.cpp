// The e-mail message component: sender, recipients, subject, body, headers and attachments.
#include "msmsg.h"
#include "Resources.h"
#include "mspars.h"
#include "msutils.h"

std::string MessageErrorText(int code) {
  std::string text = LoadStr(static_cast<unsigned>(code));
  if (!text.empty()) return text;
  switch (code) {
  case msErrSenderRequired:
    return "The address of sender is required";
  case msErrRecipientRequired:
    return "At least one Recipient, CC or BCC must be entered";
  case msErrInvalidAddress:
    return "Invalid e-mail address: %s";
  case msErrMultipartText:
    return "This is a multipart message in MIME format";
  default:
    return "Error #" + IntToStr(code);
  }
}

std::string InvalidAddressText(const std::string& address) {
  return StringReplaceAll(MessageErrorText(msErrInvalidAddress), "%s", StripLineBreaks(address));
}

std::string TmsCustomMessage::ContentType() const {
  if (FEncoding == meUU) return "";
  int count = FAttachments.Count();
  if (count > 0) {
    bool allAlternative = true;
    for (int i = 0; i < count; ++i)
      if (FAttachments.Items(i).FileName().find("_alt.") == std::string::npos)
        allAlternative = false;
    if (allAlternative) return "multipart/alternative";
  }
  if (FBody.Count() == 0) {
    if (count == 1) {
      std::string name = ExtractFileName(FAttachments.Items(0).FileName());
      if (SameText(name, "_rtfbody.rtf")) return "text/rtf";
      if (SameText(name, "_htmbody.htm")) return "text/html";
      return FAttachments.Items(0).ContentType();
    }
    return count == 0 ? "text/plain" : "multipart/mixed";
  }
  if (count == 0) return FContentType.empty() ? "text/plain" : FContentType;
  return "multipart/mixed";
}

void TmsCustomMessage::Clear() {
  FBody.Clear();
  FAttachments.Clear();
  FSender = TmsMailAddress();
  FHeaders.Clear();
  FSubject.clear();
  FEncoding = meMIME;
  FCharSet = csUSASCII;
}

void TmsMessage::Clear() {
  TmsCustomMessage::Clear();
  FRecipients.Clear();
  FCC.Clear();
  FBCC.Clear();
}

void TmsMessage::CheckRequired() {
  if (Sender().Address().empty()) throw EMessageError(MessageErrorText(msErrSenderRequired));
  bool any = false;
  for (TmsAddressList* list : {&FRecipients, &FCC, &FBCC})
    for (int i = 0; i < list->Count(); ++i)
      if (!list->Items(i).Address().empty()) any = true;
  if (!any) throw EMessageError(MessageErrorText(msErrRecipientRequired));
  // Blanks or control characters in an envelope address would let it carry a command of its own.
  auto check = [](const std::string& address) {
    if (!IsSafeMailAddress(address)) throw EMessageError(InvalidAddressText(address));
  };
  check(Sender().Address());
  for (TmsAddressList* list : {&FRecipients, &FCC, &FBCC})
    for (int i = 0; i < list->Count(); ++i)
      if (!list->Items(i).Address().empty()) check(list->Items(i).Address());
}

void TmsMessage::SaveToStream(TStream& stream) {
  TmsMessageEncoder encoder(*this, stream);
  encoder.Encode();
}
