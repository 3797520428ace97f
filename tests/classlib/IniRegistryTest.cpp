// Settings files and the registry: values as another reader of the file or key would see them.
#include <gtest/gtest.h>
#include <windows.h>
#include "IniFiles.h"
#include "Registry.h"
#include "SysUtils.h"
#include "TestUtil.h"

TEST(IniFile, ValuesRoundTripAndLandInTheFileAsText) {
  TScratchDir dir("ini");
  {
    TIniFile ini(dir / "a.ini");
    ini.WriteString("Setup", "Server", "mail.example.org");
    ini.WriteInteger("Format", "Color", 0xC0C0C0);
    ini.WriteInteger("Format", "Neg", -7);
    ini.WriteBool("Setup", "On", true);
    ini.WriteBool("Setup", "Off", false);
    ini.UpdateFile();
  }
  std::string text = ReadFileBytes(dir / "a.ini");
  EXPECT_NE(text.find("Color=12632256"), std::string::npos) << text;
  EXPECT_NE(text.find("On=1"), std::string::npos);
  EXPECT_NE(text.find("Off=0"), std::string::npos);

  TIniFile ini(dir / "a.ini");
  EXPECT_EQ(ini.ReadString("Setup", "Server", ""), "mail.example.org");
  EXPECT_EQ(ini.ReadInteger("Format", "Color", 0), 0xC0C0C0);
  EXPECT_EQ(ini.ReadInteger("Format", "Neg", 0), -7);
  EXPECT_TRUE(ini.ReadBool("Setup", "On", false));
  EXPECT_FALSE(ini.ReadBool("Setup", "Off", true));
  // Keys and sections are found regardless of case, as the system does.
  EXPECT_EQ(ini.ReadString("SETUP", "server", ""), "mail.example.org");
}

