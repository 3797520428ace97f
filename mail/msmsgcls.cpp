// Addresses, attachments and extra headers of a mail message.
#include "msmsgcls.h"
#include "Registry.h"
#include "Resources.h"
#include <windows.h>

namespace {
std::string Short(const std::string& text) {
  return text.substr(0, 255);
}

std::string Unquote(const std::string& text) {
  std::string s = Trim(text);
  while (!s.empty() && s.front() == '"')
    s.erase(0, 1);
  while (!s.empty() && s.back() == '"')
    s.pop_back();
  return s;
}
} // namespace

TmsMailAddress::TmsMailAddress(const std::string& address, const std::string& name)
    : FName(Short(name)), FAddress(Short(address)) {}
void TmsMailAddress::SetName(const std::string& value) {
  FName = Short(value);
}
void TmsMailAddress::SetAddress(const std::string& value) {
  FAddress = Short(value);
}
void TmsMailAddress::Assign(const TmsMailAddress& other) {
  FName = other.FName;
  FAddress = other.FAddress;
}

TmsMailAddress& TmsAddressList::Add(const std::string& text, const std::string& name) {
  std::unique_ptr<TmsMailAddress> item;
  try {
    item = std::make_unique<TmsMailAddress>(ParseMailAddress(text));
  } catch (const EMessageError&) {
    item = std::make_unique<TmsMailAddress>(Trim(text), "");
  }
  if (!name.empty()) item->SetName(name);
  FItems.push_back(std::move(item));
  return *FItems.back();
}

void TmsAddressList::Delete(int index) {
  FItems.erase(FItems.begin() + index);
}

void TmsAddressList::Assign(const TmsAddressList& other) {
  if (&other == this) return;
  FItems.clear();
  for (const auto& item : other.FItems)
    FItems.push_back(std::make_unique<TmsMailAddress>(*item));
}

const char* TransferEncodingName(TmsTransferEncoding encoding) {
  switch (encoding) {
  case TmsTransferEncoding::te7Bit:
    return "7bit";
  case TmsTransferEncoding::teQuotedPrintable:
    return "Quoted-Printable";
  default:
    return "Base64";
  }
}

TmsTransferEncoding TransferEncodingOf(const std::string& contentType) {
  if (SameText(contentType, "message/rfc822")) return TmsTransferEncoding::te7Bit;
  if (SameText(contentType, "text/plain") || SameText(contentType, "text/rtf") ||
      SameText(contentType, "text/html"))
    return TmsTransferEncoding::teQuotedPrintable;
  return TmsTransferEncoding::teBase64;
}

void TmsAttItem::SetFileName(const std::string& value) {
  // The whole path: one of 256-259 characters cut to 255 would lose the name's extension.
  FFileName = value;
}
void TmsAttItem::SetContentType(const std::string& value) {
  FContentType = Short(value);
}

std::string TmsAttItem::ContentBytes() const {
  return std::string(reinterpret_cast<const char*>(FContent.Memory()),
                     static_cast<size_t>(const_cast<TMemoryStream&>(FContent).Size()));
}

void TmsAttItem::Assign(const TmsAttItem& other) {
  FFileName = other.FFileName;
  FContentType = other.FContentType;
  FEncoding = other.FEncoding;
  FContent.Clear();
  std::string bytes = other.ContentBytes();
  if (!bytes.empty()) FContent.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

std::string AttachmentTooLargeText(const std::string& fileName) {
  std::string text = LoadStr(msErrAttachmentTooLarge);
  if (text.empty()) text = "%s is too large to attach: a mail carries at most 64 MB of attachments";
  return StringReplaceAll(text, "%s", ExtractFileName(fileName));
}

int64_t TmsAttList::TotalSize() const {
  int64_t total = 0;
  for (const auto& item : FItems)
    total += item->Content().Size();
  return total;
}

TmsAttItem& TmsAttList::Add(const std::string& fileName) {
  auto item = std::make_unique<TmsAttItem>();
  {
    // The size is known before a byte is read: a file the mail cannot carry is never loaded.
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    int64_t size = file.Size();
    if (size < 0 || size > MaxAttachmentBytes - TotalSize())
      throw EMessageError(AttachmentTooLargeText(fileName));
    std::vector<uint8_t>& data = item->Content().Data();
    data.resize(static_cast<size_t>(size));
    if (size > 0) file.ReadBuffer(data.data(), static_cast<int32_t>(size));
  }
  item->SetFileName(fileName);
  item->SetContentType(ContentTypeOfFile(fileName));
  item->SetEncoding(TransferEncodingOf(item->ContentType()));
  FItems.push_back(std::move(item));
  return *FItems.back();
}

void TmsAttList::Delete(int index) {
  FItems.erase(FItems.begin() + index);
}

void TmsAttList::Assign(const TmsAttList& other) {
  if (&other == this) return;
  FItems.clear();
  for (const auto& item : other.FItems) {
    auto copy = std::make_unique<TmsAttItem>();
    copy->Assign(*item);
    FItems.push_back(std::move(copy));
  }
}

namespace {
// The first ch that stands outside double quotes.
size_t FindUnquoted(const std::string& text, char ch) {
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"')
      quoted = !quoted;
    else if (!quoted && text[i] == ch)
      return i;
  }
  return std::string::npos;
}
} // namespace

namespace {
// The address and name parts of text, unquoted and whole.
void SplitMailAddress(const std::string& text, std::string& address, std::string& name) {
  size_t lt = FindUnquoted(text, '<');
  size_t paren = text.find('(');
  if (lt != std::string::npos) {
    size_t gt = text.find('>', lt + 1);
    if (gt == std::string::npos) throw EMessageError("Unable to parse email address");
    address = text.substr(lt + 1, gt - lt - 1);
    name = text.substr(0, lt) + text.substr(gt + 1);
    // A second bracket leaves it open which part is the address: the envelope never guesses.
    if (FindUnquoted(name, '<') != std::string::npos ||
        FindUnquoted(name, '>') != std::string::npos)
      throw EMessageError("Unable to parse email address");
  } else if (paren != std::string::npos) {
    address = text.substr(0, paren);
    size_t close = text.find(')', paren + 1);
    name =
        text.substr(paren + 1, close == std::string::npos ? std::string::npos : close - paren - 1);
  } else {
    address = text;
  }
  address = Unquote(address);
  name = Unquote(name);
}
} // namespace

TmsMailAddress ParseMailAddress(const std::string& text) {
  std::string address, name;
  SplitMailAddress(text, address, name);
  return TmsMailAddress(address, name);
}

std::string MailAddressOf(const std::string& text) {
  std::string address, name;
  SplitMailAddress(text, address, name);
  return address;
}

std::string ContentTypeOfFile(const std::string& fileName) {
  std::string ext = ExtractFileExt(fileName);
  if (!ext.empty()) {
    TRegistry reg(KEY_READ);
    reg.SetRootKey(HKeyClassesRoot());
    if (reg.OpenKeyReadOnly("\\" + ext)) {
      try {
        std::string type = reg.ReadString("Content Type");
        if (!Trim(type).empty()) return Trim(type);
      } catch (const ERegistryException&) {
        // A value that is not text names no type.
      }
    }
  }
  return "application/octet-stream";
}
