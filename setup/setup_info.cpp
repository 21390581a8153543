#include "setup_info.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <new>
#include <type_traits>

// The record's layout is fixed for 32-bit Windows.
static_assert(std::is_standard_layout_v<SetupInfo> && std::is_trivial_v<SetupInfo>);
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(DirEntry) == 132);
static_assert(sizeof(FileEntry) == 392);
static_assert(sizeof(ShortcutEntry) == 256);
static_assert(offsetof(SetupInfo, defDir) == 4);
static_assert(offsetof(SetupInfo, spaceNeeded) == 132);
static_assert(offsetof(SetupInfo, defPMGroup) == 136);
static_assert(offsetof(SetupInfo, showSubDirCreateStats) == 264);
static_assert(offsetof(SetupInfo, installToHD) == 284);
static_assert(offsetof(SetupInfo, sourceDirs) == 288);
static_assert(offsetof(SetupInfo, files) == 1088);
static_assert(sizeof(SetupInfo) == 41128);
#endif

namespace {

SetupInfo info;  // zero at load

constexpr std::size_t kLineCapacity = 127;
constexpr std::string_view kBlanks = " ";
constexpr std::string_view kBlanksAndTabs = " \t";

struct Header {
  std::string_view text;
  SetupInfoSection section;
};
constexpr std::array<Header, 7> kHeaders{{
    {"[Version]", kSectionVersion},
    {"[App]", kSectionApp},
    {"[SrcDirs]", kSectionSrcDirs},
    {"[DstDirs]", kSectionDstDirs},
    {"[Files]", kSectionFiles},
    {"[PM Info]", kSectionPmInfo},
    {"[End]", kSectionEnd},
}};

std::string_view TrimLeading(std::string_view text, std::string_view chars) {
  const std::size_t start = text.find_first_not_of(chars);
  return start == std::string_view::npos ? std::string_view() : kolta::TextPart(text, start);
}

// Copies a field into a 128-byte entry buffer; refuses one that does not fit.
template <std::size_t N>
bool CopyField(std::string_view text, char (&out)[N]) {
  if (text.size() >= N) return false;
  if (!text.empty()) std::memcpy(out, text.data(), text.size());
  out[text.size()] = '\0';
  return true;
}

bool StartsWithYes(std::string_view value) {
  return !value.empty() && (value.front() == 'Y' || value.front() == 'y');
}

// Makes a new entry at the end of a table of pointers; null when the table is full or
// no memory is left.
template <typename Entry, std::size_t N>
Entry* AppendEntry(Entry* (&table)[N], unsigned& count) {
  if (count >= N) return nullptr;
  Entry* entry = new (std::nothrow) Entry{};
  if (entry == nullptr) return nullptr;
  table[count++] = entry;
  return entry;
}

bool ParseAppLine(SetupInfo& out, std::string_view line, const SetupInfoPlatform& platform) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  const std::string_view key = kolta::TextPart(line, 0, equals);
  const std::string_view value = kolta::TextPart(line, equals + 1);
  if (key == "DefDir") {
    // "$" stands for the drive of the Windows folder.
    if (!value.empty() && value.front() == '$') {
      kolta::InterfaceText dir;
      dir.Append(platform.windowsDrive).Append(kolta::TextPart(value, 1));
      return dir.CopyTo(out.defDir);
    }
    return CopyField(value, out.defDir);
  }
  if (key == "SpaceNeeded") {
    out.spaceNeeded = LeadingNumber(value);
  } else if (key == "DefPMGroup") {
    return CopyField(value, out.defPMGroup);
  } else if (key == "ShowSubDirCreateStats") {
    out.showSubDirCreateStats = StartsWithYes(value);
  } else if (key == "InstallToHD") {
    out.installToHD = StartsWithYes(value);
  }
  return true;
}

template <std::size_t N>
bool ParseDirLine(DirEntry* (&table)[N], unsigned& count, std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  DirEntry* entry = AppendEntry(table, count);
  if (entry == nullptr) return false;
  entry->number = LeadingNumber(kolta::TextPart(line, 0, equals));
  return CopyField(kolta::TextPart(line, equals + 1), entry->folder);
}

bool AddFileEntry(SetupInfo& out, std::string_view name, unsigned sourceNumber,
                  std::string_view sourceName, unsigned destNumber, std::string_view destName) {
  FileEntry* entry = AppendEntry(out.files, out.fileCount);
  if (entry == nullptr) return false;
  entry->sourceDirNumber = sourceNumber;
  entry->destDirNumber = destNumber;
  return CopyField(name, entry->name) && CopyField(sourceName, entry->sourceName) &&
         CopyField(destName, entry->destName);
}

