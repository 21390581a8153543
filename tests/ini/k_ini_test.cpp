// K_INI against the real platform under Wine: profile files in the prefix's Windows
// folder, real files and folders, real modules and windows.
#include "K_INI.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "win_test_files.h"

namespace {

using kolta::test::MakeDirectories;
using kolta::test::RemoveTree;
using kolta::test::WriteFile;

constexpr char kRoot[] = "C:\\kt\\";

std::string WindowsFolder() {
  char folder[MAX_PATH] = {};
  GetWindowsDirectoryA(folder, MAX_PATH);
  std::string text = folder;
  if (text.back() != '\\') text += '\\';
  return text;
}

std::string ConfigFile() { return WindowsFolder() + "korvex.ini"; }

std::string ReadRaw(const char* section, const char* key) {
  char value[1024] = {};
  GetPrivateProfileStringA(section, key, "<missing>", value, sizeof value, "korvex.ini");
  return value;
}

void WriteRaw(const char* section, const char* key, const std::string& value) {
  ASSERT_TRUE(WritePrivateProfileStringA(section, key, value.c_str(), "korvex.ini"));
}

struct ModuleDeleter {
  void operator()(HINSTANCE module) const { FreeLibrary(module); }
};
using Module = std::unique_ptr<std::remove_pointer_t<HINSTANCE>, ModuleDeleter>;

// Copies the test's probe DLL to `path` and loads it, so that tests control the folder a
// module lies in.
Module LoadProbeAt(const std::string& path) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string probe = self;
  probe = probe.substr(0, probe.find_last_of('\\') + 1) + "ini_test_module.dll";
  if (!CopyFileA(probe.c_str(), path.c_str(), FALSE)) return nullptr;
  return Module(LoadLibraryA(path.c_str()));
}

class KIni : public ::testing::Test {
 protected:
  void SetUp() override {
    IniRemove();
    RemoveTree(kRoot);
    ASSERT_TRUE(MakeDirectories(kRoot));
  }
  void TearDown() override { IniRemove(); }

  char out_[K_INI_TEXT_SIZE] = {};
};

TEST_F(KIni, NamesTheConfigurationFileAndTheLanguage) {
  EXPECT_STREQ(IniGetIni(out_), "korvex.ini");
  EXPECT_EQ(IniGetIni(out_), out_);
  EXPECT_EQ(IniGetSysLan(), 2);
  EXPECT_STREQ(IniGetSysLanStr(out_), "chs");
  EXPECT_STREQ(IniGetLocalSysLanStr("Z:\\not\\read.ini", out_), "chs");
  EXPECT_STREQ(IniGetLocalSysLanStr(nullptr, out_), "chs");
  EXPECT_STREQ(IniGetAppName(nullptr, nullptr, nullptr, out_), "Untitled");
  EXPECT_EQ(IniGetIni(nullptr), nullptr);
}

