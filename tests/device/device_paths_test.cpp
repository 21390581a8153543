// Where the device libraries are looked for, and how pen pressures are scaled.
#include "device_paths.h"

#include <gtest/gtest.h>

#include <string>

#include "dbcs_fixture.h"

namespace {

using kolta::NoLeadBytes;
using kolta::device::FileInFolder;
using kolta::device::NormalisedPressure;
using kolta::device::SaturatedDifference;
using kolta::test::Cp936LeadByte;

std::string Path(std::string_view folder, kolta::LeadBytePredicate isLead = NoLeadBytes) {
  const auto path = FileInFolder(folder, "twain_32.dll", isLead);
  return path ? std::string(path->view()) : "<refused>";
}

TEST(DeviceLibraryPath, AddsOneBackslashBetweenFolderAndName) {
  EXPECT_EQ(Path("C:\\WINDOWS"), "C:\\WINDOWS\\twain_32.dll");
  EXPECT_EQ(Path("C:\\WINDOWS\\"), "C:\\WINDOWS\\twain_32.dll");
  EXPECT_EQ(Path("C:\\"), "C:\\twain_32.dll");
  EXPECT_EQ(Path("\\\\server\\share\\win"), "\\\\server\\share\\win\\twain_32.dll");
}

TEST(DeviceLibraryPath, TrailByteThatLooksLikeABackslashIsNotASeparator) {
  // "C:\" + a double-byte character whose second byte is 0x5C.
  const std::string folder = "C:\\\x95\x5C";
  EXPECT_EQ(Path(folder, Cp936LeadByte), folder + "\\twain_32.dll");
  EXPECT_EQ(Path(folder + "\\", Cp936LeadByte), folder + "\\twain_32.dll");
  EXPECT_EQ(Path("C:\\\x95", Cp936LeadByte), "<refused>") << "a lone lead byte";
}

TEST(DeviceLibraryPath, RefusesAnEmptyFolderAndAPathThatDoesNotFit) {
  EXPECT_EQ(Path(""), "<refused>");
  const std::string longest = "C:\\" + std::string(111, 'w');  // + "\twain_32.dll" = 127
  EXPECT_EQ(Path(longest).size(), 127u);
  EXPECT_EQ(Path(longest + "w"), "<refused>");
}

TEST(PenPressure, ScalesFromBaseOverRangeAndClamps) {
  EXPECT_FLOAT_EQ(NormalisedPressure(600, 100, 1000), 0.5f);
  EXPECT_FLOAT_EQ(NormalisedPressure(100, 100, 1000), 0.0f);
  EXPECT_FLOAT_EQ(NormalisedPressure(50, 100, 1000), 0.0f) << "below the base";
  EXPECT_FLOAT_EQ(NormalisedPressure(1100, 100, 1000), 1.0f);
  EXPECT_FLOAT_EQ(NormalisedPressure(5000, 100, 1000), 1.0f) << "above base + range";
  EXPECT_FLOAT_EQ(NormalisedPressure(0, -1000, 2000), 0.5f) << "a negative base";
  EXPECT_FLOAT_EQ(NormalisedPressure(0xFFFFFFFFu, 0, 1000), 1.0f) << "no wrap to negative";
}

TEST(PenPressure, AZeroRangeMeansFullPressure) {
  for (unsigned pressure : {0u, 512u, 0xFFFFFFFFu}) {
    EXPECT_FLOAT_EQ(NormalisedPressure(pressure, 512, 0), 1.0f);
  }
}

TEST(PenPressure, DifferencesSaturateInsteadOfOverflowing) {
  EXPECT_EQ(SaturatedDifference(1023, 0), 1023);
  EXPECT_EQ(SaturatedDifference(INT32_MAX, -1), INT32_MAX);
  EXPECT_EQ(SaturatedDifference(INT32_MIN, 1), INT32_MIN);
}

}  // namespace
