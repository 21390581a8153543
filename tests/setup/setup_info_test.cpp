// The setup information parser over in-memory files, with a listing the test controls.
#include "setup_info.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "failing_new.h"
#include "setup_message_text.h"

namespace {

class SetupInfoParse : public ::testing::Test {
 protected:
  void TearDown() override { ClearSetupInfo(*info); }

  // Parses the lines joined by CR LF into an empty record.
  int Parse(const std::vector<std::string>& lines) {
    std::string data;
    for (const std::string& line : lines) data.append(line).append("\r\n");
    return ParseData(data);
  }

  // The same with an "[End]" line after them.
  int ParseEnded(std::vector<std::string> lines) {
    lines.push_back("[End]");
    return Parse(lines);
  }

  int ParseData(std::string_view data) {
    ClearSetupInfo(*info);
    return ParseSetupInfo(*info, data, Platform());
  }

  SetupInfoPlatform Platform() {
    SetupInfoPlatform platform;
    platform.windowsDrive = 'd';
    platform.isLead = isLead;
    platform.programFolder = "e:\\medium\\";
    platform.listFiles = [](void* context, const char* pattern, SetupFileVisitor onFile) {
      SetupInfoParse& test = *static_cast<SetupInfoParse*>(context);
      test.patterns.push_back(pattern);
      for (const std::string& name : test.folders[pattern]) {
        if (!onFile(name)) return true;
      }
      return true;
    };
    platform.listContext = this;
    return platform;
  }

  const FileEntry& File(unsigned i) const { return *info->files[i]; }

