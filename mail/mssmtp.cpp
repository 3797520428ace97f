// The SMTP client: delivers one prepared message to a server.
#include "mssmtp.h"
#include "Messages.h"
#include "msutils.h"
#include <memory>

TmsSMTP::TmsSMTP(TComponent* AOwner) : TmsMailBase(AOwner), FRecipients(new TStringList) {
  SetServiceName("smtp");
  SetDefaultPort(25);
}

TmsSMTP::~TmsSMTP() = default;

void TmsSMTP::SetMailMessage(TmsMessage* value) {
  if (FMailMessage == value) return;
  if (FMailMessage) RemoveFreeNotification(FMailMessage);
  FMailMessage = value;
  if (FMailMessage) FreeNotification(FMailMessage);
}

void TmsSMTP::Notification(TComponent* component, TOperation operation) {
  TmsMailBase::Notification(component, operation);
  if (operation == opRemove && component == FMailMessage) FMailMessage = nullptr;
}

void TmsSMTP::Check(int code, int expectedClass) {
  if (code < 0 || code / 100 != expectedClass) throw EServerError(LastReply());
}

void TmsSMTP::Open() {
  if (Server().empty()) SocketError(msErrServerRequired);
  ResetFlags();
  TmsMailBase::Open();
}

void TmsSMTP::Login() {
  ConnectSocket();
  Check(ReadReply(), 2);
  SendLine("HELO " + LocalHost());
  if (ReadReply() / 100 == 2) return;
  SendLine("HELO");
  Check(ReadReply(), 2);
}

void TmsSMTP::Logout() {
  ProcessMessages();
  SendLine("QUIT");
  Check(ReadReply(), 2);
}

void TmsSMTP::RefuseBeforeConnecting(const std::string& message) {
  std::string msg = message;
  if (OnError) OnError(this, msg);
  throw EMessageError(msg);
}

void TmsSMTP::CheckBeforeConnecting() {
  if (!FMailMessage) return;
  auto check = [this](const std::string& address) {
    if (!address.empty() && !IsSafeMailAddress(address))
      RefuseBeforeConnecting(InvalidAddressText(address));
  };
  check(FMailMessage->Sender().Address());
  if (FRecipients->Count() == 0) {
    for (TmsAddressList* list :
         {&FMailMessage->Recipients(), &FMailMessage->CC(), &FMailMessage->BCC()})
      for (int i = 0; i < list->Count(); ++i)
        check(list->Items(i).Address());
  } else {
    for (int i = 0; i < FRecipients->Count(); ++i)
      check((*FRecipients)[i]);
  }
  TmsAttList& atts = FMailMessage->Attachments();
  int64_t total = 0;
  for (int i = 0; i < atts.Count(); ++i) {
    total += atts.Items(i).Content().Size();
    if (total > MaxAttachmentBytes)
      RefuseBeforeConnecting(AttachmentTooLargeText(atts.Items(i).FileName()));
  }
}

void TmsSMTP::SendRecipient(const std::string& address) {
  if (!IsSafeMailAddress(address)) throw EMessageError(InvalidAddressText(address));
  SendLine("RCPT TO:<" + address + ">");
  if (ReadReply() / 100 == 2) return;
  bool proceed = false;
  if (OnAddressRejected) OnAddressRejected(this, address, LastReply(), proceed);
  if (!proceed) throw EServerError(LastReply());
}

void TmsSMTP::SendMail() {
  if (!FMailMessage) SocketError(msErrMessageRequired);
  FMailMessage->CheckRequired();
  // The file goes with the stream whatever happens below.
  struct TDropStream {
    std::unique_ptr<TTempFileStream>& Stream;
    ~TDropStream() { Stream.reset(); }
  } drop{FStream};
  FStream = std::make_unique<TTempFileStream>();
  TTempFileStream& stream = *FStream;
  if (OnPrepare) OnPrepare(this);
  FMailMessage->SaveToStream(stream);
  if (OnSending) OnSending(this);
  const std::string& from = FMailMessage->Sender().Address();
  if (!from.empty()) {
    SendLine("MAIL FROM:<" + from + ">");
    Check(ReadReply(), 2);
  }
  if (FRecipients->Count() == 0) {
    for (TmsAddressList* list :
         {&FMailMessage->Recipients(), &FMailMessage->CC(), &FMailMessage->BCC()})
      for (int i = 0; i < list->Count(); ++i)
        if (!list->Items(i).Address().empty()) SendRecipient(list->Items(i).Address());
  } else {
    for (int i = 0; i < FRecipients->Count(); ++i)
      SendRecipient((*FRecipients)[i]);
  }
  SendLine("DATA");
  Check(ReadReply(), 3);
  SendStream(stream);
  SendLine("");
  SendLine(".");
  Check(ReadReply(), 2);
  if (OnMailSent) OnMailSent(this);
}

void TmsSMTP::Send() {
  // What no server could take is refused before anything is dialled or connected.
  CheckBeforeConnecting();
  ConnectAndLogin();
  try {
    SendMail();
  } catch (...) {
    try {
      LogoutAndClose();
    } catch (...) {
      // The failure of the transaction is the one to report.
    }
    throw;
  }
  try {
    LogoutAndClose();
  } catch (...) {
    // The server has taken the message: a failing goodbye does not undo the sending.
  }
}
