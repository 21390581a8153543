// Times the setup's folder creation and file copying against a plain CopyFileA copy of
// the same medium files and against an NSIS installer of the same payload, and prints
// the three times and their ratios. Not a test: the figures depend on the machine.
//
//   setup_copy_bench MEDIUM\ WORK\ [NSIS-INSTALLER]
//
// MEDIUM holds the payload and "lan\chs\setup\setuphd.inf" listing it; WORK receives
// "setup\", "plain\" and "nsis\" in turn. Each contender runs three times; the best time counts.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../tests/common/win_test_files.h"
#include "file_install.h"
#include "recording_screens.h"
#include "setup_info.h"
#include "setup_info_file.h"
#include "setup_state.h"

namespace {

using Clock = std::chrono::steady_clock;

bool SetText(char (&field)[128], const std::string& text) {
  if (text.size() >= sizeof field) return false;
  std::memcpy(field, text.c_str(), text.size() + 1);
  return true;
}

// Reads every medium file once, so that every contender starts from a warm cache.
long long WarmCache(const std::vector<std::string>& files) {
  std::vector<char> buffer(1 << 20);
  long long total = 0;
  for (const std::string& path : files) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    DWORD read = 0;
    while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) &&
           read) {
      total += read;
    }
    CloseHandle(file);
  }
  return total;
}

// Writes every file below a folder through to the disk, so that the next contender does
// not pay for this one's delayed writes.
void FlushTree(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      FlushTree(folder + name + "\\");
    } else {
      const HANDLE file = CreateFileA((folder + name).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        FlushFileBuffers(file);
        CloseHandle(file);
      }
    }
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double RunSetup(const std::string& medium, const std::string& target) {
  SetupState* state = GetSetupState();
  if (!SetText(state->sourceDir, medium) || !SetText(state->installDir, target) ||
      !SetText(state->skinDir, medium + "lan\\chs\\setup\\") ||
      !SetText(state->settingsFile, medium + "lan\\chs\\setup\\SETUP.INI")) {
    return -1;
  }
  state->installMode = 1;
  if (!LoadSetupInfo(nullptr)) return -1;
  const Clock::time_point start = Clock::now();
  const bool ok = CreateDestinationDirs(nullptr) && CopySetupFiles(nullptr);
  const double seconds = Seconds(start);
  return ok ? seconds : -1;
}

double RunPlainCopy(const std::string& medium, const std::string& target) {
  const Clock::time_point start = Clock::now();
  const SetupInfo* info = GetSetupInfo();
  for (unsigned i = 0; i < info->destDirCount; ++i) {
    CreateDirectoryA((target + info->destDirs[i]->folder).c_str(), nullptr);
  }
  for (unsigned i = 0; i < info->fileCount; ++i) {
    SetupFileTexts entry;
    if (!GetSetupFileEntry(i, &entry)) return -1;
    const std::string source = medium + entry.sourceFolder + "\\" + entry.sourceName;
    const std::string dest = target + entry.destFolder + "\\" + entry.sourceName;
    if (!CopyFileA(source.c_str(), dest.c_str(), FALSE)) return -1;
  }
  return Seconds(start);
}

double RunInstaller(const std::string& installer, const std::string& target) {
  std::string command = "\"" + installer + "\" /S /D=" + target;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const Clock::time_point start = Clock::now();
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  const double seconds = Seconds(start);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code == 0 ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: setup_copy_bench MEDIUM\\ WORK\\ [NSIS-INSTALLER]\n");
    return 2;
  }
  const std::string medium = argv[1], work = argv[2];
  // The listing, parsed once for the plain copy's file list.
  SetupState* state = GetSetupState();
  SetText(state->sourceDir, medium);
  SetText(state->skinDir, medium + "lan\\chs\\setup\\");
  state->installMode = 1;
  if (!LoadSetupInfo(nullptr)) {
    std::fprintf(stderr, "cannot load the setup information file\n");
    return 1;
  }
  std::vector<std::string> files;
  unsigned compressed = 0;
  for (unsigned i = 0; i < GetSetupInfo()->fileCount; ++i) {
    SetupFileTexts entry;
    GetSetupFileEntry(i, &entry);
    files.push_back(medium + entry.sourceFolder + "\\" + entry.sourceName);
    compressed += std::strcmp(entry.sourceName, entry.destName) != 0;
  }
  // Three rounds, alternating the order; each run starts on a warm cache, into an empty
  // folder, with the previous run's data on the disk. The best time of each counts.
  const long long mediumBytes = WarmCache(files);
  double setup = 1e9, plain = 1e9, nsis = 1e9;
  const auto keepBest = [](double& best, double seconds) {
    best = seconds < 0 || best < 0 ? -1 : std::min(best, seconds);
  };
  for (int round = 0; round < 3; ++round) {
    for (int turn = 0; turn < 2; ++turn) {
      FlushTree(work);
      kolta::test::RemoveTree(work);
      kolta::test::MakeDirectories(work + "plain\\");
      WarmCache(files);
      if ((round + turn) % 2 == 0) {
        keepBest(plain, RunPlainCopy(medium, work + "plain\\"));
      } else {
        recording::Reset();
        keepBest(setup, RunSetup(medium, work + "setup\\"));
      }
    }
    if (argc > 3) {
      FlushTree(work);
      kolta::test::RemoveTree(work);
      keepBest(nsis, RunInstaller(argv[3], work + "nsis"));
    }
  }

  std::printf("payload: %u files (%u LZ-compressed) in %u folders, %.1f MiB on the medium\n",
              GetSetupInfo()->fileCount, compressed, GetSetupInfo()->destDirCount,
              static_cast<double>(mediumBytes) / 1048576.0);
  std::printf("setup (CreateDestinationDirs + CopySetupFiles): %.3f s\n", setup);
  std::printf("plain CopyFileA:                                %.3f s\n", plain);
  if (argc > 3) std::printf("NSIS installer (/S):                            %.3f s\n", nsis);
  if (setup > 0 && plain > 0) std::printf("setup / plain copy: %.2f\n", setup / plain);
  if (setup > 0 && nsis > 0) std::printf("setup / NSIS:       %.2f\n", setup / nsis);
  return (setup > 0 && plain > 0 && (argc <= 3 || nsis > 0)) ? 0 : 1;
}