  std::unique_ptr<SetupInfo> info = std::make_unique<SetupInfo>();
  std::map<std::string, std::vector<std::string>> folders;  // pattern -> file names
  std::vector<std::string> patterns;
  kolta::LeadBytePredicate isLead = kolta::NoLeadBytes;
};

TEST_F(SetupInfoParse, ReadsAppKeysExactlyAsWritten) {
  ASSERT_EQ(
      Parse({"junk before any header", "[Version]", "anything=at all", "[App]", "DefDir=$:\\Kolta",
             "SpaceNeeded=35MB", "DefPMGroup=Kolta\\Tools", "ShowSubDirCreateStats=yes",
             "InstallToHD=No", "Unknown=1", "DefDir =ignored, the key has a blank", "[End]"}),
      1);
  EXPECT_STREQ(info->defDir, "d:\\Kolta");
  EXPECT_EQ(info->spaceNeeded, 35u);
  EXPECT_STREQ(info->defPMGroup, "Kolta\\Tools");
  EXPECT_EQ(info->showSubDirCreateStats, 1u);
  EXPECT_EQ(info->installToHD, 0u);
  EXPECT_EQ(info->section, unsigned{kSectionEnd});

  ASSERT_EQ(Parse({"[App]", "SpaceNeeded=MB35", "DefDir=c:\\plain", "InstallToHD=y", "[End]"}), 1);
  EXPECT_EQ(info->spaceNeeded, 0u);
  EXPECT_STREQ(info->defDir, "c:\\plain");
  EXPECT_EQ(info->installToHD, 1u);
}

TEST_F(SetupInfoParse, KeepsFolderEntriesInFileOrder) {
  ASSERT_EQ(Parse({"[SrcDirs]", "1=data", "0=", "7 = spaced", "[DstDirs]", "3=bin\\", "[End]"}), 1);
  ASSERT_EQ(info->sourceDirCount, 3u);
  EXPECT_EQ(info->sourceDirs[0]->number, 1u);
  EXPECT_STREQ(info->sourceDirs[0]->folder, "data");
  EXPECT_STREQ(info->sourceDirs[1]->folder, "");
  EXPECT_EQ(info->sourceDirs[2]->number, 7u);
  EXPECT_STREQ(info->sourceDirs[2]->folder, " spaced");
  ASSERT_EQ(info->destDirCount, 1u);
  EXPECT_STREQ(info->destDirs[0]->folder, "bin\\");
  EXPECT_EQ(FindDirEntry(info->sourceDirs, info->sourceDirCount, 0), info->sourceDirs[1]);
  EXPECT_EQ(FindDirEntry(info->sourceDirs, info->sourceDirCount, 2), nullptr);
}

TEST_F(SetupInfoParse, ExplicitFileLineFields) {
  // The last two name no known folder.
  const std::vector<std::string> lines{
      "[SrcDirs]",      "1=disk1",    "[DstDirs]",
      "2=bin",          "[Files]",    "Main Program, 1:\t koltamain.ex_ ,  2: koltamain.exe,",
      "plain,1:a,2:b,", "x,9:x,2:x,", "y,1:y,9:y,"};
  ASSERT_EQ(Parse(lines), 0) << "no [End]";
  ASSERT_EQ(ParseEnded(lines), 1);
  ASSERT_EQ(info->fileCount, 4u);
  EXPECT_STREQ(File(0).name, "Main Program");
  EXPECT_EQ(File(0).sourceDirNumber, 1u);
  EXPECT_STREQ(File(0).sourceName, "koltamain.ex_ ") << "blanks before the comma stay";
  EXPECT_EQ(File(0).destDirNumber, 2u);
  EXPECT_STREQ(File(0).destName, "koltamain.exe");

  ResolvedFileEntry resolved;
  ASSERT_TRUE(ResolveFileEntry(*info, 1, resolved));
  EXPECT_EQ(resolved.name, "plain");
  EXPECT_EQ(resolved.sourceFolder, "disk1");
  EXPECT_EQ(resolved.sourceName, "a");
  EXPECT_EQ(resolved.destFolder, "bin");
  EXPECT_EQ(resolved.destName, "b");
  // Entries naming no known folder and the one past the last do not resolve.
  for (unsigned i : {2u, 3u, 4u}) EXPECT_FALSE(ResolveFileEntry(*info, i, resolved)) << i;
}

TEST_F(SetupInfoParse, WholeFolderLineMakesOneEntryPerFile) {
  folders["e:\\medium\\data\\*.*"] = {"one.txt", "two, with comma.dat"};
  ASSERT_EQ(Parse({"[SrcDirs]", "1=data", "[DstDirs]", "2=out", "[Files]", "*1-2,", "[End]"}), 1);
  EXPECT_EQ(patterns, std::vector<std::string>{"e:\\medium\\data\\*.*"});
  ASSERT_EQ(info->fileCount, 2u);
  for (unsigned i = 0; i < 2; ++i) {
    const std::string name = folders["e:\\medium\\data\\*.*"][i];
    EXPECT_EQ(File(i).name, name);
    EXPECT_EQ(File(i).sourceName, name);
    EXPECT_EQ(File(i).destName, name);
    EXPECT_EQ(File(i).sourceDirNumber, 1u);
    EXPECT_EQ(File(i).destDirNumber, 2u);
  }
}

TEST_F(SetupInfoParse, ByExtensionLineListsOnlyThatExtension) {
  folders["e:\\medium\\snd\\*.wav"] = {"a.wav"};
  ASSERT_EQ(Parse({"[SrcDirs]", "4=snd\\", "0=", "[Files]", "?sounds(wav)4-0,", "*0-0,", "[End]"}),
            1);
  EXPECT_EQ(patterns, (std::vector<std::string>{"e:\\medium\\snd\\*.wav", "e:\\medium\\*.*"}));
  ASSERT_EQ(info->fileCount, 1u);
  EXPECT_STREQ(File(0).name, "a.wav");
  EXPECT_EQ(File(0).sourceDirNumber, 4u);
  EXPECT_EQ(File(0).destDirNumber, 0u);
}

TEST_F(SetupInfoParse, FolderEndingInADoubleByteCharacterGetsItsBackslash) {
  // In code page 936 the bytes 0x81 0x5C are one character, not a lead byte and "\\".
  isLead = [](unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; };
  ASSERT_EQ(
      Parse({"[SrcDirs]", "1=data\x81\x5C", "2=\x81\x5C\\", "[Files]", "*1-1,", "*2-1,", "[End]"}),
      1);
  EXPECT_EQ(patterns, (std::vector<std::string>{"e:\\medium\\data\x81\x5C\\*.*",
                                                "e:\\medium\\\x81\x5C\\*.*"}));
}

TEST_F(SetupInfoParse, ReadsShortcuts) {
  ASSERT_EQ(
      Parse({"[PM Info]", "I:\\bin\\koltamain.exe,  Kolta  ", "s:\\readme.txt,Read me", "[End]"}),
      1);
  ASSERT_EQ(info->shortcutCount, 2u);
  EXPECT_STREQ(info->shortcuts[0]->target, "I:\\bin\\koltamain.exe");
  EXPECT_STREQ(info->shortcuts[0]->title, "Kolta");
  EXPECT_STREQ(info->shortcuts[1]->title, "Read me");
}

TEST_F(SetupInfoParse, HeadersLineEndsAndTheEndOfTheData) {
  struct Case {
    std::string_view data;
    int result;
    const char* defDir;  // nullptr: not checked
  };
  for (const auto& [data, result, defDir] : {
           Case{"[App]\r\n[files]\r\n[End]\r\n", 0, nullptr},  // headers are exact
           {"[App]\r\n \t[End]\t \r\n", 1, ""},                // blanks around a line go
           {"[App]\nDefDir=c:\\lf\n[End]\n", 1, "c:\\lf"},
           {"[App]\rDefDir=c:\\cr\r[End]\r", 1, "c:\\cr"},
           {"[App]\r\n[End]", 1, ""},                                   // last line without end
           {std::string_view("[App]\r\n\0[End]\r\n", 16), 0, nullptr},  // a zero byte ends it
           {"", 0, nullptr},
           // Nothing after [End] is read (last: the record stays parsed for the check below).
           {"[App]\r\nDefDir=c:\\a\r\n[End]\r\n[Broken\r\nDefDir=c:\\b\r\n", 1, "c:\\a"},
       }) {
    EXPECT_EQ(ParseData(data), result) << data;
    if (defDir != nullptr) {
      EXPECT_STREQ(info->defDir, defDir) << data;
    }
  }
  // Once parsed, the file is not read again.
  EXPECT_EQ(ParseSetupInfo(*info, "[Nonsense]\r\n", Platform()), 1);
}

TEST_F(SetupInfoParse, MalformedLinesInvalidateTheFile) {
  const std::vector<std::vector<std::string>> cases = {
      {"[App]", "DefDir"},
      {"[SrcDirs]", "1 data"},
      {"[DstDirs]", "2"},
      {"[Files]", "name 1:a,2:b,"},
      {"[Files]", "name,1 a,2:b,"},
      {"[Files]", "name,1:a 2:b,"},
      {"[Files]", "name,1:a,2 b,"},
      {"[Files]", "name,1:a,2:b"},
      {"[Files]", "*1 2,"},
      {"[Files]", "*1-2"},
      {"[SrcDirs]", "1=a", "[Files]", "*3-2,"},
      {"[SrcDirs]", "1=a", "[Files]", "?(txt 1-2,"},
      {"[SrcDirs]", "1=a", "[Files]", "?txt)1-2,"},
      {"[SrcDirs]", "1=a", "[Files]", "?(txt)1 2,"},
      {"[SrcDirs]", "1=a", "[Files]", "?(txt)1-2"},
      {"[PM Info]", "target without title"},
  };
  for (const std::vector<std::string>& lines : cases) {
    EXPECT_EQ(ParseEnded(lines), 0) << lines.back();
  }
}

TEST_F(SetupInfoParse, LongLinesAndFieldsAreRefused) {
  const std::string fits(127 - 7, 'a');
  ASSERT_EQ(Parse({"[App]", "DefDir=" + fits, "[End]"}), 1);
  EXPECT_EQ(std::string(info->defDir), fits);

  for (const auto& [lines, result] : {
           std::pair<std::vector<std::string>, int>{{"[App]", "DefDir=" + fits + "a"}, 0},
           // The line is measured after trimming; lines no section reads are not measured.
           {{"[App]", "  DefDir=" + fits + " \t "}, 1},
           {{"[App]", "  DefDir=" + fits + "a "}, 0},
           {{"[App]", "; " + std::string(300, 'c')}, 1},
           {{std::string(300, 'p'), "[App]"}, 1},
           {{"[Version]", std::string(300, 'v'), "[App]"}, 1},
           {{"[Version]", "[" + std::string(200, 'h') + "]"}, 0},
           // Folder numbers of the listing forms: at most 23 characters.
           {{"[SrcDirs]", "1=a", "[Files]", "*" + std::string(22, '0') + "1-2,"}, 1},
           {{"[SrcDirs]", "1=a", "[Files]", "*" + std::string(23, '0') + "1-2,"}, 0},
           // A listing pattern that would not fit 127 characters.
           {{"[SrcDirs]", "1=" + std::string(115, 'f'), "[Files]", "*1-1,"}, 0},
       }) {
    EXPECT_EQ(ParseEnded(lines), result) << lines.back();
  }
  // A listed name longer than 127 characters cannot become an entry.
  folders["e:\\medium\\a\\*.*"] = {std::string(128, 'n')};
  EXPECT_EQ(ParseEnded({"[SrcDirs]", "1=a", "[Files]", "*1-1,"}), 0);
}

TEST_F(SetupInfoParse, TableLimits) {
  std::vector<std::string> lines{"[SrcDirs]"};
  for (int i = 0; i < 100; ++i) lines.push_back(std::to_string(i) + "=f");
  lines.push_back("[PM Info]");
  for (int i = 0; i < 10; ++i) lines.push_back("I:\\x,t" + std::to_string(i));
  lines.push_back("[End]");
  ASSERT_EQ(Parse(lines), 1);
  EXPECT_EQ(info->sourceDirCount, 100u);
  EXPECT_EQ(info->shortcutCount, 10u);
  lines.insert(lines.begin() + 1, "100=f");
  EXPECT_EQ(Parse(lines), 0) << "101 source folders";
  std::vector<std::string> shortcuts{"[PM Info]"};
  for (int i = 1; i <= 11; ++i) shortcuts.push_back("a," + std::to_string(i));
  EXPECT_EQ(ParseEnded(shortcuts), 0) << "11 shortcuts";

  std::vector<std::string>& many = folders["e:\\medium\\a\\*.*"];
  for (int i = 0; i < 9999; ++i) many.push_back("f" + std::to_string(i));
  std::vector<std::string> files{"[SrcDirs]", "1=a", "[Files]", "*1-1,", "one,1:x,1:x,"};
  EXPECT_EQ(ParseEnded(files), 1);
  EXPECT_EQ(info->fileCount, 10000u);
  files.push_back("two,1:x,1:x,");
  EXPECT_EQ(ParseEnded(files), 0) << "10001 files";
}

// A listing that allocates nothing, so that any failing allocation is the parser's own: the
// same two names in every folder.
bool ListTwoNames(void*, const char*, SetupFileVisitor onFile) {
  for (const char* name : {"one.txt", "two.dat"}) {
    if (!onFile(name)) return true;
  }
  return true;
}

// The values and every entry alike (the entries are zeroed before they are filled).
bool SameRecord(const SetupInfo& a, const SetupInfo& b) {
  auto same = [](auto* const* x, auto* const* y, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
      if (std::memcmp(x[i], y[i], sizeof *x[i]) != 0) return false;
    }
    return true;
  };
  return std::memcmp(&a, &b, offsetof(SetupInfo, sourceDirs)) == 0 &&
         same(a.sourceDirs, b.sourceDirs, a.sourceDirCount) &&
         same(a.destDirs, b.destDirs, a.destDirCount) && same(a.files, b.files, a.fileCount) &&
         same(a.shortcuts, b.shortcuts, a.shortcutCount);
}

