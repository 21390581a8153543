// Settings, loading the setup information file, folder creation and file copying on the
// real platform under Wine, with the screens recorded.
#include <windows.h>

#include <algorithm>
#include <string>

#include "file_install.h"
#include "failing_new.h"
#include "setup_fixture.h"
#include "setup_info_file.h"
#include "setup_settings.h"

namespace kolta::test {
namespace {

class SetupSettings : public SetupFixture {};

TEST_F(SetupSettings, ReadsTextsWithOneBlankForMissingOnes) {
  const auto text = [](int dialog, const char* key, int size = 128) {
    char buffer[128];
    ReadSetupText(dialog, key, buffer, size);
    return std::string(buffer);
  };
  EXPECT_EQ(text(0, "IDS_COPYINFO"), "Copying files");
  EXPECT_EQ(text(1, "SETUPHD"), "Install to the hard disk");
  EXPECT_EQ(text(1, "IDS_COPYINFO"), " ") << "not in section DIALOG";
  EXPECT_EQ(text(0, "IDS_MISSING"), " ");
  EXPECT_EQ(text(0, "IDS_COPYINFO", 5), "Copy");

  ReadStartupSettings();
  EXPECT_STREQ(GetSetupState()->appName, "Kolta");
  EXPECT_STREQ(GetSetupState()->fontName, "System") << "FONTNAME present but empty";
  ASSERT_TRUE(WriteFile(skinDir + "SETUP.INI", "[INI]\r\nFONTNAME=Tahoma\r\n"));
  ReadStartupSettings();
  EXPECT_STREQ(GetSetupState()->appName, "");
  EXPECT_STREQ(GetSetupState()->fontName, "Tahoma");
}

class LoadingSetupInfo : public SetupFixture {
 protected:
  bool WriteInfo(const std::string& text) { return WriteFile(skinDir + "setuphd.inf", text); }
};

TEST_F(LoadingSetupInfo, ExpandsFoldersOverTheMediumSkippingSubFolders) {
  ASSERT_TRUE(WriteFile(medium + "data\\one.txt", "1"));
  ASSERT_TRUE(WriteFile(medium + "data\\Two, Comma.wav", "2"));
  ASSERT_TRUE(WriteFile(medium + "data\\sub\\inner.txt", "3"));
  ASSERT_TRUE(
      WriteInfo("[App]\r\nDefDir=$:\\Kolta\r\n[SrcDirs]\r\n1=data\r\n[DstDirs]\r\n2=out\r\n"
                "[Files]\r\n*1-2,\r\n?(wav)1-2,\r\n[End]\r\n"));
  ASSERT_EQ(LoadSetupInfo(nullptr), 1);
  EXPECT_TRUE(recording::Get().messages.empty());
  const SetupInfo* info = GetSetupInfo();
  EXPECT_STREQ(info->defDir, "c:\\Kolta");
  ASSERT_EQ(info->fileCount, 3u);
  Strings names;
  for (unsigned i = 0; i < 3; ++i) {
    names.push_back(info->files[i]->name);
    EXPECT_STREQ(info->files[i]->sourceName, info->files[i]->name);
    EXPECT_STREQ(info->files[i]->destName, info->files[i]->name);
  }
  std::sort(names.begin(), names.begin() + 2);  // the listing's order is the platform's
  EXPECT_EQ(names, (Strings{"Two, Comma.wav", "one.txt", "Two, Comma.wav"}));

  SetupFileTexts entry;
  ASSERT_EQ(GetSetupFileEntry(2, &entry), 1);
  EXPECT_STREQ(entry.name, "two, comma.wav") << "the name is shown in lower case";
  EXPECT_STREQ(entry.sourceName, "Two, Comma.wav");
  EXPECT_STREQ(entry.sourceFolder, "data");
  EXPECT_STREQ(entry.destFolder, "out");
}

TEST_F(LoadingSetupInfo, ReadsTheWholeFile) {
  std::string text = "[SrcDirs]\r\n1=a\r\n[DstDirs]\r\n1=b\r\n[Files]\r\n";
  unsigned files = 0;
  for (; text.size() < 30000; ++files) text += "file" + std::to_string(files) + ",1:x,1:y,\r\n";
  ASSERT_TRUE(WriteInfo(text + "[End]\r\n"));
  ASSERT_EQ(LoadSetupInfo(nullptr), 1);
  EXPECT_EQ(GetSetupInfo()->fileCount, files);
}

TEST_F(LoadingSetupInfo, ReportsAMissingOrInvalidFileWithItsPath) {
  const Strings notFound{"IDS_NOSETUPINFOFILE " + skinDir + "setuphd.inf"};
  // The message has the asking screen as its owner.
  const HWND screen = reinterpret_cast<HWND>(0x1234);
  EXPECT_EQ(LoadSetupInfo(screen), 0);
  EXPECT_EQ(Shown(), notFound);
  EXPECT_EQ(recording::Get().messages.front().owner, screen);

  recording::Reset();
  ASSERT_TRUE(WriteInfo("[SrcDirs]\r\n1=a\r\n[PM Info]\r\nno comma\r\n[End]\r\n"));
  EXPECT_EQ(LoadSetupInfo(nullptr), 0);
  EXPECT_EQ(Shown(), notFound);
  EXPECT_EQ(GetSetupInfo()->sourceDirCount, 0u) << "an invalid file leaves nothing behind";

  // A folder without a match adds nothing; one that cannot be listed is no medium to
  // install from.
  ASSERT_TRUE(MakeDirectories(medium + "empty\\"));
  for (const auto& [text, result] : {
           std::pair{"[SrcDirs]\r\n1=a\r\n", 0},  // cut short before [End]
           {"[SrcDirs]\r\n1=empty\r\n2=missing\r\n[DstDirs]\r\n1=\r\n"
            "[Files]\r\n?(wav)1-1,\r\n*2-1,\r\n[End]\r\n",
            0},
           {"[SrcDirs]\r\n1=empty\r\n[DstDirs]\r\n1=\r\n[Files]\r\n?(wav)1-1,\r\n[End]\r\n", 1},
       }) {
    ASSERT_TRUE(WriteInfo(text));
    EXPECT_EQ(LoadSetupInfo(nullptr), result) << text;
  }
  EXPECT_EQ(GetSetupInfo()->fileCount, 0u);
}

class CreatingFolders : public SetupFixture {};

TEST_F(CreatingFolders, CreatesEachFolderWithProgress) {
  UseSetupInfo("[DstDirs]\r\n0=\r\n1=bin\r\n2=bin\\sub\\\r\n");
  ASSERT_EQ(CreateDestinationDirs(nullptr), 1);
  EXPECT_TRUE(Exists(install + "bin\\sub"));
  EXPECT_TRUE(recording::Get().messages.empty());
  EXPECT_EQ(recording::Get().progress,
            (Strings{"title=Creating folders", "total=4", "position=1", "detail=" + install,
                     "abort?", "detail=" + install, "step", "abort?", "detail=" + install + "bin",
                     "step", "abort?", "detail=" + install + "bin\\sub\\", "step"}));
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  EXPECT_STREQ(current, (install + "bin\\sub").c_str()) << "left in the last folder";
}

TEST_F(CreatingFolders, EmptyListSucceedsAtOnce) {
  UseSetupInfo("[DstDirs]\r\n");
  ASSERT_EQ(CreateDestinationDirs(nullptr), 1);
  EXPECT_EQ(recording::Get().progress,
            (Strings{"title=Creating folders", "total=1", "position=1", "detail=" + install}));
}

TEST_F(CreatingFolders, FailureNamesTheFolder) {
  // A child before its parent, and a path longer than 127 characters.
  const std::string tooLong(127 - install.size() + 1, 'f');
  for (const auto& [folders, failed] : {
           std::pair<std::string, std::string>{"1=bin\\sub\r\n2=bin\r\n", "bin\\sub"},
           {"1=" + tooLong + "\r\n", tooLong},
       }) {
    recording::Reset();
    UseSetupInfo("[DstDirs]\r\n0=\r\n" + folders);
    EXPECT_EQ(CreateDestinationDirs(nullptr), 0) << failed;
    EXPECT_EQ(Shown(), Strings{"IDS_CANTMAKEDIR " + install + failed});
    EXPECT_FALSE(Exists(install + "bin"));
  }
}

TEST_F(CreatingFolders, DestinationEqualToTheMediumIgnoringCase) {
  Copy(GetSetupState()->installDir, "C:\\KOLTA_TEST\\Medium\\");
  UseSetupInfo("[DstDirs]\r\n1=bin\r\n");
  EXPECT_EQ(CreateDestinationDirs(nullptr), 0);
  EXPECT_EQ(Shown(), Strings{"IDS_SAMEPATH"});
  EXPECT_TRUE(recording::Get().progress.empty());
  EXPECT_FALSE(Exists(medium + "bin"));
}

TEST_F(CreatingFolders, StopsWhenCancelled) {
  UseSetupInfo("[DstDirs]\r\n0=\r\n1=a\r\n2=b\r\n");
  recording::Get().abortAfterSteps = 2;
  EXPECT_EQ(CreateDestinationDirs(nullptr), 0);
  EXPECT_TRUE(Exists(install + "a"));
  EXPECT_FALSE(Exists(install + "b"));
  EXPECT_TRUE(recording::Get().messages.empty());
}

class CopyingFiles : public SetupFixture {
 protected:
  void SetUp() override {
    SetupFixture::SetUp();
    sample = ReadAll(BesideProgram("setup_fixtures\\sample.txt"));
    ASSERT_GT(sample.size(), 1000u);
    ASSERT_TRUE(MakeDirectories(install + "bin\\"));
  }

