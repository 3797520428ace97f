// The file operations of packing and saving, behind a seam so that tests can make them fail, and
// the safe replace of a whole file.
#pragma once
#include "Classes.h"
#include <memory>
#include <string>

class TFileOps {
public:
  virtual ~TFileOps() = default;
  virtual bool Exists(const std::string& path) { return FileExists(path); }
  virtual bool Rename(const std::string& from, const std::string& to) {
    return RenameFile(from, to);
  }
  // Puts from in place of to, replacing to when it exists; may copy across volumes.
  virtual bool Replace(const std::string& from, const std::string& to);
  // Puts from in place of to in one rename on the same volume, so that to is never cut.
  virtual bool RenameOver(const std::string& from, const std::string& to);
  virtual bool Remove(const std::string& path);
  virtual int64_t Free(const std::string& folder) { return DiskFree(folder); }
  // A new, empty file opened for writing; raises EFCreateError when it cannot be made.
  virtual std::unique_ptr<TStream> Create(const std::string& path) {
    return std::make_unique<TFileStream>(path, fmCreate);
  }
  // Makes what was written to a stream from Create durable before the file is used.
  virtual void Commit(TStream& stream) {
    if (auto* f = dynamic_cast<TFileStream*>(&stream)) f->Flush();
  }
};

// The real file system.
TFileOps& DefaultFileOps();

// The final rename of a safe replace as the real file system does it (MoveFileExA, replacing and
// written through). Another function can stand in, so that a replace can be made to fail; nullptr
// puts the system's back. Answers the one that was in place.
using TRenameOverFunc = bool (*)(const std::string& from, const std::string& to);
TRenameOverFunc SetRenameOverFunc(TRenameOverFunc func);

// Writes a whole file through a work file beside it (the name and ".new"), flushed to the disk,
// and then renames it over the file, so that an end at any moment leaves the former file or the
// new one, never a cut one. On failure the work file is removed, the former file stays as it was,
// and EWriteError (EFCreateError when the work file cannot be made) names the file.
void WriteFileSafely(const std::string& path, const std::string& bytes,
                     TFileOps& ops = DefaultFileOps());
