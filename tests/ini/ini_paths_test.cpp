#include "ini_paths.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <string>

#include "dbcs_fixture.h"
#include "failing_new.h"

namespace kolta::ini {
namespace {

constexpr char kRefusedText[] = "<refused>";
const Roots kRoots{"D:\\cd\\", "C:\\kolta\\"};
const std::string kTrail = test::kTrailBackslash;

std::string Text(const std::optional<InterfaceText>& text) {
  return text ? std::string(text->view()) : kRefusedText;
}

std::string DataPath(const Roots& roots, int language, std::string_view coded,
                     std::string_view current = {}) {
  InterfaceText out(current);
  return ComposeDataPath(roots, language, coded, out, NoLeadBytes) ? std::string(out.view())
                                                                   : kRefusedText;
}

TEST(IniPaths, LanguageTableAndDataFolders) {
  // Numbers outside the table give no language folder instead of reading past it.
  for (const auto& [language, code] : {std::pair{0, "enu"}, {kSystemLanguage, "chs"}, {3, "diy"},
                                       {4, ""}, {-1, ""}, {1 << 30, ""}}) {
    EXPECT_EQ(LanguageCode(language), code) << language;
  }
  for (const auto& [letter, folder] : {std::pair{'B', "BIN\\"}, {'f', "FILE\\"}, {'g', "GLIB\\"},
                                       {'M', "MEDIA\\"}, {'r', "RES\\"}, {'W', "WORK\\"}, {'X', ""}}) {
    EXPECT_EQ(DataFolder(letter), folder) << letter;
  }
}

TEST(IniPaths, ComposedDataAndSoundPaths) {
  struct Case {
    int language;
    const char* coded;
    const char* current;  // what out holds before
    const char* expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {2, "HFpic\\a.bmp", "", "C:\\kolta\\Lan\\chs\\FILE\\pic\\a.bmp"},
           {0, "cbmain.exe", "", "D:\\cd\\Lan\\enu\\BIN\\main.exe"},
           {-1, "Hmclip.avi", "", "C:\\kolta\\MEDIA\\clip.avi"},
           {7, "Hmclip.avi", "", "C:\\kolta\\MEDIA\\clip.avi"},
           {-1, "Hxplain.txt", "", "C:\\kolta\\plain.txt"},  // unknown folder letter
           {-1, "H", "", "C:\\kolta\\"},
           // An unknown root letter appends to what out already holds.
           {-1, "Zfa.txt", "E:\\x\\", "E:\\x\\FILE\\a.txt"},
           {2, "", "E:\\", "E:\\Lan\\chs\\"},
       }) {
    EXPECT_EQ(DataPath(kRoots, c.language, c.coded, c.current), c.expected) << c.coded;
  }