// Splits `rest` at the first `separator`: gives the text before it and leaves the text
// after it in `rest`; nothing when the separator is missing.
bool SplitAt(std::string_view& rest, char separator, std::string_view& before) {
  const std::size_t at = rest.find(separator);
  if (at == std::string_view::npos) return false;
  before = kolta::TextPart(rest, 0, at);
  rest.remove_prefix(at + 1);
  return true;
}

// name, source number ":" source name "," destination number ":" destination name ","
bool ParseExplicitFileLine(SetupInfo& out, std::string_view line) {
  std::string_view name, sourceNumber, sourceName, destNumber, destName;
  if (!SplitAt(line, ',', name) || !SplitAt(line, ':', sourceNumber) ||
      !SplitAt(line, ',', sourceName) || !SplitAt(line, ':', destNumber) ||
      !SplitAt(line, ',', destName)) {
    return false;
  }
  return AddFileEntry(out, name, LeadingNumber(TrimLeading(sourceNumber, kBlanks)),
                      TrimLeading(sourceName, kBlanksAndTabs),
                      LeadingNumber(TrimLeading(destNumber, kBlanks)),
                      TrimLeading(destName, kBlanksAndTabs));
}

// One explicit entry per file of a source folder whose name matches "*.<extension>"
// ("*.*" for the whole folder); sub-folders are skipped by the listing.
bool ExpandFolder(SetupInfo& out, std::string_view sourceText, std::string_view destText,
                  std::string_view extension, const SetupInfoPlatform& platform) {
  if (sourceText.size() > kMaxFolderNumberText || destText.size() > kMaxFolderNumberText) {
    return false;
  }
  const unsigned sourceNumber = LeadingNumber(TrimLeading(sourceText, kBlanks));
  const unsigned destNumber = LeadingNumber(TrimLeading(destText, kBlanks));
  const DirEntry* source = FindDirEntry(out.sourceDirs, out.sourceDirCount, sourceNumber);
  if (source == nullptr) return false;

  kolta::InterfaceText pattern(platform.programFolder);
  pattern.Append(source->folder);
  kolta::AppendFolderSeparator(pattern, platform.isLead);
  pattern.Append("*.").Append(extension);
  if (!pattern.ok()) return false;
  if (!platform.listFiles) return true;

  bool ok = true;
  const bool listed =
      platform.listFiles(platform.listContext, pattern.c_str(), [&](std::string_view file) {
        ok = AddFileEntry(out, file, sourceNumber, file, destNumber, file);
        return ok;
      });
  return listed && ok;
}

// "*" source number "-" destination number ","
bool ParseWholeFolderLine(SetupInfo& out, std::string_view line,
                          const SetupInfoPlatform& platform) {
  std::string_view rest = kolta::TextPart(line, 1), sourceText, destText;
  if (!SplitAt(rest, '-', sourceText) || !SplitAt(rest, ',', destText)) return false;
  return ExpandFolder(out, sourceText, destText, "*", platform);
}

// "?" anything "(" extension ")" source number "-" destination number ","
bool ParseByExtensionLine(SetupInfo& out, std::string_view line,
                          const SetupInfoPlatform& platform) {
  std::string_view rest = kolta::TextPart(line, 1), ignored, extension, sourceText, destText;
  if (!SplitAt(rest, '(', ignored) || !SplitAt(rest, ')', extension) ||
      !SplitAt(rest, '-', sourceText) || !SplitAt(rest, ',', destText)) {
    return false;
  }
  return ExpandFolder(out, sourceText, destText, extension, platform);
}

bool ParseFileLine(SetupInfo& out, std::string_view line, const SetupInfoPlatform& platform) {
  switch (line.front()) {
    case '*': return ParseWholeFolderLine(out, line, platform);
    case '?': return ParseByExtensionLine(out, line, platform);
    default: return ParseExplicitFileLine(out, line);
  }
}

// target "," title
bool ParseShortcutLine(SetupInfo& out, std::string_view line) {
  std::string_view target;
  if (!SplitAt(line, ',', target)) return false;
  ShortcutEntry* entry = AppendEntry(out.shortcuts, out.shortcutCount);
  if (entry == nullptr || !CopyField(target, entry->target) || !CopyField(line, entry->title)) {
    return false;
  }
  TrimBlanks(entry->title);
  return true;
}