  void PutCompressed(const std::string& fixture, const std::string& path) {
    ASSERT_TRUE(WriteFile(path, ReadAll(BesideProgram("setup_fixtures\\" + fixture))));
  }

  std::string sample;
};

TEST_F(CopyingFiles, ExpandsCompressedSourcesUnderTheirDestinationName) {
  const std::string binary("a\0b\r\n", 5);
  PutCompressed("sample.txt_", medium + "disk1\\sample.tx_");
  PutCompressed("empty.txt_", medium + "disk1\\empty.tx_");
  ASSERT_TRUE(WriteFile(medium + "disk1\\plain.bin", binary));
  ASSERT_TRUE(WriteFile(install + "bin\\plain.bin", std::string(10000, 'x')));
  UseSetupInfo(
      "[SrcDirs]\r\n1=disk1\r\n[DstDirs]\r\n2=bin\\\r\n[Files]\r\n"
      "Sample Text,1:sample.tx_,2:sample.txt,\r\nPLAIN,1:plain.bin,2:plain.bin,\r\n"
      "empty,1:empty.tx_,2:empty.txt,\r\n");
  ASSERT_EQ(CopySetupFiles(nullptr), 1);
  EXPECT_TRUE(recording::Get().messages.empty());
  EXPECT_EQ(ReadAll(install + "bin\\sample.txt"), sample);
  EXPECT_EQ(ReadAll(install + "bin\\plain.bin"), binary) << "overwritten";
  EXPECT_EQ(ReadAll(install + "bin\\empty.txt"), "") << "the header's length counts";
  EXPECT_EQ(
      recording::Get().progress,
      (Strings{"title=Copying files", "total=3", "position=0", "abort?",
               "detail=" + install + "sample text", "step", "abort?", "detail=" + install + "plain",
               "step", "abort?", "detail=" + install + "empty", "step"}));
}

TEST_F(CopyingFiles, EmptyListCopiesNothing) {
  ASSERT_TRUE(WriteFile(skinDir + "SETUP.INI", "[INFO]\r\nIDS_CREATEDIR=Creating folders\r\n"));
  UseSetupInfo("[Files]\r\n");
  ASSERT_EQ(CopySetupFiles(nullptr), 1);
  EXPECT_EQ(recording::Get().progress, (Strings{"title= ", "total=0", "position=0"}))
      << "a missing title text is one blank";
}

TEST_F(CopyingFiles, FailuresNameTheEntry) {
  PutCompressed("short.tx_", medium + "short.tx_");
  ASSERT_TRUE(WriteFile(medium + "ok.txt", "ok"));
  for (const auto& [files, name] : {
           std::pair<std::string, std::string>{"Missing,0:nothing.txt,0:nothing.txt,", "missing"},
           {"Truncated,0:short.tx_,0:short.txt,", "truncated"},
           {"No Source Folder,9:ok.txt,0:ok.txt,", "no source folder"},
           {"No Dest Folder,0:ok.txt,9:ok.txt,", "no dest folder"},
           {"Long,0:ok.txt,1:" + std::string(110, 'n') + ",", "long"},
       }) {
    recording::Reset();
    UseSetupInfo("[SrcDirs]\r\n0=\r\n[DstDirs]\r\n0=\r\n1=bin\\\r\n[Files]\r\n" + files + "\r\n");
    EXPECT_EQ(CopySetupFiles(nullptr), 0) << name;
    EXPECT_EQ(Shown(), Strings{"IDS_COPYFILEERROR " + name});
  }
  EXPECT_FALSE(Exists(install + "short.txt")) << "a file copied short stays behind";
}

// The progress line of a file (the install folder and the entry's name) is only shown: when
// it is longer than a line holds, the file is still copied, and the line goes to the screen
// whole, which cuts it to what it shows.
TEST_F(CopyingFiles, ALongDisplayLineDoesNotFailTheCopy) {
  const std::string name(110, 'd');
  ASSERT_GT(install.size() + name.size(), 127u);
  ASSERT_TRUE(WriteFile(medium + "a.txt", "a"));
  UseSetupInfo("[SrcDirs]\r\n0=\r\n[DstDirs]\r\n0=\r\n[Files]\r\n" + name +
               ",0:a.txt,0:a.txt,\r\n");
  ASSERT_EQ(CopySetupFiles(nullptr), 1);
  EXPECT_TRUE(recording::Get().messages.empty());
  EXPECT_EQ(ReadAll(install + "a.txt"), "a");
  EXPECT_EQ(recording::Get().progress[4], "detail=" + install + name);
}

TEST_F(CopyingFiles, CancelAfterTheSecondFileCopiesNoMore) {
  std::string files = "[SrcDirs]\r\n0=\r\n[DstDirs]\r\n0=\r\n[Files]\r\n";
  for (int i = 1; i <= 4; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    ASSERT_TRUE(WriteFile(medium + name, name));
    files += name + ",0:" + name + ",0:" + name + ",\r\n";
  }
  UseSetupInfo(files);
  recording::Get().abortAfterSteps = 2;
  EXPECT_EQ(CopySetupFiles(nullptr), 0);
  for (const char* name : {"f1.txt", "f2.txt", "f3.txt"}) {
    EXPECT_EQ(Exists(install + name), name[1] != '3') << name;
  }
  EXPECT_TRUE(recording::Get().messages.empty());
  const Strings& progress = recording::Get().progress;
  EXPECT_EQ(std::count(progress.begin(), progress.end(), "step"), 2);
}

TEST_F(CopyingFiles, AQuitMessageEndsTheActionsAndStaysQueued) {
  ASSERT_TRUE(WriteFile(medium + "a.txt", "a"));
  UseSetupInfo(
      "[SrcDirs]\r\n0=\r\n[DstDirs]\r\n0=\r\n1=new\r\n[Files]\r\na.txt,0:a.txt,0:a.txt,\r\n");
  PostQuitMessage(7);
  EXPECT_EQ(CreateDestinationDirs(nullptr), 0);
  EXPECT_EQ(CopySetupFiles(nullptr), 0);
  EXPECT_FALSE(Exists(install + "new"));
  EXPECT_FALSE(Exists(install + "a.txt"));
  EXPECT_TRUE(recording::Get().messages.empty());
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, UINT{WM_QUIT});
  EXPECT_EQ(message.wParam, 7u);
}

TEST_F(CopyingFiles, FolderWithOrWithoutBackslashGivesTheSamePath) {
  ASSERT_TRUE(WriteFile(medium + "d\\a.txt", "a"));
  EXPECT_EQ(CopyOneFile((medium + "d").c_str(), "a.txt", (install + "bin").c_str(), "1.txt"), 1);
  EXPECT_EQ(CopyOneFile((medium + "d\\").c_str(), "a.txt", (install + "bin\\").c_str(), "2.txt"),
            1);
  EXPECT_EQ(ReadAll(install + "bin\\1.txt"), "a");
  EXPECT_EQ(ReadAll(install + "bin\\2.txt"), "a");
  EXPECT_EQ(CopyOneFile(nullptr, "a.txt", install.c_str(), "3.txt"), 0);
}

// Run under code page 936, where 0x81 0x41 and 0x81 0x5C are single characters whose
// second byte equals "A" and "\\".
class SetupDbcs : public SetupFixture {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 936u) << "run with a Chinese locale";
    SetupFixture::SetUp();
  }
};

