#include "ini_paths.h"

#include <array>
#include <utility>

namespace kolta::ini {

namespace {

// Index = language number.
constexpr std::array<std::string_view, 4> kLanguageCodes = {"enu", "cht", "chs", "diy"};

constexpr std::array<std::pair<char, std::string_view>, 6> kDataFolders = {{
    {'B', "BIN\\"},
    {'F', "FILE\\"},
    {'G', "GLIB\\"},
    {'M', "MEDIA\\"},
    {'R', "RES\\"},
    {'W', "WORK\\"},
}};

// Steps 1 and 2 of both compositions: the root the letter selects, then the language
// folder.
bool StartAtRoot(const Roots& roots, char rootLetter, int language, InterfaceText& out) {
  // Any other letter appends to what out already holds.
  const char letter = AsciiUpper(rootLetter);
  if (letter == 'C' || letter == 'H') {
    const auto rootText = ReadBoundedText(letter == 'C' ? roots.first : roots.second);
    if (!rootText) return false;
    out = InterfaceText(*rootText);
  }
  const std::string_view code = LanguageCode(language);
  if (!code.empty()) out.Append("Lan\\").Append(code).Append('\\');
  return out.ok();
}

}  // namespace

std::string_view LanguageCode(int language) {
  if (language < 0 || static_cast<std::size_t>(language) >= kLanguageCodes.size()) return {};
  return kLanguageCodes[static_cast<std::size_t>(language)];
}

std::string_view DataFolder(char letter) {
  for (const auto& [key, folder] : kDataFolders) {
    if (key == AsciiUpper(letter)) return folder;
  }
  return {};
}

bool ComposeDataPath(const Roots& roots, int language, std::string_view codedName,
                     InterfaceText& out, LeadBytePredicate isLead) {
  if (!StartAtRoot(roots, SingleByteCharAt(codedName, 0, isLead), language, out)) return false;
  out.Append(DataFolder(SingleByteCharAt(codedName, 1, isLead)));
  out.Append(kolta::TextPart(codedName, SkipChars(codedName, 2, isLead)));
  return out.ok();
}

bool ComposeSoundPath(const Roots& roots, int language, bool stereo, std::string_view codedName,
                      InterfaceText& out, LeadBytePredicate isLead) {
  if (!StartAtRoot(roots, SingleByteCharAt(codedName, 0, isLead), language, out)) return false;
  out.Append(stereo ? "STEREO\\" : "MONO\\");
  out.Append(kolta::TextPart(codedName, SkipChars(codedName, 1, isLead)));
  return out.ok();
}

bool IsFolderName(std::string_view name, LeadBytePredicate isLead) {
  const auto separator = LastSeparator(name, Separators::BackslashOrSlash, isLead);
  const std::string_view last = separator ? kolta::TextPart(name, *separator + 1) : name;
  return !ContainsChar(last, '.', isLead);
}

int FindFile(const FileQuery& query, InterfaceText& out, LeadBytePredicate isLead,
             PathTest exists) {
  const bool folder = IsFolderName(query.name, isLead);

  // Composes the path below one root; for a folder name the path of its first picture
  // ("\1.bmp") is composed and cut back to the folder. Gives the offset of that cut.
  auto compose = [&](char rootLetter) -> std::optional<std::optional<std::size_t>> {
    InterfaceText codedName;
    codedName.Append(rootLetter).Append(query.name);
    if (folder) codedName.Append("\\1.bmp");
    InterfaceText path;
    const bool composed =
        codedName.ok() &&
        (query.kind == FileKind::Data
             ? ComposeDataPath(query.roots, query.language, codedName.view(), path, isLead)
             : ComposeSoundPath(query.roots, query.language, query.stereo, codedName.view(), path,
                                isLead));
    if (!composed) return std::nullopt;
    std::optional<std::size_t> cut;
    if (folder) {
      cut = LastSeparator(path.view(), Separators::BackslashOrSlash, isLead);
      if (cut) path.Truncate(*cut);
    }
    out = path;
    return cut;
  };

  const auto installed = compose('H');
  if (!installed) {
    out = InterfaceText();
    return kRefused;
  }
  if (exists(out.c_str())) return 0;

  const auto fallback = compose('C');
  if (!fallback) {
    out = InterfaceText();
    return kRefused;
  }
  if (!folder) return 0;
  return *fallback ? static_cast<int>(**fallback) : -1;
}

std::optional<InterfaceText> FileBesideModule(std::string_view modulePath, std::string_view fileName,
                                              Separators separators, LeadBytePredicate isLead) {
  const auto separator = LastSeparator(modulePath, separators, isLead);
  InterfaceText path(separator ? kolta::TextPart(modulePath, 0, *separator + 1)
                               : std::string_view());
  path.Append(fileName);
  if (!path.ok()) return std::nullopt;
  return path;
}

std::optional<InterfaceText> ResolveOtherPath(std::string_view value, std::string_view moduleFolder,
                                              LeadBytePredicate isLead) {
  InterfaceText path;
  if (SingleByteCharAt(value, 1, isLead) != ':') path.Append(moduleFolder);
  path.Append(value);
  if (!path.ok()) return std::nullopt;
  return path;
}

std::optional<InterfaceText> AsFolder(std::string_view path, LeadBytePredicate isLead) {
  // The separator would become the second byte of a broken character.
  if (EndsInLoneLeadByte(path, isLead)) return std::nullopt;
  InterfaceText folder(path);
  AppendFolderSeparator(folder, isLead);
  if (!folder.ok()) return std::nullopt;
  return folder;
}

}  // namespace kolta::ini
