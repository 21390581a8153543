// The finishing steps on the real platform: the installed product started through
// WinExec, the product's configuration through K_INI, and the DirectX step against a
// test-double set-up library under both Windows families that Wine can report.
#include <windows.h>
// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include <string>

#include "finishing.h"
#include "setup_fixture.h"

namespace kolta::test {
namespace {

std::string WindowsFile(const std::string& name) {
  char folder[MAX_PATH];
  GetWindowsDirectoryA(folder, MAX_PATH);
  return std::string(folder) + "\\" + name;
}

Strings Lines(const std::string& text) {
  Strings lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// Waits until no process of that name runs any more.
void WaitForProcessesToEnd(const char* exeName) {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (lstrcmpiA(entry.szExeFile, exeName) != 0) continue;
    if (const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
      WaitForSingleObject(process, 60000);
      CloseHandle(process);
    }
  }
  CloseHandle(snapshot);
}

class FinishingSteps : public SetupFixture {
 protected:
  void SetUp() override {
    SetupFixture::SetUp();
    DeleteFileA(config.c_str());
  }
  void TearDown() override {
    DeleteFileA(config.c_str());
    SetupFixture::TearDown();
  }
  const std::string config = WindowsFile("korvex.ini");
};

TEST_F(FinishingSteps, StartsTheInstalledProductExactlyOnce) {
  // A blank in the folder: unquoted, the system would run "c:\kolta_test\my.exe". The
  // folder is as long as one can be for a program of 127 characters below it.
  const std::string product = root + "my prod" + std::string(88, 'x') + "\\";
  ASSERT_EQ((product + "bin\\koltamain.exe").size(), 127u);
  const std::string program = BesideProgram("setup_helpers\\koltamain.exe");
  ASSERT_TRUE(MakeDirectories(product + "bin\\"));
  ASSERT_TRUE(CopyFileA(program.c_str(), (product + "bin\\koltamain.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(program.c_str(), (root + "my.exe").c_str(), FALSE));
  const std::string withoutBackslash = product.substr(0, product.size() - 1);
  ASSERT_TRUE(WriteFile(config, "[PATH]\r\nINSTALLPATH=" + withoutBackslash + "\r\n"));

  EXPECT_EQ(CheckExistingInstall(), 0);
  ASSERT_TRUE(WaitForFile(product + "bin\\ran.log"));
  WaitForProcessesToEnd("koltamain.exe");
  EXPECT_EQ(Lines(ReadAll(product + "bin\\ran.log")),
            Strings{"\"" + product + "bin\\koltamain.exe\""});
  EXPECT_FALSE(Exists(root + "ran.log")) << "the decoy ran";
  EXPECT_TRUE(recording::Get().messages.empty());
}

TEST_F(FinishingSteps, NoInstalledFolderMeansAFreshInstall) {
  EXPECT_EQ(CheckExistingInstall(), 1) << "no configuration file";
  ASSERT_TRUE(WriteFile(config, "[PATH]\r\nINSTALLPATH=\r\nCDPATH=c:\\x\\\r\n"));
  EXPECT_EQ(CheckExistingInstall(), 1);
  EXPECT_TRUE(recording::Get().messages.empty());
  EXPECT_TRUE(Exists(config));
}

TEST_F(FinishingSteps, AnotherLanguageAsksBeforeReplacing) {
  Copy(GetSetupState()->languageCode, "eng");
  ASSERT_TRUE(WriteFile(config, "[PATH]\r\nINSTALLPATH=c:\\elsewhere\\\r\n"));
  recording::Get().answers = {0, 1};
  EXPECT_EQ(CheckExistingInstall(), 0) << "no";
  EXPECT_TRUE(Exists(config));
  EXPECT_EQ(CheckExistingInstall(), 1) << "yes";
  EXPECT_FALSE(Exists(config)) << "yes removes the old configuration";
  ASSERT_EQ(recording::Get().messages.size(), 2u);
  for (const recording::Message& message : recording::Get().messages) {
    EXPECT_EQ(message.key, "IDS_DIFFVERSION");
    EXPECT_EQ(message.mode, MB_YESNO);
  }
}

TEST_F(FinishingSteps, WritesTheProductConfiguration) {
  ASSERT_TRUE(WriteFile(medium + "korvex.ini", "[OTHER]\r\nKEY=medium\r\n"));
  ASSERT_TRUE(WriteFile(config, "[OTHER]\r\nKEY=old\r\n"));
  EXPECT_EQ(WriteProductConfig(nullptr), 1);
  const auto value = [this](const char* section, const char* key) {
    char text[128];
    GetPrivateProfileStringA(section, key, "", text, sizeof text, config.c_str());
    return std::string(text);
  };
  EXPECT_EQ(value("OTHER", "KEY"), "medium") << "the medium's file replaced the old one";
  EXPECT_EQ(value("PATH", "INSTALLPATH"), install);
  EXPECT_EQ(value("PATH", "CDPATH"), install);
  EXPECT_EQ(value("PATH", "ALL"), "1");

  DeleteFileA(config.c_str());
  DeleteFileA((medium + "korvex.ini").c_str());
  EXPECT_EQ(WriteProductConfig(nullptr), 1) << "no file on the medium";
  EXPECT_EQ(value("PATH", "ALL"), "1");
  EXPECT_TRUE(recording::Get().messages.empty());

  // A configuration that cannot be written (a folder stands in its place) is no install.
  DeleteFileA(config.c_str());
  ASSERT_TRUE(CreateDirectoryA(config.c_str(), nullptr));
  EXPECT_EQ(WriteProductConfig(nullptr), 0);
  EXPECT_EQ(Shown(), Strings{"IDS_COPYFILEERROR korvex.ini"});
  RemoveDirectoryA(config.c_str());
}

// The DirectX step runs in a probe process whose reported Windows version is set per
// program in Wine's registry before it starts.
class DirectXStep : public SetupFixture {
 protected:
  struct Run {
    DWORD result;
    Strings calls;
  };

  void PutLibrary(const std::string& folder) {
    ASSERT_TRUE(MakeDirectories(folder));
    for (const char* name : {"DSETUP.dll", "DSETUPCO.dll"}) {
      ASSERT_TRUE(CopyFileA(BesideProgram(std::string("setup_helpers\\") + name).c_str(),
                            (folder + name).c_str(), FALSE));
    }
  }

  static void ReportVersion(const char* version) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\directx_probe.exe",
                              0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                   static_cast<DWORD>(strlen(version) + 1));
    RegCloseKey(key);
  }

  Run RunStep(const char* windowsVersion, const char* libraryVersion, const char* setupResult = "1",
              const char* queryResult = "1") {
    ReportVersion(windowsVersion);
    const std::string log = root + "dsetup.log";
    DeleteFileA(log.c_str());
    SetEnvironmentVariableA("DSETUP_DOUBLE_LOG", log.c_str());
    SetEnvironmentVariableA("DSETUP_DOUBLE_VERSION", libraryVersion);
    SetEnvironmentVariableA("DSETUP_DOUBLE_RESULT", setupResult);
    SetEnvironmentVariableA("DSETUP_DOUBLE_QUERY", queryResult);
    Run run{99, {}};
    HANDLE probe = nullptr;
    if (!StartProgram("\"" + BesideProgram("directx_probe.exe") + "\" " + medium, &probe)) {
      ADD_FAILURE() << "cannot start the probe";
      return run;
    }
    WaitForSingleObject(probe, 120000);
    GetExitCodeProcess(probe, &run.result);
    CloseHandle(probe);
    run.calls = Lines(ReadAll(log));
    return run;
  }

  std::string Loaded(const std::string& folder) { return "load " + folder + "DSETUP.dll"; }
  std::string SetupCall() { return "setup " + medium + "DIRECTX 0x10018 desktop"; }
};

TEST_F(DirectXStep, InstallsUnderTheNinetyFiveFamilyBelowVersionFive) {
  PutLibrary(medium + "DIRECTX\\");
  const Strings queried{Loaded(medium + "DIRECTX\\"), "version"};
  const Strings installed{queried[0], queried[1], SetupCall()};
  struct Case {
    const char* windows;
    const char* library;  // the version it reports
    const char* setupResult;
    const char* queryResult;
    DWORD result;
    Strings calls;
  };
  for (const Case& c : {
           Case{"win10", "4", "1", "1", 0, {}},     // the NT family never loads the library
           {"win98", "4", "1", "1", 1, installed},  // a restart is offered
           // The low word (4) is the version; the install entry returned 0.
           {"win95", "0x00050004", "0", "1", 0, installed},
           {"win98", "9", "1", "0", 1, installed},  // a failed query installs
           {"win98", "5", "1", "1", 0, queried},    // version word five or more
           {"win98", "0x00040005", "1", "1", 0, queried},
           {"win98", "6", "1", "1", 0, queried},
       }) {
    const Run run = RunStep(c.windows, c.library, c.setupResult, c.queryResult);
    EXPECT_EQ(run.result, c.result) << c.windows << " " << c.library;
    EXPECT_EQ(run.calls, c.calls) << c.windows << " " << c.library;
  }
}

TEST_F(DirectXStep, LooksInTheDirectXFolderFirstThenBesideTheProgram) {
  EXPECT_EQ(RunStep("win98", "4").result, 0u) << "no library: nothing to do";

  PutLibrary(medium);
  Run run = RunStep("win98", "4");
  EXPECT_EQ(run.result, 1u);
  EXPECT_EQ(run.calls, (Strings{Loaded(medium), "version", SetupCall()}));

  PutLibrary(medium + "DIRECTX\\");
  run = RunStep("win98", "4");
  ASSERT_FALSE(run.calls.empty());
  EXPECT_EQ(run.calls[0], Loaded(medium + "DIRECTX\\"));
}

}  // namespace
}  // namespace kolta::test
