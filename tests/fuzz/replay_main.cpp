// Runs a fuzz target's entry function once on every file of the folders named on the
// command line (its seed corpus, crash reproducers), where no fuzzing engine exists: the
// Windows builds. It fails when a folder is missing, empty or unreadable, and when an
// input crashes the target (a trap or an abort), naming that input.
//
//   <target>_replay FOLDER...
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// The input being run, for the crash report (a fixed buffer: the handlers below may not
// allocate). Longer paths are shown cut; they are read whole.
char g_current[1024] = "";

void ReportCrash(const char* what) {
  std::fprintf(stderr, "replay: %s while running %s\n", what, g_current);
  std::fflush(stderr);
}

extern "C" void OnAbort(int) {
  ReportCrash("abort");
  std::_Exit(3);
}

#ifdef _WIN32
// A trap (an illegal instruction) or a fault ends the program at once with exit code 3,
// without a debugger or an error box (an exception code as the exit code could read as 0
// where only its low byte is kept).
LONG WINAPI OnException(EXCEPTION_POINTERS* exception) {
  char what[64];
  std::snprintf(what, sizeof what, "exception 0x%08lX",
                static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode));
  ReportCrash(what);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}
#endif

void SetCurrent(const std::string& path) {
  const std::size_t n = std::min(path.size(), sizeof g_current - 1);
  std::copy_n(path.data(), n, g_current);
  g_current[n] = '\0';
}

// The regular files of a folder in name order; nothing when it cannot be listed.
bool ListInputs(const fs::path& folder, std::vector<fs::path>& files) {
  std::error_code error;
  if (!fs::is_directory(folder, error)) return false;
  fs::directory_iterator it(folder, error);
  for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file(error)) files.push_back(it->path());
  }
  if (error) return false;
  std::sort(files.begin(), files.end());
  return true;
}

bool ReadInput(const fs::path& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Runs every input of one folder; false (with a message) when there is none or one cannot
// be read.
bool RunFolder(const fs::path& folder, std::size_t& count) {
  std::vector<fs::path> files;
  if (!ListInputs(folder, files)) {
    std::fprintf(stderr, "replay: %s is missing or cannot be listed\n", folder.string().c_str());
    return false;
  }
  if (files.empty()) {
    std::fprintf(stderr, "replay: %s holds no inputs\n", folder.string().c_str());
    return false;
  }
  std::vector<std::uint8_t> bytes;
  for (const fs::path& file : files) {
    if (!ReadInput(file, bytes)) {
      std::fprintf(stderr, "replay: %s cannot be read\n", file.string().c_str());
      return false;
    }
    SetCurrent(file.string());
    // Like the engine, a pointer to memory even for an empty input.
    const std::uint8_t none = 0;
    LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
  }
  std::printf("%s: %zu inputs\n", folder.string().c_str(), files.size());
  count += files.size();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(OnException);
#endif
  std::signal(SIGABRT, OnAbort);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER...\n", argv[0]);
    return 2;
  }
  std::size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    if (!RunFolder(argv[i], count)) return 1;
  }
  std::printf("ran %zu inputs from %d folders\n", count, argc - 1);
  return 0;
}
