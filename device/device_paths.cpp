#include "device_paths.h"

namespace kolta::device {

std::optional<InterfaceText> FileInFolder(std::string_view folder, std::string_view name,
                                          LeadBytePredicate isLead) {
  if (folder.empty() || EndsInLoneLeadByte(folder, isLead)) return std::nullopt;
  return JoinPath(folder, name, isLead);
}

}  // namespace kolta::device
