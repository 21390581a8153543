// Composes data and sound paths from arbitrary roots, names and code pages: every
// result fits its buffer and is refused rather than cut.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dbcs_fixture.h"
#include "fuzz_input.h"
#include "ini_paths.h"

namespace {

using kolta::test::Cp936LeadByte;
using kolta::test::NextPart;

void CheckFits(const kolta::InterfaceText& text) {
  if (text.size() > kolta::InterfaceText::kCapacity || text.c_str()[text.size()] != '\0') {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto isLead = (data[0] & 1) ? Cp936LeadByte : kolta::NoLeadBytes;
  const int language = static_cast<int>(static_cast<std::int8_t>(data[1])) % 6;
  std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::string first(NextPart(rest)), second(NextPart(rest)), current(NextPart(rest));
  const std::string_view name = NextPart(rest);
  const kolta::ini::Roots roots{first.c_str(), (data[0] & 2) ? second.c_str() : nullptr};

  kolta::InterfaceText path(current);
  if (kolta::ini::ComposeDataPath(roots, language, name, path, isLead)) CheckFits(path);
  kolta::InterfaceText sound(current);
  if (kolta::ini::ComposeSoundPath(roots, language, data[0] & 4, name, sound, isLead))
    CheckFits(sound);

  for (const auto kind : {kolta::ini::FileKind::Data, kolta::ini::FileKind::Sound}) {
    kolta::InterfaceText found;
    const kolta::ini::FileQuery query{kind, roots, language, (data[0] & 8) != 0, name};
    const int result = kolta::ini::FindFile(query, found, isLead, [&](const char* p) {
      return (data[0] & 16) && std::string_view(p).size() % 2 == 0;
    });
    CheckFits(found);
    // A positive result is the offset of the cut that ends the folder path.
    if (result > 0 && static_cast<std::size_t>(result) != found.size()) __builtin_trap();
  }
  if (auto beside =
          kolta::ini::FileBesideModule(first, name, kolta::Separators::BackslashOrSlash, isLead)) {
    CheckFits(*beside);
  }
  if (auto folder = kolta::ini::AsFolder(first, isLead)) {
    CheckFits(*folder);
    if (!kolta::EndsWithBackslash(folder->view(), isLead)) __builtin_trap();
  }
  return 0;
}
