// Portable rules of K_DEVICE: where the device libraries are looked for, and how a raw
// pen pressure becomes a value from 0.0 to 1.0.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "bounded_text.h"

namespace kolta::device {

// A file in a folder: the folder, a "\" unless it already ends in one, then the name.
// Nothing when the folder is empty or the path does not fit 127 characters.
std::optional<InterfaceText> FileInFolder(std::string_view folder, std::string_view name,
                                          LeadBytePredicate isLead);

// A signed 32-bit difference, saturated instead of overflowing.
constexpr std::int32_t SaturatedDifference(std::int64_t a, std::int64_t b) {
  const std::int64_t difference = a - b;
  if (difference > INT32_MAX) return INT32_MAX;
  if (difference < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(difference);
}

// (pressure - base) / range clamped to 0.0 .. 1.0; 1.0 when the range is 0 (a device
// without a pressure scale presses fully).
constexpr float NormalisedPressure(std::uint32_t pressure, std::int32_t base, std::int32_t range) {
  if (range == 0) return 1.0f;
  const double p = static_cast<double>(static_cast<std::int64_t>(pressure) - base) / range;
  if (!(p > 0.0)) return 0.0f;
  if (p >= 1.0) return 1.0f;
  return static_cast<float>(p);
}

}  // namespace kolta::device
