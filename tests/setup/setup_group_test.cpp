// The program group on the real platform: shell links written by the system's link object
// and read back by an independent parser (lnkinfo, run as a host program).
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <string>

#include "program_group.h"
#include "setup_fixture.h"

namespace kolta::test {
namespace {

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = "";
  SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
  return std::string(path) + "\\";
}

// The host path of a Windows path (Wine's own export).
std::string HostPath(const std::string& path) {
  using Convert = char*(CDECL*)(const wchar_t*);
  const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr) return {};
  wchar_t widePath[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH) == 0) return {};
  char* host = convert(widePath);
  if (host == nullptr) return {};
  std::string result(host);
  HeapFree(GetProcessHeap(), 0, host);
  return result;
}

// The local path that lnkinfo reads from a .lnk file; the host program's output file is
// renamed into place when complete.
std::string LinkTarget(const std::string& link, const std::string& scratch) {
  const std::string output = scratch + "lnkinfo.txt";
  DeleteFileA(output.c_str());
  const std::string host = HostPath(output);
  if (!StartProgram("/bin/sh -c \"lnkinfo '" + HostPath(link) + "' > '" + host +
                    ".part' 2>&1; mv '" + host + ".part' '" + host + "'\"")) {
    return "(lnkinfo did not start)";
  }
  WaitForFile(output);
  const std::string text = ReadAll(output);
  const std::size_t at = text.find("Local path");
  if (at == std::string::npos) return "(no local path)";
  const std::size_t start = text.find(": ", at) + 2;
  std::string target = text.substr(start, text.find('\n', start) - start);
  // Newer lnkinfo versions print each backslash of a path doubled.
  for (std::size_t doubled = target.find("\\\\"); doubled != std::string::npos;
       doubled = target.find("\\\\", doubled + 1)) {
    target.erase(doubled, 1);
  }
  return target;
}

Strings LinksIn(const std::string& folder) {
  Strings names;
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (entry.cFileName[0] != '.') names.push_back(entry.cFileName);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

class ProgramGroup : public SetupFixture {
 protected:
  static void SetUpTestSuite() { CoInitialize(nullptr); }
  static void TearDownTestSuite() { CoUninitialize(); }

  void SetUp() override {
    SetupFixture::SetUp();
    RemoveTree(group);
    for (const std::string& name : LinksIn(desktop)) DeleteFileA((desktop + name).c_str());
  }
  void TearDown() override {
    RemoveTree(programs + "KoltaTest\\");
    SetupFixture::TearDown();
  }

  const std::string programs = SpecialFolder(CSIDL_COMMON_PROGRAMS);
  const std::string desktop = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
  const std::string group = programs + "KoltaTest\\";
};

TEST_F(ProgramGroup, ShortcutsPointIntoTheInstalledFolderOrTheMedium) {
  UseSetupInfo(
      "[App]\r\nDefPMGroup=KoltaTest\r\n[PM Info]\r\n"
      "<I>bin\\koltamain.exe, Kolta\r\n"
      "<I>bin\\tools.exe,Tools\r\n"
      "<s>docs\\readme.txt,Kolta\r\n");
  ASSERT_EQ(CreateProgramGroup(nullptr), 1);
  EXPECT_TRUE(recording::Get().messages.empty());
  EXPECT_EQ(LinksIn(group), (Strings{"Kolta.lnk", "Tools.lnk"}));
  EXPECT_EQ(LinkTarget(group + "Kolta.lnk", root), medium + "docs\\readme.txt")
      << "the second entry with the same title replaced the first";
  EXPECT_EQ(LinkTarget(group + "Tools.lnk", root), install + "bin\\tools.exe");
  EXPECT_EQ(LinksIn(desktop), Strings{"Kolta.lnk"});
  EXPECT_EQ(LinkTarget(desktop + "Kolta.lnk", root), install + "bin\\koltamain.exe")
      << "the desktop has the first entry";
}

TEST_F(ProgramGroup, NoEntriesMakeAnEmptyGroup) {
  UseSetupInfo("[App]\r\nDefPMGroup=KoltaTest\r\n[PM Info]\r\n");
  ASSERT_EQ(CreateProgramGroup(nullptr), 1);
  EXPECT_TRUE(Exists(group));
  EXPECT_TRUE(LinksIn(group).empty());
  EXPECT_TRUE(LinksIn(desktop).empty());
}

TEST_F(ProgramGroup, NestedGroupCreatesEveryLevel) {
  UseSetupInfo("[App]\r\nDefPMGroup=KoltaTest\\Tools\\More\r\n[PM Info]\r\n<I>a.exe,A\r\n");
  ASSERT_EQ(CreateProgramGroup(nullptr), 1);
  EXPECT_TRUE(Exists(group + "Tools\\More\\A.lnk"));
  EXPECT_EQ(MakeGroupFolder("KoltaTest\\Tools"), 1) << "exists";
}

// A target path of 126 or 127 characters is longer than a 128-byte buffer once quoted, and
// still gets its shortcuts.
TEST_F(ProgramGroup, TargetsAsLongAsAPathGetTheirShortcuts) {
  for (const std::size_t length : {126u, 127u}) {
    SCOPED_TRACE(length);
    ASSERT_LT(install.size(), length - 10);
    const std::string relative = "bin\\" + std::string(length - install.size() - 4, 'x');
    RemoveTree(group);
    UseSetupInfo("[App]\r\nDefPMGroup=KoltaTest\r\n[PM Info]\r\n<I>" + relative + ",Long\r\n");
    ASSERT_EQ(CreateProgramGroup(nullptr), 1);
    EXPECT_TRUE(recording::Get().messages.empty());
    ASSERT_EQ((install + relative).size(), length);
    EXPECT_EQ(LinkTarget(group + "Long.lnk", root), install + relative);
    EXPECT_EQ(LinkTarget(desktop + "Long.lnk", root), install + relative);
  }
}

TEST_F(ProgramGroup, ShortcutFilesByName) {
  char path[128];
  ASSERT_EQ(CommonProgramsPath(path, 0), 1);
  EXPECT_EQ(std::string(path), programs);
  ASSERT_EQ(CommonProgramsPath(path, 1), 1);
  EXPECT_EQ(std::string(path) + "\\", programs);

  ASSERT_EQ(MakeGroupFolder("KoltaTest"), 1);
  EXPECT_EQ(DeleteGroupShortcut("KoltaTest", "Kolta"), 0) << "none there";
  ASSERT_EQ(CreateGroupShortcut("KoltaTest", "Kolta", "\"c:\\x y\\z.exe\""), 1);
  SetFileAttributesA((group + "Kolta.lnk").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(DeleteGroupShortcut("KoltaTest", "Kolta"), 1) << "read-only too";
  EXPECT_FALSE(Exists(group + "Kolta.lnk"));
}

}  // namespace
}  // namespace kolta::test
