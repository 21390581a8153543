// Library paths from arbitrary folders and names in a double-byte code page, and
// pressures from arbitrary raw values: every path fits its buffer and ends in the name,
// every pressure lies in 0.0 .. 1.0.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "dbcs_fixture.h"
#include "device_paths.h"
#include "fuzz_input.h"

namespace {

using kolta::test::Cp936LeadByte;
using kolta::test::NextPart;

template <typename T>
T Take(std::string_view& rest) {
  T value{};
  const std::size_t taken = rest.size() < sizeof value ? rest.size() : sizeof value;
  if (taken == 0) return value;
  std::memcpy(&value, rest.data(), taken);
  rest.remove_prefix(taken);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::string_view folder = NextPart(rest);
  const std::string_view name = NextPart(rest);
  for (auto isLead : {kolta::NoLeadBytes, &Cp936LeadByte}) {
    const auto path = kolta::device::FileInFolder(folder, name, isLead);
    if (path && (path->size() > kolta::InterfaceText::kCapacity ||
                 !path->view().ends_with(name) || !path->view().starts_with(folder))) {
      __builtin_trap();
    }
  }
  const auto pressure = Take<std::uint32_t>(rest);
  const auto base = Take<std::int32_t>(rest);
  const auto range = Take<std::int32_t>(rest);
  const float p = kolta::device::NormalisedPressure(pressure, base, range);
  if (!(p >= 0.0f && p <= 1.0f)) __builtin_trap();
  return 0;
}
