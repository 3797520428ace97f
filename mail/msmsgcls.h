// Addresses, attachments and extra headers of a mail message.
#pragma once
#include "Classes.h"
#include "Components.h"
#include "SysUtils.h"
#include <memory>
#include <string>
#include <vector>

TB_DECLARE_EXCEPTION(EMessageError, Exception);

constexpr int msErrSenderRequired = 57100;
constexpr int msErrRecipientRequired = 57101;
constexpr int msErrMessageRequired = 57102;
constexpr int msErrInvalidAddress = 57103;
constexpr int msErrAttachmentTooLarge = 57104;
constexpr int msErrMultipartText = 57106;

// What the attachments of one message may hold in all: the writer keeps a file and its encoded
// lines in memory at once, which must stay well inside a 32-bit process.
constexpr int64_t MaxAttachmentBytes = 64 * 1024 * 1024;

// The "too large" message naming the file whose bytes went past MaxAttachmentBytes.
std::string AttachmentTooLargeText(const std::string& fileName);

// Name and address, each cut to 255 characters as the fields were short strings.
class TmsMailAddress : public TObject {
public:
  TmsMailAddress() = default;
  TmsMailAddress(const std::string& address, const std::string& name);
  const std::string& Name() const { return FName; }
  void SetName(const std::string& value);
  const std::string& Address() const { return FAddress; }
  void SetAddress(const std::string& value);
  void Assign(const TmsMailAddress& other);

private:
  std::string FName, FAddress;
};

class TmsAddressList {
public:
  // Parses text as ParseMailAddress does; a name given here replaces the parsed one. Text that
  // cannot be parsed is kept whole as the address, so that sending refuses it by name.
  TmsMailAddress& Add(const std::string& text, const std::string& name = "");
  int Count() const { return static_cast<int>(FItems.size()); }
  TmsMailAddress& Items(int index) const { return *FItems.at(index); }
  void Delete(int index);
  void Clear() { FItems.clear(); }
  void Assign(const TmsAddressList& other);

private:
  std::vector<std::unique_ptr<TmsMailAddress>> FItems;
};

// Transfer encodings of an attachment, by the names written in its part header.
enum class TmsTransferEncoding { te7Bit, teBase64, teQuotedPrintable };
const char* TransferEncodingName(TmsTransferEncoding encoding);
TmsTransferEncoding TransferEncodingOf(const std::string& contentType);

class TmsAttItem {
public:
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& value);
  const std::string& ContentType() const { return FContentType; }
  void SetContentType(const std::string& value);
  TmsTransferEncoding Encoding() const { return FEncoding; }
  void SetEncoding(TmsTransferEncoding value) { FEncoding = value; }
  TMemoryStream& Content() { return FContent; }
  std::string ContentBytes() const;
  void Assign(const TmsAttItem& other);

private:
  std::string FFileName, FContentType;
  TmsTransferEncoding FEncoding = TmsTransferEncoding::teBase64;
  TMemoryStream FContent;
};

class TmsAttList {
public:
  // Loads the whole file at once; its type comes from the registry. A file that cannot be read
  // raises the file error, and one that would take the attachments past MaxAttachmentBytes
  // raises EMessageError; either adds nothing.
  TmsAttItem& Add(const std::string& fileName);
  int Count() const { return static_cast<int>(FItems.size()); }
  TmsAttItem& Items(int index) const { return *FItems.at(index); }
  void Delete(int index);
  void Clear() { FItems.clear(); }
  void Assign(const TmsAttList& other);
  // The bytes of all the attachments.
  int64_t TotalSize() const;

private:
  std::vector<std::unique_ptr<TmsAttItem>> FItems;
};

// Extra header lines, "Name: value" each.
class TmsHeaders : public TStringList {};

// "Name <address>", "address (Name)" or a bare address; raises EMessageError "Unable to parse
// email address" for a "<" without ">" and for a name outside double quotes that holds "<" or ">".
TmsMailAddress ParseMailAddress(const std::string& text);
// The address part that ParseMailAddress finds in text, whole (never cut); raises as it does.
std::string MailAddressOf(const std::string& text);
// The registry's "Content Type" of the file's extension, else "application/octet-stream".
std::string ContentTypeOfFile(const std::string& fileName);
