// A scratch medium and destination for the Windows tests of the setup core: the setup
// state points at them, the settings file holds the texts, the recording screens start
// empty.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../common/win_test_files.h"
#include "recording_screens.h"
#include "setup_info.h"
#include "setup_state.h"

namespace kolta::test {

using Strings = std::vector<std::string>;
using recording::Shown;

inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

// A file beside the test program (fixtures made at build time, helper programs).
inline std::string BesideProgram(const std::string& name) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

// Waits (bounded) until a file exists.
inline bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 600 && !Exists(path); ++i) Sleep(100);
  return Exists(path);
}

// Starts a program with a command line; false when it did not start. Its process handle
// goes to `process` (or is closed); a host program started through Wine has none.
inline bool StartProgram(std::string command, HANDLE* process = nullptr) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return false;
  }
  CloseHandle(started.hThread);
  if (process != nullptr) {
    *process = started.hProcess;
  } else if (started.hProcess != nullptr) {
    CloseHandle(started.hProcess);
  }
  return true;
}

class SetupFixture : public ::testing::Test {
 protected:
  static constexpr char kRoot[] = "c:\\kolta_test\\";

  void SetUp() override {
    RemoveTree(kRoot);
    ASSERT_TRUE(MakeDirectories(medium));
    ASSERT_TRUE(MakeDirectories(skinDir));
    SetupState* state = GetSetupState();
    *state = SetupState{};
    Copy(state->sourceDir, medium);
    Copy(state->installDir, install);
    Copy(state->skinDir, skinDir);
    Copy(state->settingsFile, skinDir + "SETUP.INI");
    Copy(state->configFileName, "korvex.ini");
    Copy(state->languageCode, "chs");
    state->installMode = 1;
    ASSERT_TRUE(
        WriteFile(skinDir + "SETUP.INI",
                  "[INI]\r\nAPPNAME=Kolta\r\nFONTNAME=\r\n"
                  "[DIALOG]\r\nSETUPHD=Install to the hard disk\r\n"
                  "[INFO]\r\nIDS_CREATEDIR=Creating folders\r\nIDS_COPYINFO=Copying files\r\n"));
    ClearSetupInfo(*GetSetupInfo());
    recording::Reset();
  }

  void TearDown() override {
    ClearSetupInfo(*GetSetupInfo());
    SetCurrentDirectoryA("c:\\");
    RemoveTree(kRoot);
  }

  // Parses a setup information file given as lines (the platform's listing is not used).
  static void UseSetupInfo(const std::string& lines) {
    SetupInfo* info = GetSetupInfo();
    ClearSetupInfo(*info);
    ASSERT_EQ(ParseSetupInfo(*info, lines + "[End]\r\n", SetupInfoPlatform{}), 1) << lines;
  }

  static void Copy(char (&field)[128], const std::string& text) {
    ASSERT_LT(text.size(), sizeof field);
    text.copy(field, text.size());
    field[text.size()] = '\0';
  }

  const std::string root = kRoot;
  const std::string medium = root + "medium\\";
  const std::string install = root + "install\\";
  const std::string skinDir = medium + "lan\\chs\\setup\\";
};

}  // namespace kolta::test
