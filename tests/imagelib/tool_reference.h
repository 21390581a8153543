// Pictures decoded by independent tools, for comparing the readers' results with them. The
// sample files and their references are made at build time by the make_*_samples.py
// scripts, one folder per format under KOLTA_IMAGE_SAMPLES.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dib_ops.h"
#include "image_test_support.h"

namespace kolta::test {

// A binary PPM: 8-bit red, green, blue, rows from the top.
struct Ppm {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
};

inline bool ReadPpm(const std::string& path, Ppm& ppm) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  int maxValue = 0;
  const bool header = std::fscanf(file, "P6 %d %d %d", &ppm.width, &ppm.height, &maxValue) == 3 &&
                      maxValue == 255 && std::fgetc(file) != EOF;
  ppm.rgb.resize(header ? static_cast<std::size_t>(ppm.width) * ppm.height * 3 : 0);
  const bool pixels =
      header && std::fread(ppm.rgb.data(), 1, ppm.rgb.size(), file) == ppm.rgb.size();
  std::fclose(file);
  return pixels;
}

// The path of a sample file of one format, e.g. SamplePath("tga", "rle24.tga").
inline std::string SamplePath(const std::string& format, const std::string& file) {
  return std::string(KOLTA_IMAGE_SAMPLES) + "/" + format + "/" + file;
}

inline std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Expects the image, converted to 24 bits, to equal the reference pixel for pixel, each
// channel within `tolerance`; reports the first few differences.
inline void ExpectSamePicture(const DibImage* image, const Ppm& reference, int tolerance = 0) {
  ImagePtr rgb(DibConvertTo24(image));
  ASSERT_TRUE(rgb);
  ASSERT_EQ(DibWidth(rgb.get()), reference.width);
  ASSERT_EQ(DibHeight(rgb.get()), reference.height);
  int differences = 0;
  for (int y = 0; y < reference.height; ++y) {
    for (int x = 0; x < reference.width; ++x) {
      const std::uint8_t* want =
          &reference.rgb[(static_cast<std::size_t>(y) * reference.width + x) * 3];
      const std::uint8_t* got = DibPixelAddress(rgb.get(), x, y);
      const bool same = std::abs(got[2] - want[0]) <= tolerance &&
                        std::abs(got[1] - want[1]) <= tolerance &&
                        std::abs(got[0] - want[2]) <= tolerance;
      if (!same && ++differences <= 5) {
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex
                      << DibRgb(got[2], got[1], got[0]) << " instead of "
                      << DibRgb(want[0], want[1], want[2]);
      }
    }
  }
  EXPECT_EQ(differences, 0);
}

}  // namespace kolta::test
