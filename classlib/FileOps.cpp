// The real file system behind the file-operations seam, and the safe replace of a whole file.
#include "FileOps.h"
#include <windows.h>

namespace {

bool SystemRenameOver(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

TRenameOverFunc& RenameOverFunc() {
  static TRenameOverFunc func = SystemRenameOver;
  return func;
}

} // namespace

TRenameOverFunc SetRenameOverFunc(TRenameOverFunc func) {
  TRenameOverFunc former = RenameOverFunc();
  RenameOverFunc() = func ? func : SystemRenameOver;
  return former;
}

bool TFileOps::Replace(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH);
}

bool TFileOps::RenameOver(const std::string& from, const std::string& to) {
  return RenameOverFunc()(from, to);
}

bool TFileOps::Remove(const std::string& path) {
  return DeleteFileA(path.c_str()) != 0;
}

TFileOps& DefaultFileOps() {
  static TFileOps ops;
  return ops;
}

void WriteFileSafely(const std::string& path, const std::string& bytes, TFileOps& ops) {
  std::string work = path + ".new";
  {
    auto stream = ops.Create(work);
    try {
      stream->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
      ops.Commit(*stream);
    } catch (const std::exception& e) {
      stream.reset();
      ops.Remove(work);
      throw EWriteError("Cannot save \"" + path + "\": " + e.what() +
                        " The file is kept as it was.");
    }
  }
  SetLastError(0);
  if (!ops.RenameOver(work, path)) {
    DWORD code = GetLastError();
    std::string reason =
        code ? SysErrorMessage(code) : "the new file could not be put in its place.";
    ops.Remove(work);
    throw EWriteError("Cannot save \"" + path + "\": " + reason + " The file is kept as it was.");
  }
}