TEST_F(SetupDbcs, NamesAreLoweredByWholeCharacters) {
  UseSetupInfo("[SrcDirs]\r\n0=\r\n[DstDirs]\r\n0=\r\n[Files]\r\nREAD\x81\x41ME,0:a,0:b,\r\n");
  SetupFileTexts entry;
  ASSERT_EQ(GetSetupFileEntry(0, &entry), 1);
  EXPECT_STREQ(entry.name, "read\x81\x41me");
}

TEST_F(SetupDbcs, FolderEndingInATrailBackslashGetsASeparator) {
  const std::string folder = medium + "\x81\x5C";
  ASSERT_TRUE(WriteFile(folder + "\\a.txt", "dbcs"));
  ASSERT_TRUE(MakeDirectories(install));
  ASSERT_EQ(CopyOneFile(folder.c_str(), "a.txt", install.c_str(), "a.txt"), 1);
  EXPECT_EQ(ReadAll(install + "a.txt"), "dbcs");
}

// A program run of its own (the copy buffer is made once a run): the first copy finds no
// memory for the buffer and fails; the next one asks again and copies.
TEST_F(SetupFixture, AllocationFailureTheCopyBufferIsAskedForAgain) {
  ASSERT_TRUE(WriteFile(medium + "a.txt", "again"));
  ASSERT_TRUE(MakeDirectories(install));
  {
    FailingAllocation failure(0);
    EXPECT_EQ(CopyOneFile(medium.c_str(), "a.txt", install.c_str(), "a.txt"), 0);
    EXPECT_TRUE(failure.happened());
  }
  EXPECT_EQ(CopyOneFile(medium.c_str(), "a.txt", install.c_str(), "a.txt"), 1);
  EXPECT_EQ(ReadAll(install + "a.txt"), "again");
}