  InterfaceText stereo, mono;
  ASSERT_TRUE(ComposeSoundPath(kRoots, 2, true, "Hboom.wav", stereo, NoLeadBytes));
  EXPECT_EQ(stereo.view(), "C:\\kolta\\Lan\\chs\\STEREO\\boom.wav");
  ASSERT_TRUE(ComposeSoundPath(kRoots, -1, false, "Cfx\\hit.wav", mono, NoLeadBytes));
  EXPECT_EQ(mono.view(), "D:\\cd\\MONO\\fx\\hit.wav");
}

TEST(IniPaths, DataPathRefusedWhenItDoesNotFitOrItsRootIsMissing) {
  const std::string root(120, 'r');
  const Roots longRoot{root.c_str(), nullptr};
  EXPECT_EQ(DataPath(longRoot, -1, "Cb123"), root + "BIN\\123");
  EXPECT_EQ(DataPath(longRoot, -1, "Cb1234"), kRefusedText) << "128 characters";
  EXPECT_EQ(DataPath(longRoot, -1, "Hb1"), kRefusedText) << "null root selected";
  EXPECT_EQ(DataPath(longRoot, -1, "Cr"), root + "RES\\") << "the unselected root may be null";
}

TEST(IniPaths, FolderNamesHaveNoDotInTheirLastComponent) {
  for (const auto& [name, folder] : {std::pair{"", true}, {"Fpics", true}, {"Fa.b\\pics", true},
                                     {"Fa.b/pics", true}, {"Fpics\\1.bmp", false}}) {
    EXPECT_EQ(IsFolderName(name, NoLeadBytes), folder) << name;
  }
  // Char-aware: the trail byte 0x5C is no separator, so "x.b" + char stays a file name.
  EXPECT_FALSE(IsFolderName("Fx.b" + kTrail, test::Cp936LeadByte));
  EXPECT_TRUE(IsFolderName("Fx.b" + kTrail, NoLeadBytes)) << "byte by byte it ends in a separator";
}

TEST(IniPaths, FindFilePrefersTheInstalledCopyAndCutsFolders) {
  const std::string installed = "C:\\kolta\\Lan\\chs\\FILE\\", cd = "D:\\cd\\Lan\\chs\\FILE\\";
  const std::string cdSound = "D:\\cd\\Lan\\chs\\STEREO\\drums";
  const std::string longCd = "D:\\" + std::string(100, 'c') + "\\";
  struct Case {
    FileKind kind;
    std::string name;
    std::set<std::string> existing;
    Roots roots;
    int result;  // for a folder on the CD: the offset of the cut
    std::string path;
  };
  for (const Case& c : std::initializer_list<Case>{
           {FileKind::Data, "Fa.txt", {installed + "a.txt"}, kRoots, 0, installed + "a.txt"},
           {FileKind::Data, "Fa.txt", {}, kRoots, 0, cd + "a.txt"},  // the CD path is not checked
           {FileKind::Data, "Fpics", {installed + "pics"}, kRoots, 0, installed + "pics"},
           {FileKind::Data, "Fpics", {}, kRoots, static_cast<int>(cd.size() + 4), cd + "pics"},
           {FileKind::Sound, "drums", {}, kRoots, static_cast<int>(cdSound.size()), cdSound},
           {FileKind::Data, "F" + std::string(110, 'n') + ".txt", {}, kRoots, kRefused, ""},
           // The installed path fits, the CD path does not.
           {FileKind::Data, "F" + std::string(15, 'n') + ".txt", {}, {longCd.c_str(), "C:\\"},
            kRefused, ""},
       }) {
    InterfaceText out;
    const int result = FindFile({c.kind, c.roots, 2, true, c.name}, out, NoLeadBytes,
                                [&](const char* path) { return c.existing.count(path) != 0; });
    EXPECT_EQ(result, c.result) << c.name;
    EXPECT_EQ(out.view(), c.path) << c.name;
  }
}

TEST(IniPaths, PathsBesideAModule) {
  constexpr auto kBoth = Separators::BackslashOrSlash;
  EXPECT_EQ(Text(FileBesideModule("C:\\app\\bin\\main.exe", "main.ini", kBoth, NoLeadBytes)),
            "C:\\app\\bin\\main.ini");
  EXPECT_EQ(Text(FileBesideModule("C:\\app/bin/main.exe", "", kBoth, NoLeadBytes)), "C:\\app/bin/");
  EXPECT_EQ(Text(FileBesideModule("C:\\app/bin/main.exe", "", Separators::BackslashOnly,
                                  NoLeadBytes)),
            "C:\\");
  EXPECT_EQ(Text(FileBesideModule("main.exe", "x.ini", kBoth, NoLeadBytes)), "x.ini");
  const std::string deep = "C:\\" + std::string(124, 'd') + "\\m.exe";
  EXPECT_EQ(Text(FileBesideModule(deep, "", Separators::BackslashOnly, NoLeadBytes)), kRefusedText);
  // A module whose name ends in a trail byte 0x5C: the folder is cut at the real separator.
  EXPECT_EQ(Text(FileBesideModule("C:\\m\\" + kTrail + ".dll", "", Separators::BackslashOnly,
                                  test::Cp936LeadByte)),
            "C:\\m\\");

  EXPECT_EQ(Text(ResolveOtherPath("E:\\data\\x.dat", "C:\\app\\", NoLeadBytes)), "E:\\data\\x.dat");
  EXPECT_EQ(Text(ResolveOtherPath("media\\a.avi", "C:\\app\\", NoLeadBytes)),
            "C:\\app\\media\\a.avi");
  EXPECT_NE(Text(ResolveOtherPath(std::string(120, 'v'), "C:\\app\\", NoLeadBytes)), kRefusedText);
  EXPECT_EQ(Text(ResolveOtherPath(std::string(121, 'v'), "C:\\app\\", NoLeadBytes)), kRefusedText);
}

TEST(IniPaths, FoldersEndInABackslash) {
  const std::string p126(126, 'p');
  for (const auto& [path, expected] :
       {std::pair<std::string, std::string>{"C:\\kolta", "C:\\kolta\\"},
        {"C:\\kolta\\", "C:\\kolta\\"},
        {p126, p126 + "\\"},
        {p126 + "p", kRefusedText},  // the separator would be the 128th character
        {p126 + "\\", p126 + "\\"}}) {
    EXPECT_EQ(Text(AsFolder(path, NoLeadBytes)), expected) << path;
  }
  EXPECT_EQ(Text(AsFolder("C:\\" + kTrail, test::Cp936LeadByte)), "C:\\" + kTrail + "\\");
  // A final lead byte without its trail byte would take the separator as its trail byte.
  EXPECT_EQ(Text(AsFolder("C:\\a\xD5", test::Cp936LeadByte)), kRefusedText);
}

// Every path rule with each allocation of operator new failing in turn (failing_new.h):
// nothing escapes and the outcome is the one made without failures.
TEST(IniPaths, FailingAllocationsChangeNothing) {
  struct Outcome {
    int result = 0;
    std::optional<InterfaceText> path;
    bool operator==(const Outcome& other) const {
      return result == other.result && path.has_value() == other.path.has_value() &&
             (!path || (path->ok() == other.path->ok() && path->view() == other.path->view()));
    }
  };
  // Allocates nothing itself, so that any failure is the rules' own.
  const auto installed = [](const char* path) { return std::string_view(path).ends_with("a.txt"); };
  auto find = [&](FileKind kind, std::string_view name) {
    return [&installed, kind, name] {
      InterfaceText out;
      const int result = FindFile({kind, kRoots, 2, true, name}, out, NoLeadBytes, installed);
      return Outcome{result, out};
    };
  };
  const std::string longName = "F" + std::string(130, 'n');
  const std::pair<const char*, std::function<Outcome()>> rules[] = {
      {"installed file", find(FileKind::Data, "Fa.txt")},
      {"folder on the CD", find(FileKind::Data, "Fpics")},
      {"sound", find(FileKind::Sound, "drums")},
      {"refused name", find(FileKind::Data, longName)},
      {"beside the module",
       [] {
         return Outcome{0, FileBesideModule("C:\\app\\m.exe", "m.ini", Separators::BackslashOnly,
                                            NoLeadBytes)};
       }},
      {"other path",
       [] { return Outcome{0, ResolveOtherPath("data\\x", "C:\\app\\", NoLeadBytes)}; }},
      {"as folder", [] { return Outcome{0, AsFolder("C:\\app", NoLeadBytes)}; }},
  };
  for (const auto& [name, rule] : rules) {
    const Outcome expected = rule();
    EXPECT_GE(test::FailEachAllocation([&] { return rule() == expected; }), 0) << name;
  }
}

}  // namespace
}  // namespace kolta::ini
