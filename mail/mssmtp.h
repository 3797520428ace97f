// The SMTP client: delivers one prepared message to a server.
#pragma once
#include "msmb.h"
#include "msmsg.h"
#include <memory>

TB_DECLARE_EXCEPTION(EServerError, Exception);

using TmsAddressRejectedEvent = std::function<void(TObject* Sender, const std::string& TheAddress,
                                                   const std::string& ServerReply, bool& Proceed)>;

class TmsSMTP : public TmsMailBase {
public:
  explicit TmsSMTP(TComponent* AOwner);
  ~TmsSMTP() override;

  TmsMessage* MailMessage() const { return FMailMessage; }
  void SetMailMessage(TmsMessage* value);
  // When it holds addresses, they replace the message's own in the envelope.
  TStringList& ExplicitRecipients() { return *FRecipients; }
  // The encoded message while one is being sent (from OnPrepare to OnMailSent), else nullptr.
  TStream* EncodedStream() const { return FStream.get(); }

  TNotifyEvent OnPrepare, OnSending, OnMailSent;
  TmsAddressRejectedEvent OnAddressRejected;

  // Checks the addresses and the attachments' size, then connects, logs in, sends the message
  // and logs out; the connection is closed in every case.
  // A failed log-out after the server took the message is no failed send.
  void Send();
  void SendMail();
  void Open() override;
  void Login() override;
  void Logout() override;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  // Raises EServerError with the last reply unless the code is of the expected class.
  void Check(int code, int expectedClass);
  void SendRecipient(const std::string& address);
  // Envelope addresses that are no addresses, and attachments past MaxAttachmentBytes, raise
  // EMessageError naming them (OnError first).
  void CheckBeforeConnecting();
  [[noreturn]] void RefuseBeforeConnecting(const std::string& message);

  TmsMessage* FMailMessage = nullptr;
  std::unique_ptr<TTempFileStream> FStream;
  std::unique_ptr<TStringList> FRecipients;
};
