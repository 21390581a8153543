// Builds TIFF files for the tests: the header, one directory and the data, field by field.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "tiff_file.h"

namespace kolta::test {

// A TIFF file put together field by field: the header, the directory at offset 8 in the
// order the fields were added, arrays that do not fit their entry after it, and data
// placed at chosen offsets (past the arrays).
class TiffFile {
 public:
  static constexpr std::uint16_t kShort = 3, kLong = 4;

  explicit TiffFile(bool big) : big_(big) {}
  TiffFile& Add(std::uint16_t tag, std::uint16_t type, std::vector<std::uint32_t> values) {
    fields_.push_back({tag, type, std::move(values)});
    return *this;
  }
  TiffFile& Short(std::uint16_t tag, std::uint32_t value) { return Add(tag, kShort, {value}); }
  // An entry of `count` LONG values said to lie at `offset`.
  TiffFile& Pointer(std::uint16_t tag, std::uint32_t count, std::uint32_t offset) {
    fields_.push_back({tag, kLong, {}, std::pair{count, offset}});
    return *this;
  }
  TiffFile& Put(std::size_t offset, std::vector<std::uint8_t> data) {
    placed_.emplace_back(offset, std::move(data));
    return *this;
  }
  TiffFile& Version(std::uint16_t version) {
    version_ = version;
    return *this;
  }

  std::vector<std::uint8_t> Bytes() const {
    std::vector<std::uint8_t> out{Mark(), Mark()};
    Append(out, version_, 2);
    Append(out, 8, 4);
    Append(out, fields_.size(), 2);
    std::vector<std::uint8_t> arrays;
    const std::size_t arraysAt = 8 + 2 + fields_.size() * 12 + 4;
    for (const Field& field : fields_) {
      Append(out, field.tag, 2);
      Append(out, field.type, 2);
      std::vector<std::uint8_t> data;
      for (std::uint32_t value : field.values) Append(data, value, field.type == kShort ? 2 : 4);
      const auto [count, offset] =
          field.pointer.value_or(std::pair{static_cast<std::uint32_t>(field.values.size()),
                                           static_cast<std::uint32_t>(arraysAt + arrays.size())});
      Append(out, count, 4);
      if (field.pointer || data.size() > 4) {
        Append(out, offset, 4);
        arrays.insert(arrays.end(), data.begin(), data.end());
      } else {
        data.resize(4);
        out.insert(out.end(), data.begin(), data.end());
      }
    }
    Append(out, 0, 4);
    out.insert(out.end(), arrays.begin(), arrays.end());
    for (const auto& [offset, data] : placed_) {
      EXPECT_GE(offset, out.size()) << "data placed over the directory";
      out.resize(offset);
      out.insert(out.end(), data.begin(), data.end());
    }
    return out;
  }

  DibImage* Load() const {
    const std::vector<std::uint8_t> out = Bytes();
    return TiffLoadFromMemory(out.data(), out.size());
  }

 private:
  struct Field {
    std::uint16_t tag, type;
    std::vector<std::uint32_t> values;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> pointer{};  // count, offset
  };
  std::uint8_t Mark() const { return big_ ? 'M' : 'I'; }
  void Append(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t size) const {
    for (std::size_t i = 0; i < size; ++i) {
      out.push_back(static_cast<std::uint8_t>(value >> (8 * (big_ ? size - 1 - i : i))));
    }
  }

  bool big_;
  std::uint16_t version_ = 42;
  std::vector<Field> fields_;
  std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> placed_;
};

enum Tag : std::uint16_t {
  kWidth = 256,
  kHeight = 257,
  kBits = 258,
  kCompression = 259,
  kPhotometric = 262,
  kOffsets = 273,
  kOrientation = 274,
  kSamples = 277,
  kRowsPerStrip = 278,
  kCounts = 279,
  kPlanar = 284,
  kPredictor = 317,
  kColorMap = 320,
  kTileWidth = 322,
  kSampleFormat = 339,
};

// The size and depth of a picture, without strips.
inline TiffFile Picture(bool big, std::uint32_t width, std::uint32_t height,
                        std::uint32_t bits = 8) {
  return std::move(TiffFile(big).Short(kWidth, width).Short(kHeight, height).Short(kBits, bits));
}

}  // namespace kolta::test