std::string_view TrimmedLine(std::string_view raw) {
  const std::size_t start = raw.find_first_not_of(kBlanksAndTabs);
  if (start == std::string_view::npos) return {};
  return kolta::TextPart(raw, start, raw.find_last_not_of(kBlanksAndTabs) - start + 1);
}

// Lines that no section reads: blank lines, comments, and what stands before the first
// header or in [Version]. Their length does not matter.
bool IsIgnoredLine(const SetupInfo& out, std::string_view line) {
  if (line.empty() || line.front() == ';') return true;
  return line.front() != '[' && (out.section == kSectionNone || out.section == kSectionVersion);
}

// One line without its end; false makes the file invalid. A line must fit 127 characters
// once its surrounding blanks and tabs are trimmed.
bool ParseLine(SetupInfo& out, std::string_view raw, const SetupInfoPlatform& platform) {
  const std::string_view line = TrimmedLine(raw);
  if (IsIgnoredLine(out, line)) return true;
  if (line.size() > kLineCapacity) return false;
  if (line.front() == '[') {
    for (const Header& header : kHeaders) {
      if (line == header.text) {
        out.section = header.section;
        return true;
      }
    }
    return false;
  }
  switch (out.section) {
    case kSectionApp: return ParseAppLine(out, line, platform);
    case kSectionSrcDirs: return ParseDirLine(out.sourceDirs, out.sourceDirCount, line);
    case kSectionDstDirs: return ParseDirLine(out.destDirs, out.destDirCount, line);
    case kSectionFiles: return ParseFileLine(out, line, platform);
    case kSectionPmInfo: return ParseShortcutLine(out, line);
    default: return true;  // before the first header and in [Version]
  }
}

template <typename Entry, std::size_t N>
void FreeEntries(Entry* (&table)[N]) {
  for (Entry*& entry : table) {
    delete entry;
    entry = nullptr;
  }
}

}  // namespace

SetupInfo* GetSetupInfo() { return &info; }

int ParseSetupInfo(SetupInfo& out, std::string_view data, const SetupInfoPlatform& platform) {
  if (out.section == kSectionEnd) return 1;
  data = kolta::TextPart(data, 0, data.find('\0'));
  std::size_t pos = 0;
  while (pos < data.size()) {
    const std::size_t end = std::min(data.find_first_of("\r\n", pos), data.size());
    const std::string_view line = kolta::TextPart(data, pos, end - pos);
    pos = end + 1;
    if (end + 1 < data.size() && data[end] == '\r' && data[end + 1] == '\n') ++pos;
    if (!ParseLine(out, line, platform)) return 0;
    if (out.section == kSectionEnd) return 1;
  }
  return 0;  // no "[End]": the data was cut short
}

void ClearSetupInfo(SetupInfo& out) {
  FreeEntries(out.sourceDirs);
  FreeEntries(out.destDirs);
  FreeEntries(out.files);
  FreeEntries(out.shortcuts);
  out = SetupInfo{};
}

char* TrimBlanks(char* text) {
  if (text == nullptr) return nullptr;
  const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t length = std::strlen(text);
  while (length > 0 && isBlank(text[length - 1])) --length;
  std::size_t start = 0;
  while (start < length && isBlank(text[start])) ++start;
  std::memmove(text, text + start, length - start);
  text[length - start] = '\0';
  return text;
}

unsigned LeadingNumber(std::string_view text) {
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') break;
    const unsigned digit = static_cast<unsigned>(c - '0');
    value = value > (UINT_MAX - digit) / 10 ? UINT_MAX : value * 10 + digit;
  }
  return value;
}

const DirEntry* FindDirEntry(DirEntry* const* entries, unsigned count, unsigned number) {
  for (unsigned i = 0; i < count; ++i) {
    if (entries[i] != nullptr && entries[i]->number == number) return entries[i];
  }
  return nullptr;
}

bool ResolveFileEntry(const SetupInfo& in, unsigned index, ResolvedFileEntry& out) {
  if (index >= in.fileCount || index >= kMaxFiles || in.files[index] == nullptr) return false;
  const FileEntry& entry = *in.files[index];
  const DirEntry* source = FindDirEntry(in.sourceDirs, in.sourceDirCount, entry.sourceDirNumber);
  const DirEntry* dest = FindDirEntry(in.destDirs, in.destDirCount, entry.destDirNumber);
  if (source == nullptr || dest == nullptr) return false;
  out = {entry.name, source->folder, entry.sourceName, dest->folder, entry.destName};
  return true;
}
