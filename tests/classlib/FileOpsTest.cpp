// The safe replace of a whole file: the new content or the old one, never a cut file or a leftover.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <functional>
#include "FileOps.h"
#include "Handles.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

bool RefuseRename(const std::string&, const std::string&) {
  SetLastError(ERROR_ACCESS_DENIED);
  return false;
}

// The rename over the file refused for as long as it lives.
struct TRefusedRename {
  TRenameOverFunc Former = SetRenameOverFunc(RefuseRename);
  ~TRefusedRename() { SetRenameOverFunc(Former); }
};

// A disk that fills after a few bytes of the work file.
class TFullDiskOps : public TFileOps {
public:
  class TShortStream : public TFileStream {
  public:
    explicit TShortStream(const std::string& path) : TFileStream(path, fmCreate) {}
    int32_t Write(const void* buffer, int32_t count) override {
      return TFileStream::Write(buffer, std::min<int32_t>(count, 3));
    }
  };
  std::unique_ptr<TStream> Create(const std::string& path) override {
    return std::make_unique<TShortStream>(path);
  }
};

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EWriteError& e) {
    return e.what();
  }
  return "";
}

} // namespace

TEST(SafeReplace, TheFileHoldsTheNewBytesOrKeepsTheOldAndNoWorkFileStays) {
  TScratchDir dir("tbreplace");
  const std::string path = dir / "Albums_A.dex";

  // Made where there was none, and replaced whole by a shorter content.
  WriteFileSafely(path, std::string(200, 'a'));
  EXPECT_EQ(ReadFileBytes(path), std::string(200, 'a'));
  WriteFileSafely(path, "second");
  EXPECT_EQ(ReadFileBytes(path), "second");
  EXPECT_FALSE(FileExists(path + ".new"));
  // An empty list is an empty file, not a missing one.
  WriteFileSafely(path, "");
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(FileSize(path), 0);
  WriteFileSafely(path, "kept");
  // A work file left by an end in the middle of an earlier save is no obstacle.
  WriteFileBytes(path + ".new", "half a fi");
  WriteFileSafely(path, "kept");
  EXPECT_FALSE(FileExists(path + ".new"));

  {
    // The rename refused: the old file as it was, the work file gone, the file named.
    TRefusedRename refused;
    std::string error = ErrorOf([&] { WriteFileSafely(path, "never seen"); });
    EXPECT_NE(error.find("Cannot save \"" + path + "\""), std::string::npos) << error;
    EXPECT_NE(error.find("The file is kept as it was."), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(path), "kept");
    EXPECT_FALSE(FileExists(path + ".new"));
  }

  // The disk full part way through the work file: the same.
  TFullDiskOps full;
  std::string error = ErrorOf([&] { WriteFileSafely(path, "longer than three", full); });
  EXPECT_NE(error.find("Cannot save \"" + path + "\""), std::string::npos) << error;
  EXPECT_EQ(ReadFileBytes(path), "kept");
  EXPECT_FALSE(FileExists(path + ".new"));

  // The system's own rename back in place: replacing works again.
  WriteFileSafely(path, "third");
  EXPECT_EQ(ReadFileBytes(path), "third");
}

TEST(SafeReplace, AFileHeldOpenWithoutSharingIsKeptAsItWas) {
  TScratchDir dir("tbreplace");
  const std::string path = dir / "Categories.dex";
  WriteFileBytes(path, "held");
  TKernelHandle held(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held.Valid());
  std::string error = ErrorOf([&] { WriteFileSafely(path, "not while held"); });
  EXPECT_NE(error.find("Cannot save \"" + path + "\""), std::string::npos) << error;
  EXPECT_FALSE(FileExists(path + ".new"));
  held.Reset();
  EXPECT_EQ(ReadFileBytes(path), "held");
}
