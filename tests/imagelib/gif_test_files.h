// Builds GIF files for the tests: an LZW encoder and a writer of the file's blocks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "gif_file.h"

namespace kolta::test {

// Codes packed least significant bit first, cut into data sub-blocks.
struct CodeWriter {
  std::vector<std::uint8_t> bytes;
  std::uint32_t bits = 0;
  int count = 0;
  void Put(int code, int size) {
    bits |= static_cast<std::uint32_t>(code) << count;
    for (count += size; count >= 8; count -= 8, bits >>= 8) bytes.push_back(bits & 0xFF);
  }
  std::vector<std::uint8_t> SubBlocks() {
    if (count > 0) bytes.push_back(bits & 0xFF);
    std::vector<std::uint8_t> out;
    for (std::size_t at = 0; at < bytes.size(); at += 255) {
      const std::size_t length = std::min<std::size_t>(255, bytes.size() - at);
      out.push_back(static_cast<std::uint8_t>(length));
      out.insert(out.end(), bytes.begin() + at, bytes.begin() + at + length);
    }
    out.push_back(0);
    return out;
  }
};

// A plain LZW encoder: a clear code first (optionally none), a table that grows to 4096
// entries and then stays as it is (no further clear code), and optionally no end code.
inline std::vector<std::uint8_t> Lzw(const std::vector<std::uint8_t>& pixels, int minimumSize,
                                     bool endCode = true, bool initialClear = true) {
  const int clear = 1 << minimumSize, firstFree = clear + 2;
  std::map<std::pair<int, int>, int> table;
  int codes = 0;  // emitted since the clear code
  CodeWriter writer;
  auto emit = [&](int code) {
    // The first code has the minimum size plus one bit; after it, the decoder's next free
    // slot when it reads the code decides its size.
    const int slot = std::min(4096, firstFree + std::max(0, codes - 1));
    int size = minimumSize + 1;
    while (codes > 0 && size < 12 && slot >= (1 << size)) ++size;
    writer.Put(code, size);
    ++codes;
  };
  if (initialClear) writer.Put(clear, minimumSize + 1);
  int string = -1, next = firstFree;
  for (const std::uint8_t pixel : pixels) {
    if (string < 0) {
      string = pixel;
      continue;
    }
    const auto found = table.find({string, pixel});
    if (found != table.end()) {
      string = found->second;
      continue;
    }
    emit(string);
    if (next < 4096) table[{string, pixel}] = next++;
    string = pixel;
  }
  if (string >= 0) emit(string);
  if (endCode) emit(clear + 1);
  return writer.SubBlocks();
}

inline std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  return {values.begin(), values.end()};
}

// A GIF file put together block by block.
struct GifBuilder {
  std::vector<std::uint8_t> bytes;

  GifBuilder(int width, int height, const std::vector<DibColor>& global, int background = 0,
             const char* signature = "GIF89a") {
    bytes.assign(signature, signature + 6);
    Put(width, 2);
    Put(height, 2);
    bytes.push_back(global.empty() ? 0 : static_cast<std::uint8_t>(0x80 | TableBits(global)));
    bytes.push_back(static_cast<std::uint8_t>(background));
    bytes.push_back(0);
    Table(global);
  }
  void Put(int value, int count) {
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  static int TableBits(const std::vector<DibColor>& table) {
    int bits = 0;
    while ((2u << bits) < table.size()) ++bits;
    return bits;
  }
  void Table(const std::vector<DibColor>& table) {
    if (table.empty()) return;
    for (std::size_t i = 0; i < (2u << TableBits(table)); ++i) {
      const DibColor c = i < table.size() ? table[i] : 0;
      Put(static_cast<int>(c & 0xFF), 1);
      Put(static_cast<int>((c >> 8) & 0xFF), 1);
      Put(static_cast<int>((c >> 16) & 0xFF), 1);
    }
  }
  GifBuilder& Control(int disposal, int transparentIndex = -1, int delay = 0) {
    const int packed = (disposal << 2) | (transparentIndex >= 0 ? 1 : 0);
    bytes.insert(bytes.end(), {0x21, 0xF9, 4, static_cast<std::uint8_t>(packed)});
    Put(delay, 2);
    bytes.insert(bytes.end(), {static_cast<std::uint8_t>(std::max(transparentIndex, 0)), 0});
    return *this;
  }
  GifBuilder& Descriptor(int left, int top, int width, int height, int flags = 0,
                         const std::vector<DibColor>& local = {}) {
    bytes.push_back(0x2C);
    Put(left, 2);
    Put(top, 2);
    Put(width, 2);
    Put(height, 2);
    bytes.push_back(
        static_cast<std::uint8_t>(flags | (local.empty() ? 0 : 0x80 | TableBits(local))));
    Table(local);
    return *this;
  }
  GifBuilder& Data(const std::vector<std::uint8_t>& data) {
    bytes.insert(bytes.end(), data.begin(), data.end());
    return *this;
  }
  // A frame of `pixels` (stream order) with 8-bit codes.
  GifBuilder& Frame(int left, int top, int width, int height,
                    const std::vector<std::uint8_t>& pixels, int flags = 0) {
    Descriptor(left, top, width, height, flags);
    bytes.push_back(8);
    return Data(Lzw(pixels, 8));
  }
  std::vector<std::uint8_t> End() {
    bytes.push_back(0x3B);
    return bytes;
  }
};

struct AnimationDeleter {
  void operator()(GifAnimation* animation) const { GifFreeAnimation(animation); }
};
using AnimationPtr = std::unique_ptr<GifAnimation, AnimationDeleter>;

inline AnimationPtr Open(const std::vector<std::uint8_t>& file) {
  return AnimationPtr(GifOpenAnimationFromMemory(file.data(), file.size()));
}

}  // namespace kolta::test
