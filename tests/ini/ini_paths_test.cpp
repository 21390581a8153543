#include "ini_paths.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "dbcs_fixture.h"

namespace kolta::ini {
namespace {

constexpr char kCd[] = "D:\\cd\\";
constexpr char kHd[] = "C:\\kolta\\";
const Roots kRoots{kCd, kHd};

std::string DataPath(const Roots& roots, int language, std::string_view coded,
                     std::string_view current = {}) {
  InterfaceText out(current);
  if (!ComposeDataPath(roots, language, coded, out, NoLeadBytes)) return "<refused>";
  return std::string(out.view());
}

std::string SoundPath(int language, bool stereo, std::string_view coded) {
  InterfaceText out;
  if (!ComposeSoundPath(kRoots, language, stereo, coded, out, NoLeadBytes)) return "<refused>";
  return std::string(out.view());
}

TEST(IniPaths, LanguageTableAndDataFolders) {
  EXPECT_EQ(LanguageCode(0), "enu");
  EXPECT_EQ(LanguageCode(kSystemLanguage), "chs");
  EXPECT_EQ(LanguageCode(3), "diy");
  // Numbers outside the table give no language folder instead of reading past it.
  EXPECT_EQ(LanguageCode(4), "");
  EXPECT_EQ(LanguageCode(-1), "");
  EXPECT_EQ(LanguageCode(1 << 30), "");

  EXPECT_EQ(DataFolder('B'), "BIN\\");
  EXPECT_EQ(DataFolder('f'), "FILE\\");
  EXPECT_EQ(DataFolder('g'), "GLIB\\");
  EXPECT_EQ(DataFolder('M'), "MEDIA\\");
  EXPECT_EQ(DataFolder('r'), "RES\\");
  EXPECT_EQ(DataFolder('W'), "WORK\\");
  EXPECT_EQ(DataFolder('X'), "");
}

TEST(IniPaths, DataPathFromRootLanguageFolderAndName) {
  EXPECT_EQ(DataPath(kRoots, 2, "HFpic\\a.bmp"), "C:\\kolta\\Lan\\chs\\FILE\\pic\\a.bmp");
  EXPECT_EQ(DataPath(kRoots, 0, "cbmain.exe"), "D:\\cd\\Lan\\enu\\BIN\\main.exe");
  EXPECT_EQ(DataPath(kRoots, -1, "Hmclip.avi"), "C:\\kolta\\MEDIA\\clip.avi");
  EXPECT_EQ(DataPath(kRoots, 7, "Hmclip.avi"), "C:\\kolta\\MEDIA\\clip.avi");
  EXPECT_EQ(DataPath(kRoots, -1, "Hxplain.txt"), "C:\\kolta\\plain.txt") << "unknown folder letter";
  EXPECT_EQ(DataPath(kRoots, -1, "H"), "C:\\kolta\\");
  // An unknown root letter appends to what out already holds.
  EXPECT_EQ(DataPath(kRoots, -1, "Zfa.txt", "E:\\x\\"), "E:\\x\\FILE\\a.txt");
  EXPECT_EQ(DataPath(kRoots, 2, "", "E:\\"), "E:\\Lan\\chs\\");
}

TEST(IniPaths, DataPathRefusedWhenItDoesNotFitOrItsRootIsMissing) {
  const std::string root(120, 'r');
  const Roots longRoot{root.c_str(), nullptr};
  EXPECT_EQ(DataPath(longRoot, -1, "Cb123"), root + "BIN\\123");
  EXPECT_EQ(DataPath(longRoot, -1, "Cb1234"), "<refused>") << "128 characters";
  EXPECT_EQ(DataPath(longRoot, -1, "Hb1"), "<refused>") << "null root selected";
  // The unselected root may be null.
  EXPECT_EQ(DataPath(longRoot, -1, "Cr"), root + "RES\\");
}

TEST(IniPaths, SoundPathFromRootLanguageAndChannels) {
  EXPECT_EQ(SoundPath(2, true, "Hboom.wav"), "C:\\kolta\\Lan\\chs\\STEREO\\boom.wav");
  EXPECT_EQ(SoundPath(-1, false, "Cfx\\hit.wav"), "D:\\cd\\MONO\\fx\\hit.wav");
}

TEST(IniPaths, FolderNamesHaveNoDotInTheirLastComponent) {
  EXPECT_TRUE(IsFolderName("", NoLeadBytes));
  EXPECT_TRUE(IsFolderName("Fpics", NoLeadBytes));
  EXPECT_TRUE(IsFolderName("Fa.b\\pics", NoLeadBytes));
  EXPECT_TRUE(IsFolderName("Fa.b/pics", NoLeadBytes));
  EXPECT_FALSE(IsFolderName("Fpics\\1.bmp", NoLeadBytes));
  // Char-aware: the trail byte 0x5C is no separator, so "x.b" + char stays a file name.
  const std::string dbcs = std::string("Fx.b") + test::kTrailBackslash;
  EXPECT_FALSE(IsFolderName(dbcs, test::Cp936LeadByte));
  EXPECT_TRUE(IsFolderName(dbcs, NoLeadBytes)) << "read byte by byte it would end in a separator";
}

struct FindResult {
  int result;
  std::string path;
};

FindResult Find(FileKind kind, std::string_view name, const std::set<std::string>& existing,
                const Roots& roots = kRoots) {
  FileQuery query{kind, roots, 2, true, name};
  InterfaceText out;
  const int result = FindFile(query, out, NoLeadBytes, [&](const char* path) {
    return existing.count(path) != 0;
  });
  return {result, std::string(out.view())};
}

TEST(IniPaths, FindFilePrefersTheInstalledCopy) {
  const std::string installed = "C:\\kolta\\Lan\\chs\\FILE\\a.txt";
  auto found = Find(FileKind::Data, "Fa.txt", {installed});
  EXPECT_EQ(found.result, 0);
  EXPECT_EQ(found.path, installed);

  found = Find(FileKind::Data, "Fa.txt", {});
  EXPECT_EQ(found.result, 0);
  EXPECT_EQ(found.path, "D:\\cd\\Lan\\chs\\FILE\\a.txt") << "the CD path is not checked";
}

TEST(IniPaths, FindFileGivesFoldersWithoutTheirPicture) {
  const std::string installed = "C:\\kolta\\Lan\\chs\\FILE\\pics";
  auto found = Find(FileKind::Data, "Fpics", {installed});
  EXPECT_EQ(found.result, 0);
  EXPECT_EQ(found.path, installed);

  found = Find(FileKind::Data, "Fpics", {});
  const std::string cd = "D:\\cd\\Lan\\chs\\FILE\\pics";
  EXPECT_EQ(found.path, cd);
  EXPECT_EQ(found.result, static_cast<int>(cd.size())) << "the offset of the cut";

  found = Find(FileKind::Sound, "drums", {});
  EXPECT_EQ(found.path, "D:\\cd\\Lan\\chs\\STEREO\\drums");
}

TEST(IniPaths, FindFileRefusesPathsThatDoNotFit) {
  const std::string longName = "F" + std::string(110, 'n') + ".txt";
  auto found = Find(FileKind::Data, longName, {});
  EXPECT_EQ(found.result, kRefused);
  EXPECT_EQ(found.path, "");
  // The installed path fits, the CD path does not.
  const std::string longCd = "D:\\" + std::string(100, 'c') + "\\";
  const Roots roots{longCd.c_str(), "C:\\"};
  found = Find(FileKind::Data, "F" + std::string(15, 'n') + ".txt", {}, roots);
  EXPECT_EQ(found.result, kRefused);
  EXPECT_EQ(found.path, "");
}

TEST(IniPaths, FilesBesideAModule) {
  EXPECT_EQ(FileBesideModule("C:\\app\\bin\\main.exe", "main.ini", Separators::BackslashOrSlash,
                             NoLeadBytes)->view(),
            "C:\\app\\bin\\main.ini");
  EXPECT_EQ(FileBesideModule("C:\\app/bin/main.exe", "", Separators::BackslashOrSlash,
                             NoLeadBytes)->view(),
            "C:\\app/bin/");
  EXPECT_EQ(FileBesideModule("C:\\app/bin/main.exe", "", Separators::BackslashOnly, NoLeadBytes)
                ->view(),
            "C:\\");
  EXPECT_EQ(FileBesideModule("main.exe", "x.ini", Separators::BackslashOrSlash, NoLeadBytes)->view(),
            "x.ini");
  const std::string deep = "C:\\" + std::string(124, 'd') + "\\m.exe";
  EXPECT_FALSE(FileBesideModule(deep, "", Separators::BackslashOnly, NoLeadBytes));
  // A module whose name ends in a trail byte 0x5C: the folder is cut at the real separator.
  const std::string dbcsModule = std::string("C:\\m\\") + test::kTrailBackslash + ".dll";
  EXPECT_EQ(FileBesideModule(dbcsModule, "", Separators::BackslashOnly, test::Cp936LeadByte)
                ->view(),
            "C:\\m\\");
}

TEST(IniPaths, OtherPathsAreDrivePathsOrBelowTheModule) {
  EXPECT_EQ(ResolveOtherPath("E:\\data\\x.dat", "C:\\app\\", NoLeadBytes)->view(), "E:\\data\\x.dat");
  EXPECT_EQ(ResolveOtherPath("media\\a.avi", "C:\\app\\", NoLeadBytes)->view(),
            "C:\\app\\media\\a.avi");
  EXPECT_TRUE(ResolveOtherPath(std::string(120, 'v'), "C:\\app\\", NoLeadBytes));
  EXPECT_FALSE(ResolveOtherPath(std::string(121, 'v'), "C:\\app\\", NoLeadBytes));
}

TEST(IniPaths, FoldersEndInABackslash) {
  EXPECT_EQ(AsFolder("C:\\kolta", NoLeadBytes)->view(), "C:\\kolta\\");
  EXPECT_EQ(AsFolder("C:\\kolta\\", NoLeadBytes)->view(), "C:\\kolta\\");
  EXPECT_TRUE(AsFolder(std::string(126, 'p'), NoLeadBytes));
  EXPECT_FALSE(AsFolder(std::string(127, 'p'), NoLeadBytes)) << "the separator would be the 128th";
  EXPECT_TRUE(AsFolder(std::string(126, 'p') + "\\", NoLeadBytes));
  const std::string dbcs = std::string("C:\\") + test::kTrailBackslash;
  EXPECT_EQ(AsFolder(dbcs, test::Cp936LeadByte)->view(), dbcs + "\\");
  // A final lead byte without its trail byte would take the separator as its trail byte.
  EXPECT_FALSE(AsFolder("C:\\a\xD5", test::Cp936LeadByte));
}

}  // namespace
}  // namespace kolta::ini