TEST_F(KIni, PathKeysRoundTripWithAFinalBackslash) {
  EXPECT_EQ(IniGetInstallPath(out_), 0) << "no configuration file yet";
  ASSERT_NE(IniPutInstallPath("C:\\Program Files\\Kolta"), 0);
  ASSERT_NE(IniPutCDPath("D:\\"), 0);
  // Written through the real profile functions into the Windows folder.
  EXPECT_EQ(GetFileAttributesA(ConfigFile().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(ReadRaw("PATH", "INSTALLPATH"), "C:\\Program Files\\Kolta\\");
  EXPECT_EQ(ReadRaw("PATH", "CDPATH"), "D:\\");

  ASSERT_EQ(IniGetInstallPath(out_), 1);
  EXPECT_STREQ(out_, "C:\\Program Files\\Kolta\\");
  ASSERT_EQ(IniGetCDPath(out_), 1);
  EXPECT_STREQ(out_, "D:\\");

  // A value stored by someone else without the backslash is given with one.
  WriteRaw("PATH", "CDPATH", "E:\\media");
  ASSERT_EQ(IniGetCDPath(out_), 1);
  EXPECT_STREQ(out_, "E:\\media\\");

  // A missing or empty key leaves out untouched.
  WriteRaw("PATH", "CDPATH", "");
  std::strcpy(out_, "untouched");
  EXPECT_EQ(IniGetCDPath(out_), 0);
  EXPECT_STREQ(out_, "untouched");
}

TEST_F(KIni, PathsLongerThanTheBufferAreRefusedNotCut) {
  const std::string longest = "C:\\" + std::string(123, 'p') + "\\";  // 127 characters
  ASSERT_NE(IniPutInstallPath(longest.c_str()), 0);
  ASSERT_EQ(IniGetInstallPath(out_), 1);
  EXPECT_EQ(out_, longest);

  // 127 characters without the backslash would need 128: nothing is written.
  const std::string tooLong = longest.substr(0, 126) + "q";
  EXPECT_EQ(IniPutInstallPath(tooLong.c_str()), 0);
  EXPECT_EQ(ReadRaw("PATH", "INSTALLPATH"), longest);

  // Stored by someone else: refused on reading, out untouched.
  for (const std::string& stored : {tooLong, std::string(300, 'x')}) {
    WriteRaw("PATH", "INSTALLPATH", stored);
    std::strcpy(out_, "untouched");
    EXPECT_EQ(IniGetInstallPath(out_), 0);
    EXPECT_STREQ(out_, "untouched");
  }
  WriteRaw("Misc", "Long", std::string(128, 'v'));
  EXPECT_EQ(IniGetValue("Misc", "Long", out_), 0);
  EXPECT_STREQ(out_, "untouched");
}

TEST_F(KIni, AllIsOneOnlyForTheDecimalValueOne) {
  EXPECT_EQ(IniGetAll(), 0) << "missing key";
  for (const auto& [stored, expected] :
       {std::pair{"1", 1}, {"01", 1}, {"2", 0}, {"0", 0}, {"", 0}, {"one", 0}}) {
    WriteRaw("PATH", "ALL", stored);
    EXPECT_EQ(IniGetAll(), expected) << "ALL=" << stored;
  }
  ASSERT_NE(IniPutAll(7), 0);
  EXPECT_EQ(ReadRaw("PATH", "ALL"), "1");
  ASSERT_NE(IniPutAll(0), 0);
  EXPECT_EQ(ReadRaw("PATH", "ALL"), "0");
}

TEST_F(KIni, GenericKeys) {
  ASSERT_NE(IniPutValue("Player", "Volume", "80"), 0);
  ASSERT_EQ(IniGetValue("Player", "Volume", out_), 1);
  EXPECT_STREQ(out_, "80");
  std::strcpy(out_, "untouched");
  EXPECT_EQ(IniGetValue("Player", "Missing", out_), 0);
  EXPECT_STREQ(out_, "untouched");
  ASSERT_NE(IniPutValue("Player", "Volume", nullptr), 0) << "the platform's rule: delete the key";
  EXPECT_EQ(IniGetValue("Player", "Volume", out_), 0);
  EXPECT_EQ(IniGetValue(nullptr, "Volume", out_), 0);
  EXPECT_EQ(IniGetValue("Player", nullptr, out_), 0);
}

TEST_F(KIni, RemoveDeletesTheConfigurationFileEvenWhenReadOnly) {
  ASSERT_NE(IniPutAll(1), 0);
  ASSERT_TRUE(SetFileAttributesA(ConfigFile().c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(IniRemove(), 0);
  EXPECT_EQ(GetFileAttributesA(ConfigFile().c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(IniRemove(), -1) << "absent";
}

class KIniFiles : public KIni {
 protected:
  static constexpr char kCd[] = "C:\\kt\\cd\\";
  static constexpr char kHd[] = "C:\\kt\\hd\\";
};

TEST_F(KIniFiles, DataFileOnTheHardDiskIsPreferred) {
  const std::string installed = std::string(kHd) + "Lan\\chs\\FILE\\a.txt";
  ASSERT_TRUE(WriteFile(installed, "x"));
  EXPECT_EQ(IniGetFileName(kCd, kHd, 2, "Fa.txt", out_), 0);
  EXPECT_EQ(out_, installed);

  ASSERT_TRUE(DeleteFileA(installed.c_str()));
  EXPECT_EQ(IniGetFileName(kCd, kHd, 2, "Fa.txt", out_), 0);
  EXPECT_STREQ(out_, "C:\\kt\\cd\\Lan\\chs\\FILE\\a.txt");

  // Language -1: no language folder.
  ASSERT_TRUE(WriteFile(std::string(kHd) + "BIN\\main.exe", "x"));
  EXPECT_EQ(IniGetFileName(kCd, kHd, -1, "bmain.exe", out_), 0);
  EXPECT_STREQ(out_, "C:\\kt\\hd\\BIN\\main.exe");
}

TEST_F(KIniFiles, DataFolderIsFoundWithoutItsPicture) {
  const std::string folder = std::string(kHd) + "Lan\\chs\\GLIB\\frames";
  ASSERT_TRUE(MakeDirectories(folder + "\\"));
  EXPECT_EQ(IniGetFileName(kCd, kHd, 2, "Gframes", out_), 0);
  EXPECT_EQ(out_, folder);

  const std::string cd = "C:\\kt\\cd\\Lan\\chs\\GLIB\\other";
  EXPECT_EQ(IniGetFileName(kCd, kHd, 2, "Gother", out_), static_cast<int>(cd.size()));
  EXPECT_EQ(out_, cd);
}

TEST_F(KIniFiles, SoundFileOnTheHardDiskIsPreferred) {
  const std::string installed = std::string(kHd) + "Lan\\chs\\STEREO\\fx\\boom.wav";
  ASSERT_TRUE(WriteFile(installed, "x"));
  EXPECT_EQ(IniGetSoundName(kCd, kHd, 2, 1, "fx\\boom.wav", out_), 0);
  EXPECT_EQ(out_, installed);
  EXPECT_EQ(IniGetSoundName(kCd, kHd, 2, 0, "fx\\boom.wav", out_), 0);
  EXPECT_STREQ(out_, "C:\\kt\\cd\\Lan\\chs\\MONO\\fx\\boom.wav");
}

TEST_F(KIniFiles, ComposedPathsThatDoNotFitAreRefused) {
  EXPECT_EQ(IniGetFileNameClearMean(kCd, kHd, 2, "HFx.txt", out_), 0);
  EXPECT_STREQ(out_, "C:\\kt\\hd\\Lan\\chs\\FILE\\x.txt");
  EXPECT_EQ(IniGetSoundNameClearMean(kCd, kHd, 3, 0, "Cx.wav", out_), 0);
  EXPECT_STREQ(out_, "C:\\kt\\cd\\Lan\\diy\\MONO\\x.wav");

  const std::string name = "F" + std::string(120, 'n');
  EXPECT_EQ(IniGetFileName(kCd, kHd, 2, name.c_str(), out_), -1);
  EXPECT_STREQ(out_, "");
  const std::string coded = "HF" + std::string(120, 'n');
  EXPECT_EQ(IniGetFileNameClearMean(kCd, kHd, 2, coded.c_str(), out_), -1);
  EXPECT_STREQ(out_, "");

  // An unknown root letter appends to out; an unterminated out cannot be appended to.
  std::strcpy(out_, "E:\\");
  EXPECT_EQ(IniGetFileNameClearMean(kCd, kHd, -1, "Xmclip.avi", out_), 0);
  EXPECT_STREQ(out_, "E:\\MEDIA\\clip.avi");
  std::memset(out_, 'g', sizeof out_);
  EXPECT_EQ(IniGetFileNameClearMean(kCd, kHd, -1, "Xmclip.avi", out_), -1);
  EXPECT_STREQ(out_, "");
  std::memset(out_, 'g', sizeof out_);
  EXPECT_EQ(IniGetFileNameClearMean(kCd, kHd, -1, "Hmclip.avi", out_), 0);
  EXPECT_STREQ(out_, "C:\\kt\\hd\\MEDIA\\clip.avi");
  EXPECT_EQ(IniGetFileName(kCd, kHd, 2, nullptr, out_), -1);
  EXPECT_EQ(IniGetFileName(kCd, kHd, 2, "Fa.txt", nullptr), -1);
}

class KIniModule : public KIni {
 protected:
  void SetUp() override {
    KIni::SetUp();
    ASSERT_TRUE(MakeDirectories(kFolder));
    module_ = LoadProbeAt(std::string(kFolder) + "probe_a.dll");
    ASSERT_NE(module_, nullptr);
  }

  void WriteParameter(const char* key, const char* value) {
    ASSERT_TRUE(WritePrivateProfileStringA("PARA", key, value, "C:\\kt\\mod\\app.ini"));
  }

  static constexpr char kFolder[] = "C:\\kt\\mod\\";
  Module module_;
};

TEST_F(KIniModule, ModulePathIsTheModulesFolder) {
  EXPECT_STREQ(IniGetModulePath(module_.get(), out_), kFolder);
  EXPECT_EQ(IniGetModulePath(module_.get(), nullptr), nullptr);

  // A folder that does not fit 127 characters is refused: out is empty.
  const std::string deep = std::string(kRoot) + std::string(122, 'd') + "\\";
  ASSERT_TRUE(MakeDirectories(deep));
  Module deepModule = LoadProbeAt(deep + "probe_deep.dll");
  ASSERT_NE(deepModule, nullptr);
  EXPECT_STREQ(IniGetModulePath(deepModule.get(), out_), "");
  EXPECT_EQ(IniGetOtherPath("app.ini", deepModule.get(), "PARA", "DATA", out_), 0);
}

TEST_F(KIniModule, ParentWindowByClassUnlessNull) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "KoltaTestParent";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("KoltaTestParent", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                              nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);

  EXPECT_EQ(IniGetParent("app.ini", module_.get()), nullptr) << "no parameter file";
  WriteParameter("PARENT", "KoltaTestParent");
  EXPECT_EQ(IniGetParent("app.ini", module_.get()), window);
  for (const char* ignored : {"NULL", "null", "NuLLKoltaTestParent", ""}) {
    WriteParameter("PARENT", ignored);
    EXPECT_EQ(IniGetParent("app.ini", module_.get()), nullptr) << ignored;
  }
  WriteParameter("PARENT", "NoSuchClass");
  EXPECT_EQ(IniGetParent("app.ini", module_.get()), nullptr);
  EXPECT_EQ(IniGetParent(nullptr, module_.get()), nullptr);
  DestroyWindow(window);
}

TEST_F(KIniModule, InfoPictureIsEmptyWhenMissing) {
  std::strcpy(out_, "stale");
  EXPECT_EQ(IniGetInfoBmp("app.ini", module_.get(), out_), 0);
  EXPECT_STREQ(out_, "");
  WriteParameter("INFOBMP", "info.bmp");
  EXPECT_EQ(IniGetInfoBmp("app.ini", module_.get(), out_), 1);
  EXPECT_STREQ(out_, "info.bmp");
}

TEST_F(KIniModule, OtherPathsAreDrivePathsOrBelowTheModule) {
  WriteParameter("DATA", "D:\\shared\\data.bin");
  WriteParameter("MEDIA", "media\\intro.avi");
  ASSERT_EQ(IniGetOtherPath("app.ini", module_.get(), "PARA", "DATA", out_), 1);
  EXPECT_STREQ(out_, "D:\\shared\\data.bin");
  ASSERT_EQ(IniGetOtherPath("app.ini", module_.get(), "PARA", "MEDIA", out_), 1);
  EXPECT_STREQ(out_, "C:\\kt\\mod\\media\\intro.avi");
  std::strcpy(out_, "untouched");
  EXPECT_EQ(IniGetOtherPath("app.ini", module_.get(), "PARA", "NONE", out_), 0);
  EXPECT_STREQ(out_, "untouched");
}

// These run under a double-byte ANSI code page (ctest runs them with LANG=zh_CN.UTF-8).
class KIniDbcs : public KIni {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 936u) << "run with a Chinese locale (ANSI code page 936)";
    KIni::SetUp();
  }
  // U+8AA0: D5 5C, its trail byte is a backslash.
  const std::string trail_ = "\xD5\x5C";
};

TEST_F(KIniDbcs, FolderEndingInATrailByteGetsItsBackslash) {
  const std::string folder = "C:\\kt\\" + trail_;
  ASSERT_NE(IniPutInstallPath(folder.c_str()), 0);
  ASSERT_EQ(IniGetInstallPath(out_), 1);
  EXPECT_EQ(out_, folder + "\\");
}

TEST_F(KIniDbcs, ModuleNamedWithATrailByteKeepsItsFolder) {
  ASSERT_TRUE(MakeDirectories("C:\\kt\\m\\"));
  Module module = LoadProbeAt("C:\\kt\\m\\" + trail_ + ".dll");
  ASSERT_NE(module, nullptr);
  EXPECT_STREQ(IniGetModulePath(module.get(), out_), "C:\\kt\\m\\");
}

TEST_F(KIniDbcs, FileNameEndingInATrailByteIsNoFolder) {
  // Not installed: a file name gives 0 with the CD path; a folder name would give the
  // offset of its cut.
  const std::string name = "x.b" + trail_;
  EXPECT_EQ(IniGetFileName("C:\\kt\\cd\\", "C:\\kt\\hd\\", 2, ("F" + name).c_str(), out_), 0);
  EXPECT_EQ(out_, "C:\\kt\\cd\\Lan\\chs\\FILE\\" + name);
}

}  // namespace
