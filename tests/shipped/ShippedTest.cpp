// What the built Tonalbrook.exe carries (read as a data file, compared with the source files) and
// the document icon a start writes from it.
#include <gtest/gtest.h>
#include <windows.h>
#include "FileAssoc.h"
#include "Resources.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

std::string SourceFile(const std::string& relative) {
  return ReadFileBytes(WinPath(EnvVar("TB_SOURCE_DIR") + "/" + relative));
}

std::string ProgramPath() {
  return WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
}

unsigned Word(const std::string& s, size_t at) {
  return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}

uint32_t Dword(const std::string& s, size_t at) {
  return Word(s, at) | Word(s, at + 2) << 16;
}

// A cursor group of one image: its image resource must be the .cur file's hot spot followed by
// the file's image.
void ExpectCursorFromFile(HMODULE module, const char* name, const std::string& cur) {
  std::string group = ModuleResourceData(module, name, RT_GROUP_CURSOR);
  ASSERT_EQ(group.size(), 6u + 14u) << name;
  EXPECT_EQ(Word(group, 4), 1u) << name;
  std::string image = ModuleResourceData(module, MAKEINTRESOURCEA(Word(group, 18)), RT_CURSOR);
  ASSERT_GE(cur.size(), 22u);
  std::string expected = cur.substr(10, 4) + cur.substr(Dword(cur, 18), Dword(cur, 14));
  EXPECT_EQ(image, expected) << name;
}

} // namespace

TEST(ShippedProgram, CarriesItsManifestIconCursorsResetsAndVersion) {
  HMODULE program = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr) << ProgramPath();
  std::string manifest = ModuleResourceData(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  EXPECT_EQ(manifest, SourceFile("classlib/res/CommonControls.manifest"));
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  EXPECT_EQ(IconFileBytes(program, "MAINICON"), SourceFile("app/res/Tonalbrook.ico"));
  ExpectCursorFromFile(program, "HELP", SourceFile("classlib/res/Help.cur"));
  ExpectCursorFromFile(program, "HANDPOINT", SourceFile("classlib/res/HandPoint.cur"));
  ExpectCursorFromFile(program, "DRAGSINGLE", SourceFile("classlib/res/DragSingle.cur"));
  ExpectCursorFromFile(program, "DRAGMULTI", SourceFile("classlib/res/DragMulti.cur"));
  for (const char* name : {"GMRESET", "GSRESET"})
    EXPECT_EQ(ModuleResourceData(program, name, RT_RCDATA).substr(0, 4), "MThd") << name;
  FreeLibrary(program);

  // The version as another program reads it: the fixed part and the US-English, Windows
  // Latin-1 strings.
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(ProgramPath().c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(ProgramPath().c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00030007u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00030007u);
  char* text = nullptr;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904E4\\FileVersion",
                             reinterpret_cast<void**>(&text), &len));
  EXPECT_STREQ(text, "3.7.1");
  EXPECT_EQ(FileVersionValue(ProgramPath(), "ProductVersion"), "3.7.1");
  EXPECT_EQ(FileVersionValue(ProgramPath(), "ProductName"), "Tonalbrook");
  EXPECT_EQ(FileVersionValue(ProgramPath(), "OriginalFilename"), "Tonalbrook.exe");
}

TEST(ShippedProgram, CarriesTheSoundLibrarysStringsAndThirtyCursors) {
  HMODULE program = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr) << ProgramPath();
  char text[128] = {};
  ASSERT_GT(LoadStringA(program, 28062, text, sizeof text), 0);
  EXPECT_STREQ(text, "Invalid WaveFormat");
  for (int id = 2001; id <= 2030; ++id)
    ExpectCursorFromFile(program, MAKEINTRESOURCEA(id),
                         SourceFile("sound/mmres/MM" + std::to_string(id) + ".cur"));
  // The program's own cursors are still its own.
  ExpectCursorFromFile(program, "HELP", SourceFile("classlib/res/Help.cur"));
  FreeLibrary(program);
}

TEST(ShippedProgram, TheDocumentIconIsWrittenWhenMissingAndAnOwnOneIsKept) {
  TScratchDir dir("tbicon");
  ASSERT_TRUE(WriteDocumentIcon(dir.Path()));
  std::string path = dir / "QXmidiX.ico";
  EXPECT_EQ(ReadFileBytes(path), SourceFile("app/res/Tonalbrook.ico"));
  // Windows itself takes it as an icon file, at each of its sizes.
  for (int side : {16, 32, 48}) {
    HICON icon = static_cast<HICON>(
        LoadImageA(nullptr, path.c_str(), IMAGE_ICON, side, side, LR_LOADFROMFILE));
    EXPECT_NE(icon, nullptr) << side;
    ICONINFO parts{};
    if (icon && GetIconInfo(icon, &parts)) {
      BITMAP bm{};
      GetObjectA(parts.hbmColor, sizeof bm, &bm);
      EXPECT_EQ(bm.bmWidth, side);
      DeleteObject(parts.hbmColor);
      DeleteObject(parts.hbmMask);
    }
    if (icon) DestroyIcon(icon);
  }
  // An icon the user put there stays.
  WriteFileBytes(path, "own icon");
  EXPECT_TRUE(WriteDocumentIcon(dir.Path()));
  EXPECT_EQ(ReadFileBytes(path), "own icon");
}