TEST(IniFile, MissingOrUnreadableValuesGiveTheDefault) {
  TScratchDir dir("ini");
  WriteFileBytes(dir / "b.ini", "[S]\r\nWord=yes\r\nHex=$1F\r\nCHex=0x20\r\nTwo=2\r\n");
  TIniFile ini(dir / "b.ini");
  EXPECT_EQ(ini.ReadInteger("S", "Word", 42), 42);
  EXPECT_EQ(ini.ReadInteger("S", "Hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("S", "CHex", 0), 32);
  EXPECT_TRUE(ini.ReadBool("S", "Two", false));
  EXPECT_TRUE(ini.ReadBool("S", "Word", true));
  EXPECT_EQ(ini.ReadString("S", "None", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadInteger("Nowhere", "None", 5), 5);
  TIniFile missing(dir / "missing.ini");
  EXPECT_EQ(missing.ReadString("S", "Word", "d"), "d");
  EXPECT_FALSE(FileExists(dir / "missing.ini")); // reading creates nothing
}

TEST(IniFile, LongValuesAreNotCut) {
  TScratchDir dir("ini");
  TIniFile ini(dir / "c.ini");
  std::string longText(5000, 'x');
  longText += "end";
  ini.WriteString("S", "Long", longText);
  EXPECT_EQ(ini.ReadString("S", "Long", ""), longText);
}

TEST(IniFile, SectionAndKeyListsFollowTheFileAndEraseAndDeleteRemove) {
  TScratchDir dir("ini");
  WriteFileBytes(dir / "d.ini",
                 "[First]\r\nb=1\r\na=2\r\n\r\n[Second]\r\nz=3\r\n[Third]\r\nq=4\r\n");
  TIniFile ini(dir / "d.ini");
  TStringList list;
  ini.ReadSections(list);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Text(), "First\r\nSecond\r\nThird\r\n");
  ini.ReadSection("First", list);
  EXPECT_EQ(list.Text(), "b\r\na\r\n");
  ini.ReadSectionValues("First", list);
  EXPECT_EQ(list.Text(), "b=1\r\na=2\r\n");
  EXPECT_TRUE(ini.SectionExists("Second"));
  EXPECT_TRUE(ini.ValueExists("First", "a"));
  EXPECT_FALSE(ini.ValueExists("First", "c"));

  ini.EraseSection("Second");
  ini.DeleteKey("First", "b");
  ini.UpdateFile();
  ini.ReadSections(list);
  EXPECT_EQ(list.Text(), "First\r\nThird\r\n");
  ini.ReadSection("First", list);
  EXPECT_EQ(list.Text(), "a\r\n");
  std::string text = ReadFileBytes(dir / "d.ini");
  EXPECT_EQ(text.find("Second"), std::string::npos) << text;
  EXPECT_EQ(text.find("b=1"), std::string::npos) << text;
}

TEST(IniFile, BareNameMeansTheCurrentFolderAndUnwritableFileRaises) {
  TScratchDir dir("ini");
  std::string former = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDir(dir.Path()));
  {
    TIniFile ini("Bare.ini");
    ini.WriteString("S", "k", "v");
    ini.UpdateFile();
  }
  SetCurrentDir(former);
  EXPECT_TRUE(FileExists(dir / "Bare.ini"));

  TIniFile bad(dir / "no such folder\\x.ini");
  EXPECT_THROW(bad.WriteString("S", "k", "v"), EIniFileException);
}

namespace {

// A registry key of this test run's own, removed again with the object.
struct TScratchKey {
  std::string Path = "\\Software\\TonalbrookTest\\Reg" + std::to_string(GetCurrentProcessId());
  ~TScratchKey() {
    TRegistry reg;
    reg.DeleteKey(Path);
    TStringList others;
    if (reg.OpenKey("\\Software\\TonalbrookTest", false)) reg.GetKeyNames(others);
    reg.CloseKey();
    if (others.Count() == 0) reg.DeleteKey("\\Software\\TonalbrookTest");
  }
};

} // namespace

TEST(Registry, ValuesRoundTripThroughTheSystemRegistry) {
  TScratchKey key;
  {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(key.Path + "\\Sub", false));
    ASSERT_TRUE(reg.OpenKey(key.Path + "\\Sub", true));
    reg.WriteString("", "default text");
    reg.WriteString("Name", "value");
    reg.WriteInteger("Number", -12345);
    reg.CloseKey();
  }
  // Read back through the system itself, not only through the class.
  HKEY k = nullptr;
  std::string sub = key.Path.substr(1) + "\\Sub";
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, KEY_READ, &k), ERROR_SUCCESS);
  char buf[64];
  DWORD size = sizeof buf, type = 0;
  ASSERT_EQ(RegQueryValueExA(k, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(buf, "default text");
  RegCloseKey(k);

  TRegistry reg(KEY_READ);
  ASSERT_TRUE(reg.OpenKey(key.Path, false));
  ASSERT_TRUE(reg.OpenKey("Sub", false)); // relative to the open key
  EXPECT_EQ(reg.CurrentPath(), key.Path.substr(1) + "\\Sub");
  EXPECT_EQ(reg.ReadString(""), "default text");
  EXPECT_EQ(reg.ReadString("Name"), "value");
  EXPECT_EQ(reg.ReadInteger("Number"), -12345);
  EXPECT_EQ(reg.ReadString("Absent"), "");
  EXPECT_THROW(reg.ReadInteger("Absent"), ERegistryException);
  EXPECT_THROW(reg.ReadInteger("Name"), ERegistryException);
  EXPECT_THROW(reg.ReadString("Number"), ERegistryException);
  EXPECT_TRUE(reg.ValueExists("Name"));
  EXPECT_FALSE(reg.ValueExists("Absent"));
  TStringList names;
  reg.GetValueNames(names);
  EXPECT_EQ(names.Count(), 3);
}

TEST(Registry, DeleteValueAndKeyWithEverythingBelowIt) {
  TScratchKey key;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(key.Path + "\\A\\B\\C", true));
  reg.WriteString("v", "x");
  ASSERT_TRUE(reg.OpenKey(key.Path + "\\A", false));
  reg.WriteString("w", "y");
  EXPECT_TRUE(reg.DeleteValue("w"));
  EXPECT_FALSE(reg.ValueExists("w"));
  EXPECT_FALSE(reg.DeleteValue("w"));
  TStringList keys;
  reg.GetKeyNames(keys);
  EXPECT_EQ(keys.Text(), "B\r\n");
  reg.CloseKey();

  EXPECT_TRUE(reg.KeyExists(key.Path + "\\A\\B\\C"));
  EXPECT_TRUE(reg.DeleteKey(key.Path + "\\A"));
  EXPECT_FALSE(reg.KeyExists(key.Path + "\\A\\B\\C"));
  EXPECT_FALSE(reg.KeyExists(key.Path + "\\A"));
  EXPECT_TRUE(reg.KeyExists(key.Path));
  EXPECT_FALSE(reg.DeleteKey(key.Path + "\\A"));
}

TEST(Registry, RootKeyChoosesTheTreeAndClosesTheOpenKey) {
  TRegistry reg(KEY_READ);
  EXPECT_EQ(reg.RootKey(), HKeyCurrentUser());
  ASSERT_TRUE(reg.OpenKey("\\Software", false));
  reg.SetRootKey(HKeyLocalMachine());
  EXPECT_EQ(reg.CurrentKey(), nullptr);
  EXPECT_TRUE(reg.KeyExists("\\Software\\Microsoft\\Windows\\CurrentVersion"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\No Such Key For Tonalbrook"));
}