void FormatInto(char (&out)[256], const char* kinds, const char* text, ...) {
  va_list arguments;
  va_start(arguments, text);
  FormatSetupMessage(kinds, text, arguments, out, kolta::NoLeadBytes);
  va_end(arguments);
}

// Each allocation of operator new failing in turn (failing_new.h): a parse fails (0) or
// gives the record a parse without failures gives, a message comes out the same, and
// nothing escapes.
TEST_F(SetupInfoParse, FailingAllocationsFailTheParseOrChangeNothing) {
  const std::string data =
      "[App]\r\nDefDir=$:\\Kolta\r\n[SrcDirs]\r\n1=data\r\n[DstDirs]\r\n2=bin\r\n"
      "[Files]\r\nMain,1:m.ex_,2:m.exe,\r\n*1-2,\r\n?(dat)1-2,\r\n"
      "[PM Info]\r\nI:\\bin\\m.exe,Kolta\r\n[End]\r\n";
  SetupInfoPlatform platform;
  platform.listFiles = ListTwoNames;
  const std::unique_ptr<SetupInfo, void (*)(SetupInfo*)> expected(new SetupInfo{},
                                                                   [](SetupInfo* record) {
                                                                     ClearSetupInfo(*record);
                                                                     delete record;
                                                                   });
  ASSERT_EQ(ParseSetupInfo(*expected, data, platform), 1);
  ASSERT_EQ(expected->fileCount, 5u);
  const long failed = kolta::test::FailEachAllocation([&] {
    ClearSetupInfo(*info);
    const int result = ParseSetupInfo(*info, data, platform);
    return result == 0 || (result == 1 && SameRecord(*info, *expected));
  });
  // Every entry is allocated with new: the program's operator new must be the failing one.
  EXPECT_GT(failed, 0);

  char want[256], got[256];
  const char* text = "%c: %-6d of %05u MB in %s";
  FormatInto(want, "cdds", text, 'D', 12, 300, "c:\\kolta");
  EXPECT_GE(kolta::test::FailEachAllocation([&] {
              FormatInto(got, "cdds", text, 'D', 12, 300, "c:\\kolta");
              return std::strcmp(got, want) == 0;
            }),
            0);
}

TEST(SetupInfoText, TrimBlanks) {
  char text[] = " \t a b \t ";
  EXPECT_STREQ(TrimBlanks(text), "a b");
  char blanks[] = " \t ";
  EXPECT_STREQ(TrimBlanks(blanks), "");
  EXPECT_EQ(TrimBlanks(nullptr), nullptr);
}

TEST(SetupInfoText, LeadingNumber) {
  EXPECT_EQ(LeadingNumber(""), 0u);
  EXPECT_EQ(LeadingNumber("35MB"), 35u);
  EXPECT_EQ(LeadingNumber(" 35"), 0u);
  EXPECT_EQ(LeadingNumber("-3"), 0u);
  EXPECT_EQ(LeadingNumber("4294967295"), 4294967295u);
  EXPECT_EQ(LeadingNumber("4294967296"), 4294967295u) << "stays at the largest value";
  EXPECT_EQ(LeadingNumber("99999999999999999999"), 4294967295u);
}

}  // namespace
