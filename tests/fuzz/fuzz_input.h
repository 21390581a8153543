// Splitting a fuzzer's input into the several texts a function takes.
#pragma once

#include <cstddef>
#include <string_view>

namespace kolta::test {

// The next part of `rest` up to a 0x00 byte (or all of it), and `rest` moved past it.
inline std::string_view NextPart(std::string_view& rest) {
  const std::size_t end = rest.find('\0');
  const std::string_view part = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  return part;
}

}  // namespace kolta::test
