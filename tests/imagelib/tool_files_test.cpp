// Every reader on picture files written by independent tools (and, for the variants no tool
// writes, by the sample scripts' encoders): each file compared pixel for pixel with a tool's
// decode of it, loaded from its path and from memory; and the files the readers refuse. The
// files are made at build time by the make_*_samples.py scripts.
#include <gtest/gtest.h>

#include <string>

#include "bmp_file.h"
#include "gif_file.h"
#include "jpeg_file.h"
#include "pcx_file.h"
#include "png_file.h"
#include "psd_file.h"
#include "tga_file.h"
#include "tiff_file.h"
#include "tool_reference.h"

namespace kolta::test {
namespace {

// A reader as these tests call it. `load` sets `alpha` to the alpha image the reader gives
// (only PNG gives one), or to null.
struct Reader {
  const char* folder;  // the samples' folder
  const char* extension;
  DibImage* (*load)(const char* path, DibImage** alpha);
  DibImage* (*fromMemory)(const void* data, std::size_t size);
};

template <DibImage* (*Load)(const char*), DibImage* (*FromMemory)(const void*, std::size_t)>
constexpr Reader Plain(const char* folder, const char* extension) {
  return {folder, extension,
          [](const char* path, DibImage** alpha) {
            *alpha = nullptr;
            return Load(path);
          },
          FromMemory};
}

constexpr Reader kBmp = Plain<BmpLoad, BmpLoadFromMemory>("bmp", "bmp");
constexpr Reader kJpeg = Plain<JpegLoad, JpegLoadFromMemory>("jpeg", "jpg");
constexpr Reader kTiff = Plain<TiffLoad, TiffLoadFromMemory>("tiff", "tif");
constexpr Reader kPsd = Plain<PsdLoad, PsdLoadFromMemory>("psd", "psd");
constexpr Reader kTga = Plain<TgaLoad, TgaLoadFromMemory>("tga", "tga");
constexpr Reader kPcx = Plain<PcxLoad, PcxLoadFromMemory>("pcx", "pcx");
// The GIF reader's transparency mask is not asked for: its first frame is compared.
constexpr Reader kGif{"gif", "gif",
                      [](const char* path, DibImage** alpha) {
                        *alpha = nullptr;
                        return GifLoad(path, nullptr);
                      },
                      [](const void* data, std::size_t size) {
                        return GifLoadFromMemory(data, size, nullptr);
                      }};
constexpr Reader kPng{"png", "png", PngLoad, [](const void* data, std::size_t size) {
                        return PngLoadFromMemory(data, size, nullptr);
                      }};

std::string PathOf(const Reader& reader, const char* name) {
  return SamplePath(reader.folder, std::string(name) + "." + reader.extension);
}

struct ToolFile {
  const Reader* reader;
  const char* name;
  int bitCount;  // the depth of the image the reader gives
  int tolerance = 0;  // the largest difference per channel from the tool's decode
  bool alpha = false;  // the reader gives an alpha image, compared with NAME.alpha.ppm
};

class ToolFiles : public testing::TestWithParam<ToolFile> {};

TEST_P(ToolFiles, DecodeLikeTheTool) {
  const ToolFile& file = GetParam();
  const Reader& reader = *file.reader;
  Ppm reference;
  ASSERT_TRUE(ReadPpm(SamplePath(reader.folder, std::string(file.name) + ".ppm"), reference));
  DibImage* alphaOut = nullptr;
  ImagePtr image(reader.load(PathOf(reader, file.name).c_str(), &alphaOut));
  ImagePtr alpha(alphaOut);
  ASSERT_TRUE(image);
  EXPECT_EQ(DibBitCount(image.get()), file.bitCount);
  ExpectSamePicture(image.get(), reference, file.tolerance);

  ASSERT_EQ(alpha != nullptr, file.alpha);
  if (alpha) {
    Ppm alphaReference;
    ASSERT_TRUE(
        ReadPpm(SamplePath(reader.folder, std::string(file.name) + ".alpha.ppm"), alphaReference));
    EXPECT_EQ(DibBitCount(alpha.get()), 8);
    ExpectSamePicture(alpha.get(), alphaReference);
  }

  // From memory (and without the alpha output) the image is the same.
  const std::vector<std::uint8_t> bytes = FileBytes(PathOf(reader, file.name));
  ImagePtr fromMemory(reader.fromMemory(bytes.data(), bytes.size()));
  ASSERT_TRUE(fromMemory);
  EXPECT_EQ(DibTotalSize(fromMemory.get()), DibTotalSize(image.get()));
  EXPECT_EQ(PixelBytes(fromMemory.get()), PixelBytes(image.get()));
}

ToolFile Bmp(const char* name, int bitCount) { return {&kBmp, name, bitCount}; }
ToolFile Png(const char* name, int bitCount, bool alpha = false) {
  return {&kPng, name, bitCount, 0, alpha};
}
// Two JPEG decoders may round differently.
ToolFile Jpeg(const char* name) { return {&kJpeg, name, 24, 3}; }
ToolFile Gif(const char* name) { return {&kGif, name, 24}; }
ToolFile Tiff(const char* name, int bitCount) { return {&kTiff, name, bitCount}; }
// Associated alpha: the tools divide the stored colour by the alpha, rounding their own way;
// multiplied back, their decodes come within 1 of it.
ToolFile TiffPremultiplied(const char* name) { return {&kTiff, name, 24, 1}; }
ToolFile Psd(const char* name) { return {&kPsd, name, 24}; }
ToolFile Tga(const char* name, int bitCount) { return {&kTga, name, bitCount}; }
ToolFile Pcx(const char* name, int bitCount) { return {&kPcx, name, bitCount}; }

template <typename Row>
std::string RowName(const testing::TestParamInfo<Row>& row) {
  return std::string(row.param.reader->folder) + "_" + row.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Samples, ToolFiles,
    testing::Values(
        Bmp("pil_1bit", 1), Bmp("pil_8bit_grey", 8), Bmp("pil_8bit_palette", 8),
        Bmp("pil_24bit", 24), Bmp("pil_32bit", 32), Bmp("magick_4bit", 4),
        Bmp("magick_rle8", 8), Bmp("magick_16bit_565", 24), Bmp("magick_16bit_555", 24),
        Bmp("magick_32bit_masks", 24), Bmp("gen_rle4", 8), Bmp("gen_rle8_delta", 8),
        Bmp("magick_os2_1bit", 1), Bmp("magick_os2_4bit", 4), Bmp("magick_os2_8bit", 8),
        Bmp("magick_os2_24bit", 24), Bmp("gen_os2_short_palette", 8), Bmp("gen_os2v2_rle8", 8),
        Bmp("gen_os2v2_rle4", 8), Bmp("gen_os2v2_8bit", 8), Bmp("gen_os2v2_24bit", 24),

        Png("pil_grey", 8), Png("pil_palette", 8), Png("magick_palette16", 8), Png("pil_rgb", 24),
        Png("pil_rgb_trns", 24), Png("pil_rgba", 24, true), Png("magick_interlaced_rgb", 24),
        Png("magick_interlaced_rgba", 24, true), Png("magick_grey_alpha16", 24, true),
        Png("pil_1bit", 8), Png("magick_2bit", 8), Png("magick_palette4bit", 8),
        Png("magick_grey2bit", 8), Png("magick_grey4bit", 8), Png("pil_grey_alpha8", 24, true),
        Png("pil_grey16", 8), Png("magick_rgb16", 24), Png("magick_grey16_wide", 8),
        Png("magick_grey_alpha16_wide", 24, true), Png("magick_rgb16_wide", 24),
        Png("magick_rgba16_wide", 24, true),

        Jpeg("baseline_420"), Jpeg("baseline_422"), Jpeg("baseline_444"), Jpeg("progressive"),
        Jpeg("baseline_33x7"), Jpeg("pil_baseline"), Jpeg("grey"), Jpeg("cmyk"), Jpeg("pil_grey"),
        Jpeg("pil_cmyk"),

        Gif("pil_87a"), Gif("pil_89a_transparent"), Gif("pil_transparent_duplicate"),
        Gif("pil_frames_disposal0"), Gif("pil_frames_disposal1"), Gif("pil_frames_disposal2"),
        Gif("pil_frames_disposal3"), Gif("pil_disposal5"), Gif("magick_interlaced"),
        Gif("magick_interlaced_3rows"), Gif("magick_offset_frame"),
        Gif("magick_offset_transparent"), Gif("edited_background_beyond_table"),
        Gif("edited_local_table_only"), Gif("pil_frames_cut_in_second"),
        Gif("magick_animation"), Gif("gen_no_initial_clear_3"), Gif("gen_no_initial_clear_8"),
        Gif("gen_minimum_size_9"), Gif("gen_minimum_size_10"), Gif("gen_minimum_size_11"),
        Gif("gen_minimum_size_11_full"), Gif("gen_minimum_size_11_no_clear"),
        Gif("gen_deferred_clear"),

        Tiff("ii_24bit", 24), Tiff("mm_24bit_strips", 24), Tiff("mm_24bit_packbits_strips", 24),
        Tiff("ii_1bit_min_is_black", 1), Tiff("mm_1bit_min_is_white_packbits", 1),
        Tiff("ii_4bit_grey", 4), Tiff("mm_4bit_grey_packbits", 4),
        Tiff("ii_4bit_grey_min_is_white", 4), Tiff("ii_4bit_palette_packbits", 4),
        Tiff("mm_4bit_palette", 4), Tiff("mm_8bit_grey_strips", 8),
        Tiff("mm_8bit_grey_min_is_white_lzw", 8), Tiff("ii_8bit_palette", 8),
        Tiff("mm_8bit_palette_packbits", 8), Tiff("ii_24bit_mirrored", 24),
        Tiff("mm_1bit_mirrored", 1), Tiff("ii_4bit_palette_mirrored", 4),
        Tiff("mm_8bit_grey_mirrored", 8), Tiff("ii_24bit_lzw", 24),
        Tiff("mm_24bit_lzw_predictor_strips", 24), Tiff("ii_24bit_zip", 24),
        Tiff("mm_24bit_zip_predictor", 24), Tiff("ii_1bit_lzw_strips", 1), Tiff("mm_1bit_zip", 1),
        Tiff("ii_4bit_grey_zip", 4), Tiff("mm_4bit_palette_lzw", 4),
        Tiff("ii_8bit_grey_lzw_predictor", 8), Tiff("mm_8bit_palette_zip_strips", 8),
        Tiff("ii_24bit_planar", 24), Tiff("mm_24bit_planar_packbits_strips", 24),
        Tiff("ii_24bit_planar_lzw_predictor_strips", 24), Tiff("ii_48bit", 24),
        Tiff("mm_48bit_zip_predictor", 24), Tiff("ii_48bit_planar_lzw_predictor_strips", 24),
        Tiff("mm_48bit_planar_packbits", 24), Tiff("ii_16bit_grey_lzw_predictor", 8),
        Tiff("mm_16bit_grey", 8), Tiff("ii_rgba_unassociated", 24),
        TiffPremultiplied("mm_rgba_associated_lzw_predictor"),
        TiffPremultiplied("ii_rgba_associated_planar_zip"),
        Tiff("mm_rgba64_unassociated_zip_predictor", 24), Tiff("ii_grey_alpha_packbits", 8),
        Tiff("ii_24bit_orient1", 24), Tiff("ii_24bit_orient2", 24), Tiff("ii_24bit_orient3", 24),
        Tiff("ii_24bit_orient4", 24), Tiff("ii_24bit_orient5", 24), Tiff("ii_24bit_orient6", 24),
        Tiff("ii_24bit_orient7", 24), Tiff("ii_24bit_orient8", 24),
        Tiff("mm_24bit_orient6_planar_strips", 24), Tiff("ii_1bit_orient3", 1),
        Tiff("mm_1bit_orient4_packbits", 1), Tiff("ii_1bit_orient5", 1),
        Tiff("mm_1bit_orient7_strips", 1), Tiff("ii_4bit_palette_orient6", 4),
        Tiff("mm_4bit_grey_orient8", 4), Tiff("ii_8bit_grey_orient7_strips", 8),
        Tiff("mm_8bit_palette_orient5", 8), Tiff("ii_48bit_orient8_planar", 24),
        Tiff("pil_1bit", 1), Tiff("pil_1bit_packbits", 1), Tiff("pil_8bit_grey", 8),
        Tiff("pil_8bit_palette_packbits", 8), Tiff("pil_24bit_packbits", 24),
        Tiff("pil_24bit_lzw", 24), Tiff("pil_24bit_deflate", 24), Tiff("pil_8bit_palette_lzw", 8),
        Tiff("pil_rgba_deflate", 24), Tiff("pil_16bit_grey", 8),
        Tiff("pil_16bit_grey_big_endian_lzw", 8), Tiff("pil_24bit_orient6_lzw", 24),
        Tiff("pil_8bit_grey_orient8", 8), Tiff("pil_1bit_orient7", 1),
        Tiff("gen_24bit_lzw_old_order", 24), Tiff("gen_8bit_grey_lzw_old_order_strips", 8),
        Tiff("gen_24bit_lzw_no_leading_clear", 24), Tiff("gen_24bit_deflate_32946", 24),
        Tiff("gen_48bit_planar_packbits_predictor_tag", 24),

        Psd("raw_3channels"), Psd("rle_3channels"), Psd("raw_4channels"), Psd("rle_4channels"),

        Tga("pil_type1", 8), Tga("pil_type2_24", 24), Tga("pil_type2_32_top", 24),
        Tga("pil_type3", 8), Tga("pil_type9", 8), Tga("pil_type10_24_top", 24),
        Tga("pil_type10_32", 24), Tga("pil_type11", 8), Tga("magick_type1", 8),
        Tga("magick_type2_top", 24), Tga("magick_type3", 8), Tga("magick_type9", 8),
        Tga("magick_type10", 24), Tga("magick_type10_32_top", 24), Tga("magick_type11", 8),
        Tga("gen_15bit", 24), Tga("gen_16bit_rle", 24), Tga("gen_16bit_rle_top_right", 24),
        Tga("gen_map16", 8), Tga("gen_24bit_right", 24), Tga("gen_24bit_rle_crossing", 24),
        Tga("gen_map16_rle_crossing_top", 8),

        Pcx("pil_1bit", 1), Pcx("pil_8bit_grey", 8), Pcx("pil_8bit_palette", 8),
        Pcx("pil_24bit", 24), Pcx("magick_8bit", 8), Pcx("magick_24bit", 24),
        Pcx("gen_4bit_planar", 4), Pcx("gen_24bit_width3", 24), Pcx("gen_24bit_xmin10", 24)),
    RowName<ToolFile>);

// Pictures of depths or colour models the readers do not take.
struct RefusedFile {
  const Reader* reader;
  const char* name;
};

class RefusedToolFiles : public testing::TestWithParam<RefusedFile> {};

TEST_P(RefusedToolFiles, GiveNull) {
  const RefusedFile& file = GetParam();
  DibImage* alpha = DibCreate(0, 1, 1, nullptr, 0);  // must be replaced by null
  ImagePtr keep(alpha);
  EXPECT_EQ(file.reader->load(PathOf(*file.reader, file.name).c_str(), &alpha), nullptr);
  EXPECT_EQ(alpha, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, RefusedToolFiles,
    testing::Values(RefusedFile{&kPsd, "grey"}, RefusedFile{&kPsd, "16bit"}),
    RowName<RefusedFile>);

}  // namespace
}  // namespace kolta::test
