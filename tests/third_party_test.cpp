// The image libraries link into every build, statically in the Windows ones, at the
// versions the bootstrap built.
#include <gtest/gtest.h>

#include <cstdio>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

namespace {

TEST(ThirdParty, LibrariesMatchTheirHeaders) {
  EXPECT_EQ(png_access_version_number(), static_cast<png_uint_32>(PNG_LIBPNG_VER));
  EXPECT_EQ(png_access_version_number() / 100, 106u) << "libpng 1.6";
  EXPECT_STREQ(zlibVersion(), ZLIB_VERSION);

  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  EXPECT_EQ(info.global_state, 200) << "DSTATE_START";
  jpeg_destroy_decompress(&info);
}

}  // namespace
