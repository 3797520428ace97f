// The real file system behind the file-operations seam.
#include "FileOps.h"
#include <windows.h>

bool TFileOps::Replace(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH);
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
    } catch (...) {
      stream.reset();
      ops.Remove(work);
      throw;
    }
  }
  if (!ops.Replace(work, path)) {
    ops.Remove(work);
    throw EWriteError("Cannot replace \"" + path + "\"");
  }
}
