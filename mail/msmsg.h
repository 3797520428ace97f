// The e-mail message component: sender, recipients, subject, body, headers and attachments.
#pragma once
#include "msmsgcls.h"

enum TMsgEncoding { meMIME, meUU };
enum TCharSet { csUSASCII, csISO8859 };
enum TPriority { ptLow, ptNormal, ptHigh };

class TmsCustomMessage : public TComponent {
public:
  explicit TmsCustomMessage(TComponent* AOwner) : TComponent(AOwner) {}

  TmsMailAddress& Sender() { return FSender; }
  const std::string& Subject() const { return FSubject; }
  void SetSubject(const std::string& value) { FSubject = value.substr(0, 255); }
  TMsgEncoding Encoding() const { return FEncoding; }
  void SetEncoding(TMsgEncoding value) { FEncoding = value; }
  TCharSet CharSet() const { return FCharSet; }
  void SetCharSet(TCharSet value) { FCharSet = value; }
  TmsHeaders& Headers() { return FHeaders; }
  TStringList& Body() { return FBody; }
  TmsAttList& Attachments() { return FAttachments; }
  // The type the message is written as, by its encoding, body and attachments.
  std::string ContentType() const;
  void SetContentType(const std::string& value) { FContentType = value.substr(0, 255); }

  virtual void CheckRequired() = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  virtual void Clear();

private:
  TmsMailAddress FSender;
  std::string FSubject;
  TMsgEncoding FEncoding = meMIME;
  TCharSet FCharSet = csUSASCII;
  TmsHeaders FHeaders;
  TStringList FBody;
  TmsAttList FAttachments;
  std::string FContentType;
};

class TmsMessage : public TmsCustomMessage {
public:
  explicit TmsMessage(TComponent* AOwner) : TmsCustomMessage(AOwner) {}

  TmsAddressList& Recipients() { return FRecipients; }
  TmsAddressList& CC() { return FCC; }
  TmsAddressList& BCC() { return FBCC; }
  bool ReturnReceipt() const { return FReturnReceipt; }
  void SetReturnReceipt(bool value) { FReturnReceipt = value; }
  TPriority Priority() const { return FPriority; }
  void SetPriority(TPriority value) { FPriority = value; }

  // A sender and at least one recipient; every address one the envelope can carry.
  void CheckRequired() override;
  void SaveToStream(TStream& stream) override;
  void Clear() override;

private:
  TmsAddressList FRecipients, FCC, FBCC;
  bool FReturnReceipt = false;
  TPriority FPriority = ptNormal;
};

// The text of a message error number from the string table, with a fixed English fallback.
std::string MessageErrorText(int code);
// "Invalid e-mail address: " naming the address, without its line breaks.
std::string InvalidAddressText(const std::string& address);
