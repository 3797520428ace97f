// Rules of importing that need no window: the road a file takes, the title and type its name
// gives, artist names, stored origins, plug-in requests and dropped files' titles.
#pragma once
#include <cstdint>
#include <string>

class TMasterFrm;

// Holds import-busy for one whole import (or scan and its import): a title start waits for it,
// requests and drops wait in the queue, and a close is put off until the import returns.
class TImportScope {
public:
  explicit TImportScope(TMasterFrm& master);
  ~TImportScope();
  TImportScope(const TImportScope&) = delete;
  TImportScope& operator=(const TImportScope&) = delete;

private:
  TMasterFrm& FMaster;
};

enum class TImportKind { None, Midi, Archive };

// The final extension decides: ".mid", ".midi" and ".rmi" are MIDI files, ".zip" an archive.
TImportKind ImportKindOf(const std::string& fileName);

// The title stored for an add title and its file type: trimmed; a final ".mid" cut when it is the
// first ".MID" of the text, then a final ".rmi" the same way (type "RMI", else "MIDI"); every "_"
// a blank.
void TitleAndTypeOf(const std::string& addTitle, std::string& title, std::string& fileType);

// "Last, First": the trimmed text before the first comma and the trimmed text after it; without a
// comma the whole trimmed text is the last name.
void SplitAtComma(const std::string& text, std::string& lastName, std::string& firstName);

// An origin as the title record keeps it (trimmed, cut to the record's room), so that the
// duplicate test compares like with like.
std::string StoredOrigin(const std::string& origin);

// A plug-in request: "NV", the saved file's path, "[", the address it came from.
struct TNVRequest {
  std::string Path;
  std::string Address;
  std::string Title;  // the part of the address after its last "/"
  std::string Origin; // the trimmed address
};
// False when the text is not a well-formed plug-in request.
bool ParseNVRequest(const std::string& text, TNVRequest& request);

// A path as a request or a drop hands it over: trimmed, one pair of enclosing quotes dropped.
std::string UnquotedPath(const std::string& path);

// A dropped file's title: its bare name up to its first ".".
std::string DropTitleOf(const std::string& path);

// Entries larger than this are not extracted from an archive.
inline constexpr int64_t MaxEntrySize = 64ll * 1024 * 1024;