// Loading fails as a file that cannot be read does, or loads the whole file.
TEST_F(SetupFixture, AllocationFailureLoadingTheSetupInformation) {
  ASSERT_TRUE(WriteFile(medium + "data\\one.txt", "1"));
  ASSERT_TRUE(WriteFile(skinDir + "setuphd.inf",
                        "[App]\r\nDefDir=$:\\Kolta\r\n[SrcDirs]\r\n1=data\r\n[DstDirs]\r\n"
                        "2=out\r\n[Files]\r\n*1-2,\r\nsecond,1:one.txt,2:two.txt,\r\n[End]\r\n"));
  const std::string report = "IDS_NOSETUPINFOFILE " + skinDir + "setuphd.inf";
  const long failed = FailEachAllocation([&] {
    const int loaded = LoadSetupInfo(nullptr);
    const UnfailedAllocations checking;
    const bool whole = loaded == 1 && GetSetupInfo()->fileCount == 2 && Shown().empty();
    const bool refused = loaded == 0 && GetSetupInfo()->fileCount == 0 &&
                         Shown() == Strings{report};
    ClearSetupInfo(*GetSetupInfo());
    recording::Reset();
    return whole || refused;
  });
  EXPECT_GT(failed, 0) << "the file's block and the parser's entries";
}

