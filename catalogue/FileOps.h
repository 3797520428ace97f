// The file operations of packing and saving, behind a seam so that tests can make them fail.
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
  // Puts from in place of to, replacing to when it exists.
  virtual bool Replace(const std::string& from, const std::string& to);
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

// Writes a whole file through a work file beside it and then puts it in place, so that a failed
// write leaves the former file as it was. Raises EStreamError on failure.
void WriteFileSafely(const std::string& path, const std::string& bytes,
                     TFileOps& ops = DefaultFileOps());
