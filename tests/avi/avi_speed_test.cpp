// The playback speed sent to MCI for a wanted and a nominal frame rate.
#include "avi_speed.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using kolta::avi::PlaybackSpeed;

TEST(AviSpeed, IsTheRatioInThousandths) {
  EXPECT_EQ(PlaybackSpeed(25, 25), 1000u);
  EXPECT_EQ(PlaybackSpeed(50, 25), 2000u);
  EXPECT_EQ(PlaybackSpeed(10, 15), 666u);  // rounded down
  EXPECT_EQ(PlaybackSpeed(0, 25), 0u);
}

TEST(AviSpeed, RefusesBaseZero) { EXPECT_EQ(PlaybackSpeed(25, 0), std::nullopt); }

TEST(AviSpeed, DoesNotWrapWhenRateTimesThousandExceeds32Bits) {
  // 10,000,000 x 1000 wraps in 32 bits; the true ratio is 1000 x 1000.
  EXPECT_EQ(PlaybackSpeed(10'000'000, 10'000), 1'000'000u);
  EXPECT_EQ(PlaybackSpeed(INT_MAX, INT_MAX), 1000u);
  // Both numbers are unsigned: -1 is 4294967295.
  EXPECT_EQ(PlaybackSpeed(-1, -1), 1000u);
  EXPECT_EQ(PlaybackSpeed(4'294'967, 1), 4'294'967'000u);
}

TEST(AviSpeed, RefusesASpeedBeyond32Bits) {
  EXPECT_EQ(PlaybackSpeed(4'294'968, 1), std::nullopt);
  EXPECT_EQ(PlaybackSpeed(-1, 1), std::nullopt);
}

}  // namespace