TEST_F(SetupFixture, AllocationFailureFoldersAndCopiesAllocateNothingMore) {
  UseSetupInfo("[SrcDirs]\r\n0=\r\n[DstDirs]\r\n0=\r\n1=new\r\n2=new\\deep\r\n"
               "[Files]\r\nA file,0:a.txt,2:b.txt,\r\n");
  ASSERT_TRUE(WriteFile(medium + "a.txt", "a"));
  ASSERT_TRUE(MakeDirectories(install));
  ASSERT_EQ(CopyOneFile(medium.c_str(), "a.txt", install.c_str(), "warm.txt"), 1);
  const std::string deep = install + "x\\y\\z";  // made here: the test's own allocation
  EXPECT_EQ(FailEachAllocation([] { return CreateDestinationDirs(nullptr) == 1; }), 0);
  EXPECT_EQ(FailEachAllocation([] { return CopySetupFiles(nullptr) == 1; }), 0);
  EXPECT_EQ(FailEachAllocation([&] { return MakeDirectoryPath(deep.c_str()) == 1; }), 0);
  EXPECT_EQ(ReadAll(install + "new\\deep\\b.txt"), "a");
}

TEST(InstallHelpers, MakeDirectoryPathCreatesEveryLevel) {
  RemoveTree("c:\\kolta_mdp\\");
  EXPECT_EQ(MakeDirectoryPath("C:\\kolta_mdp\\a\\b\\c"), 1);
  EXPECT_NE(GetFileAttributesA("c:\\kolta_mdp\\a\\b\\c"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(MakeDirectoryPath("c:\\kolta_mdp\\a"), 1) << "exists";
  EXPECT_EQ(MakeDirectoryPath("1:\\x"), 0) << "no such drive";
  EXPECT_EQ(MakeDirectoryPath(""), 0);
  RemoveTree("c:\\kolta_mdp\\");
}

TEST(InstallHelpers, FreeDiskSpaceInMegabytes) {
  DWORD sectors = 0, bytes = 0, freeClusters = 0, total = 0;
  ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &sectors, &bytes, &freeClusters, &total));
  const int expected =
      static_cast<int>(static_cast<double>(freeClusters) * bytes * sectors / 1048576.0);
  // Other programs may write to the same disk meanwhile.
  EXPECT_NEAR(FreeDiskSpaceMB('c'), expected, 1024);
  EXPECT_NEAR(FreeDiskSpaceMB('C'), expected, 1024);
  EXPECT_GT(expected, 0);
}

}  // namespace
}  // namespace kolta::test
