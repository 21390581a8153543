// The MCI playback speed for a wanted and a nominal frame rate (portable, no Windows).
#ifndef KOLTA_AVI_SPEED_H
#define KOLTA_AVI_SPEED_H

#include <cstdint>
#include <limits>
#include <optional>

namespace kolta::avi {

// MCI's speed for the film's own frame rate: thousandths.
inline constexpr std::uint64_t kNormalSpeed = 1000;

// rate x 1000 / base with both numbers taken as unsigned 32-bit values, computed wide so
// that nothing wraps; nothing when base is 0 or the speed does not fit MCI's 32 bits.
constexpr std::optional<std::uint32_t> PlaybackSpeed(std::int32_t rate, std::int32_t base) {
  if (base == 0) return std::nullopt;
  const std::uint64_t speed =
      static_cast<std::uint32_t>(rate) * kNormalSpeed / static_cast<std::uint32_t>(base);
  if (speed > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return static_cast<std::uint32_t>(speed);
}

}  // namespace kolta::avi

#endif  // KOLTA_AVI_SPEED_H
