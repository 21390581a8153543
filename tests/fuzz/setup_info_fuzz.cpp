// Parses arbitrary setup information files. The first input byte picks the code page
// rule and how many names the whole-folder listing yields (1: the listing fails); every
// entry made must be a terminated text of at most 127 characters and every resolved
// entry must point into it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "dbcs_fixture.h"
#include "setup_info.h"

namespace {

using kolta::test::Cp936LeadByte;

template <std::size_t N>
void CheckText(const char (&text)[N]) {
  if (std::memchr(text, '\0', N) == nullptr) __builtin_trap();
}

void CheckEntries(const SetupInfo& info) {
  if (info.sourceDirCount > kMaxSourceDirs || info.destDirCount > kMaxDestDirs ||
      info.fileCount > kMaxFiles || info.shortcutCount > kMaxShortcuts) {
    __builtin_trap();
  }
  CheckText(info.defDir);
  CheckText(info.defPMGroup);
  for (unsigned i = 0; i < info.sourceDirCount; ++i) CheckText(info.sourceDirs[i]->folder);
  for (unsigned i = 0; i < info.destDirCount; ++i) CheckText(info.destDirs[i]->folder);
  for (unsigned i = 0; i < info.shortcutCount; ++i) {
    CheckText(info.shortcuts[i]->target);
    CheckText(info.shortcuts[i]->title);
  }
  for (unsigned i = 0; i < info.fileCount; ++i) {
    CheckText(info.files[i]->name);
    CheckText(info.files[i]->sourceName);
    CheckText(info.files[i]->destName);
    ResolvedFileEntry resolved;
    if (ResolveFileEntry(info, i, resolved) && resolved.sourceFolder.size() > 127) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static SetupInfo info;
  unsigned listed = data[0] >> 1;
  SetupInfoPlatform platform;
  platform.programFolder = "c:\\medium\\";
  platform.isLead = (data[0] & 1) ? Cp936LeadByte : kolta::NoLeadBytes;
  platform.listContext = &listed;
  platform.listFiles = [](void* context, const char* pattern, SetupFileVisitor onFile) {
    const unsigned count = *static_cast<const unsigned*>(context);
    if (std::strlen(pattern) > 127) __builtin_trap();
    if (count == 1) return false;  // stands for a folder that cannot be listed
    for (unsigned i = 0; i < count; ++i) {
      if (!onFile("file" + std::to_string(i) + ".dat")) return true;
    }
    return true;
  };
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  ParseSetupInfo(info, text, platform);
  CheckEntries(info);
  ClearSetupInfo(info);
  return 0;
}
