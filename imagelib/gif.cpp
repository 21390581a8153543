// The GIF reader: header and colour tables, the block walk with its extensions, the frames
// (decoded by gif_lzw.cpp), and their composition on the logical screen in 24-bit memory,
// with the results a true-colour display gives.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "byte_reader.h"
#include "gif_file.h"
#include "image_owners.h"
#include "gif_lzw.h"

namespace kolta::image {
namespace {

constexpr DibColor kWhite = 0x00FFFFFF;
constexpr std::size_t kHeaderBytes = 13;
constexpr std::size_t kDescriptorBytes = 9;
constexpr int kExtensionIntroducer = 0x21;
constexpr int kImageSeparator = 0x2C;
constexpr int kGraphicControlLabel = 0xF9;
constexpr int kPlainTextLabel = 0x01;
constexpr int kApplicationLabel = 0xFF;
constexpr std::uint8_t kTableFlag = 0x80;
constexpr std::uint8_t kInterlaceFlag = 0x40;
constexpr int kMaxFrames = 0xFFFF;  // the frame count is 16-bit
// All pictures of one animation together (canvas, frames, masks): a file of a few bytes
// may declare any number of large frames.
constexpr std::size_t kAnimationByteLimit = kDibMaxBlockBytes;

// 256 entries of red, green, blue; entries the file does not fill stay black.
using Palette = std::array<std::array<std::uint8_t, 3>, 256>;

DibColor ColourOf(const std::array<std::uint8_t, 3>& entry) {
  return DibRgb(entry[0], entry[1], entry[2]);
}

int TableEntries(std::uint8_t flags) { return 2 << (flags & 7); }

struct Header {
  std::uint16_t width = 0, height = 0;
  int globalEntries = 0;  // 0 without a global table
  Palette global{};
  DibColor background = kWhite;
};

// The graphic control values, which apply to the next image only.
struct GraphicControl {
  std::uint8_t disposal = 0;
  std::int32_t delay = 0;  // milliseconds
  bool transparent = false;
  std::uint8_t index = 0;
};

// Reads up to `count` bytes; bytes past the end of the data read as 0.
void ReadPadded(ByteReader& in, std::uint8_t* out, std::size_t count) {
  const std::size_t got = in.Read(out, count);
  std::memset(out + got, 0, count - got);
}

bool ReadHeader(ByteReader& in, Header& header) {
  std::uint8_t bytes[kHeaderBytes];
  if (in.Read(bytes, sizeof bytes) != sizeof bytes) return false;
  if (std::memcmp(bytes, "GIF89a", 6) != 0 && std::memcmp(bytes, "GIF87a", 6) != 0) return false;
  header.width = ReadLe16(bytes + 6);
  header.height = ReadLe16(bytes + 8);
  if (!(bytes[10] & kTableFlag)) return true;
  header.globalEntries = TableEntries(bytes[10]);
  const std::size_t tableBytes = static_cast<std::size_t>(header.globalEntries) * 3;
  if (in.Read(header.global[0].data(), tableBytes) != tableBytes) return false;
  const int backgroundIndex = bytes[11] < header.globalEntries ? bytes[11] : 0;
  header.background = ColourOf(header.global[backgroundIndex]);
  return true;
}

void SkipSubBlocks(ByteReader& in) {
  for (int length = in.Byte(); length > 0; length = in.Byte()) {
    if (!in.Skip(static_cast<std::uint64_t>(length))) return;
  }
}

void ReadExtension(ByteReader& in, GraphicControl& control) {
  switch (in.Byte()) {
    case kGraphicControlLabel: {
      // Block size, packed fields, delay, transparent index, terminator: read as laid out.
      std::uint8_t bytes[6];
      ReadPadded(in, bytes, sizeof bytes);
      control.transparent = (bytes[1] & 1) != 0;
      control.disposal = static_cast<std::uint8_t>((bytes[1] >> 2) & 7);
      control.delay = ReadLe16(bytes + 2) * 10;
      control.index = bytes[4];
      return;
    }
    case kPlainTextLabel:
      in.Skip(13);  // block size and the fixed part
      break;
    case kApplicationLabel:
      in.Skip(12);  // block size and the identifier
      break;
    default:
      break;
  }
  SkipSubBlocks(in);
}

// Walks the blocks up to the next image descriptor; false at the trailer, at any other
// unexpected byte, and at the end of the data.
bool FindImage(ByteReader& in, GraphicControl& control) {
  control = {};
  for (int introducer = in.Byte(); introducer >= 0; introducer = in.Byte()) {
    if (introducer == kImageSeparator) return true;
    if (introducer != kExtensionIntroducer) return false;
    ReadExtension(in, control);
  }
  return false;
}

void FreeFrame(GifFrame* frame) {
  if (!frame) return;
  DibFree(frame->image);
  DibFree(frame->maskedImage);
  DibFree(frame->mask);
  ImgFree(frame);
}

struct FrameDeleter {
  void operator()(GifFrame* frame) const { FreeFrame(frame); }
};
using FramePtr = std::unique_ptr<GifFrame, FrameDeleter>;

struct AnimationDeleter {
  void operator()(GifAnimation* animation) const { GifFreeAnimation(animation); }
};
using AnimationPtr = std::unique_ptr<GifAnimation, AnimationDeleter>;

// Writes decoded rows through the palette into a 24-bit picture, the frame's top-left
// corner at (left, top), clipped to the picture. With a key colour, pixels of that colour
// are not drawn and the mask (8-bit, the picture's size), when there is one, gets 255 at
// the others.
class PictureRows final : public GifRowSink {
 public:
  PictureRows(DibImage* target, int left, int top, int frameWidth, const Palette& palette)
      : target_(target),
        left_(left),
        top_(top),
        visible_(static_cast<std::size_t>(std::clamp(DibWidth(target) - left, 0, frameWidth))) {
    for (std::size_t i = 0; i < palette.size(); ++i) {
      bgrx_[i] = {palette[i][2], palette[i][1], palette[i][0], 0};
    }
  }

  void SetKey(DibColor key, const Palette& palette, DibImage* mask) {
    for (std::size_t i = 0; i < palette.size(); ++i) keyed_[i] = ColourOf(palette[i]) == key;
    hasKey_ = true;
    mask_ = mask;
  }

  void WriteRow(int row, std::span<const std::uint8_t> indices) override {
    const int y = top_ + row;
    if (visible_ == 0 || y >= DibHeight(target_)) return;
    const auto shown = indices.first(std::min(indices.size(), visible_));
    std::uint8_t* out = DibPixelAddress(target_, left_, y);
    if (!hasKey_) {
      ExpandOpaque(out, shown);
      return;
    }
    std::uint8_t* opaque = mask_ ? DibPixelAddress(mask_, left_, y) : nullptr;
    for (std::size_t x = 0; x < shown.size(); ++x) {
      const std::uint8_t index = shown[x];
      if (keyed_[index]) continue;
      std::memcpy(out + 3 * x, bgrx_[index].data(), 3);
      if (opaque) opaque[x] = 255;
    }
  }

 private:
  // Four bytes a pixel, each overwriting the spare byte of the one before; three for the
  // last, which may end the picture's memory.
  void ExpandOpaque(std::uint8_t* out, std::span<const std::uint8_t> indices) const {
    if (indices.empty()) return;
    const std::size_t last = indices.size() - 1;
    for (std::size_t x = 0; x < last; ++x, out += 3) std::memcpy(out, bgrx_[indices[x]].data(), 4);
    std::memcpy(out, bgrx_[indices[last]].data(), 3);
  }

  DibImage* target_;
  const int left_, top_;
  const std::size_t visible_;  // pixels of a frame row that lie inside the picture
  std::array<std::array<std::uint8_t, 4>, 256> bgrx_{};
  std::array<bool, 256> keyed_{};
  bool hasKey_ = false;
  DibImage* mask_ = nullptr;
};

// Pictures are counted against the animation's limit before they are made.
class ByteBudget {
 public:
  explicit ByteBudget(std::size_t limit) : left_(limit) {}
  bool Take(std::size_t bytes) {
    if (bytes == 0 || bytes > left_) return false;
    left_ -= bytes;
    return true;
  }

 private:
  std::size_t left_;
};

// The image descriptor and the colours that apply to the frame.
struct FrameHeader {
  std::uint16_t left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  Palette palette{};
};

void ReadFrameHeader(ByteReader& in, const Header& header, FrameHeader& frame) {
  std::uint8_t descriptor[kDescriptorBytes];
  ReadPadded(in, descriptor, sizeof descriptor);
  frame.left = ReadLe16(descriptor);
  frame.top = ReadLe16(descriptor + 2);
  frame.width = ReadLe16(descriptor + 4);
  frame.height = ReadLe16(descriptor + 6);
  const std::uint8_t flags = descriptor[8];
  frame.interlaced = (flags & kInterlaceFlag) != 0;
  if (flags & kTableFlag) {
    ReadPadded(in, frame.palette[0].data(), static_cast<std::size_t>(TableEntries(flags)) * 3);
  } else {
    frame.palette = header.global;
  }
}

// What the frame's pictures take of the budget: the 24-bit picture and, for a
// transparent frame, its mask; 0 for an empty frame or one whose picture no block holds.
std::size_t FramePictureBytes(const FrameHeader& frame, bool transparent) {
  const std::size_t pictureBytes = DibBlockBytes(frame.width, frame.height, 24, 0);
  if (pictureBytes == 0) return 0;
  return pictureBytes + (transparent ? DibBlockBytes(frame.width, frame.height, 8, 256) : 0);
}

// Reads the frame behind an image separator. The frame has no picture (and ends the
// sequence) when it is empty or its pictures do not fit the budget; null when the record
// cannot be made.
FramePtr ReadFrame(ByteReader& in, const Header& header, const GraphicControl& control,
                   ByteBudget& budget) {
  FramePtr frame(static_cast<GifFrame*>(ImgAlloc(sizeof(GifFrame))));
  if (!frame) return nullptr;
  frame->disposal = control.disposal;
  frame->delay = control.delay;

  FrameHeader place;
  ReadFrameHeader(in, header, place);
  frame->left = place.left;
  frame->top = place.top;
  frame->width = place.width;
  frame->height = place.height;
  if (control.transparent) {
    frame->transparent = 1;
    frame->transparentColour = ColourOf(place.palette[control.index]);
  }
  if (!budget.Take(FramePictureBytes(place, control.transparent))) return frame;

  DibImage* image = DibCreate(1, place.width, place.height, nullptr, 0);
  if (!image) return frame;
  PictureRows rows(image, 0, 0, place.width, place.palette);
  if (!GifDecodeImage(in, place.width, place.height, place.interlaced, rows)) {
    DibFree(image);
    return frame;
  }

  if (!frame->transparent) {
    frame->image = image;
    return frame;
  }
  frame->maskedImage = KeyColourMasks(image, frame->transparentColour, 0);
  frame->mask = KeyColourMasks(image, frame->transparentColour, 1);
  DibFree(image);
  if (!frame->maskedImage || !frame->mask) {
    DibFree(frame->maskedImage);
    DibFree(frame->mask);
    frame->maskedImage = frame->mask = nullptr;
  }
  return frame;
}

bool HasPicture(const GifFrame& frame) { return frame.image || frame.maskedImage; }

GifAnimation* OpenAnimation(ByteReader& in) {
  Header header;
  if (!ReadHeader(in, header)) return nullptr;
  AnimationPtr animation(static_cast<GifAnimation*>(ImgAlloc(sizeof(GifAnimation))));
  if (!animation) return nullptr;
  animation->width = header.width;
  animation->height = header.height;
  animation->background = header.background;

  ByteBudget budget(kAnimationByteLimit);
  if (!budget.Take(DibBlockBytes(header.width, header.height, 24, 0))) return nullptr;
  animation->canvas = DibCreate(1, header.width, header.height, nullptr, header.background);
  if (!animation->canvas) return nullptr;

  GifFrame** tail = &animation->first;
  GraphicControl control;
  while (animation->frameCount < kMaxFrames && FindImage(in, control)) {
    FramePtr frame = ReadFrame(in, header, control, budget);
    if (!frame || !HasPicture(*frame)) break;
    *tail = frame.release();
    tail = &(*tail)->next;
    ++animation->frameCount;
  }
  if (animation->frameCount == 0) return nullptr;
  animation->current = animation->first;
  return animation.release();
}

// Where a copied rectangle lands once clipped to the target's allowed area and to the
// source: target position, source position and size.
struct ClippedCopy {
  int targetX, targetY, sourceX, sourceY, width, height;
  bool empty() const { return width <= 0 || height <= 0; }
};

// The rectangle of `source` at (sourceX, sourceY) with `width` x `height` pixels, placed
// at (targetX, targetY), clipped to `allowed` (target coordinates, right and bottom
// exclusive), to the target of `targetWidth` x `targetHeight` and to the source.
ClippedCopy Clip(std::int64_t targetX, std::int64_t targetY, const DibRect& allowed,
                 int targetWidth, int targetHeight, const DibImage* source, std::int64_t sourceX,
                 std::int64_t sourceY, std::int64_t width, std::int64_t height) {
  // The source covers [shift, shift + size) in target coordinates.
  const std::int64_t shiftX = targetX - sourceX, shiftY = targetY - sourceY;
  const std::int64_t left =
      std::max({targetX, std::int64_t{allowed.left}, std::int64_t{0}, shiftX});
  const std::int64_t top = std::max({targetY, std::int64_t{allowed.top}, std::int64_t{0}, shiftY});
  const std::int64_t right = std::min({targetX + width, std::int64_t{allowed.right},
                                       std::int64_t{targetWidth}, shiftX + DibWidth(source)});
  const std::int64_t bottom = std::min({targetY + height, std::int64_t{allowed.bottom},
                                        std::int64_t{targetHeight}, shiftY + DibHeight(source)});
  if (right <= left || bottom <= top) return {0, 0, 0, 0, 0, 0};
  return {static_cast<int>(left),          static_cast<int>(top),
          static_cast<int>(left - shiftX), static_cast<int>(top - shiftY),
          static_cast<int>(right - left),  static_cast<int>(bottom - top)};
}

DibRect WholeImage(const DibImage* image) { return {0, 0, DibWidth(image), DibHeight(image)}; }

// Copies 24-bit pixels; with a mask (the source's geometry, 8-bit), only the pixels whose
// mask byte is 0.
void CopyPixels(DibImage* target, const ClippedCopy& copy, const DibImage* source,
                const DibImage* mask) {
  const std::size_t rowBytes = static_cast<std::size_t>(copy.width) * 3;
  for (int y = 0; y < copy.height; ++y) {
    std::uint8_t* to = DibPixelAddress(target, copy.targetX, copy.targetY + y);
    const std::uint8_t* from = DibPixelAddress(source, copy.sourceX, copy.sourceY + y);
    if (!mask) {
      std::memcpy(to, from, rowBytes);
      continue;
    }
    const std::uint8_t* transparent = DibPixelAddress(mask, copy.sourceX, copy.sourceY + y);
    for (int x = 0; x < copy.width; ++x, to += 3, from += 3) {
      if (!transparent[x]) std::memcpy(to, from, 3);
    }
  }
}

// Fills every pixel (not the row padding) with `colour`.
void FillPixels(DibImage* image, DibColor colour) {
  const std::uint8_t bgr[3] = {static_cast<std::uint8_t>(colour >> 16),
                               static_cast<std::uint8_t>(colour >> 8),
                               static_cast<std::uint8_t>(colour)};
  const int width = DibWidth(image);
  std::uint8_t* first = DibPixelAddress(image, 0, 0);
  for (int x = 0; x < width; ++x) std::memcpy(first + 3 * static_cast<std::size_t>(x), bgr, 3);
  for (int y = 1; y < DibHeight(image); ++y) {
    std::memcpy(DibPixelAddress(image, 0, y), first, 3 * static_cast<std::size_t>(width));
  }
}

// The first frame as GifRenderFrame over white and GifFrameMask give it for the
// animation, the same files refused, without reading beyond the frame: the frame is
// decoded straight onto the picture.
DibImage* LoadFirstFrame(ByteReader& in, DibImage** mask) {
  Header header;
  if (!ReadHeader(in, header)) return nullptr;
  ByteBudget budget(kAnimationByteLimit);
  GraphicControl control;
  if (!budget.Take(DibBlockBytes(header.width, header.height, 24, 0)) || !FindImage(in, control)) {
    return nullptr;
  }
  FrameHeader frame;
  ReadFrameHeader(in, header, frame);
  if (!budget.Take(FramePictureBytes(frame, control.transparent))) return nullptr;

  // The picture starts white, row padding too. Disposal 1, and 0 for an opaque frame, draw
  // over the canvas, which only shows where the frame does not cover the screen.
  ImagePtr image(DibCreate(1, header.width, header.height, nullptr, kWhite));
  const int disposal = control.disposal;
  if (!image || disposal >= 4) return image.release();  // 4-7 draw nothing
  const bool overCanvas = disposal == 1 || (disposal == 0 && !control.transparent);
  const bool coversScreen = !control.transparent && frame.left == 0 && frame.top == 0 &&
                            frame.width >= header.width && frame.height >= header.height;
  if (overCanvas && !coversScreen) FillPixels(image.get(), header.background);

  PictureRows rows(image.get(), frame.left, frame.top, frame.width, frame.palette);
  ImagePtr opaque;
  if (control.transparent) {
    if (mask && disposal != 1) opaque.reset(DibCreate(0, header.width, header.height, nullptr, 0));
    rows.SetKey(ColourOf(frame.palette[control.index]), frame.palette, opaque.get());
  }
  if (!GifDecodeImage(in, frame.width, frame.height, frame.interlaced, rows)) return nullptr;
  if (mask) *mask = opaque.release();
  return image.release();
}

}  // namespace
}  // namespace kolta::image

using kolta::image::ByteReader;

DibImage* KeyColourMasks(const DibImage* image, DibColor key, int mode) {
  if (!DibIs24(image) || (mode != 0 && mode != 1)) return nullptr;
  const int width = DibWidth(image), height = DibHeight(image);
  DibImage* result = mode == 0 ? DibDuplicate(image) : DibCreate(0, width, height, nullptr, 0);
  if (!result) return nullptr;
  const std::uint8_t blue = (key >> 16) & 0xFF, green = (key >> 8) & 0xFF, red = key & 0xFF;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* pixel = DibPixelAddress(image, 0, y);
    std::uint8_t* out = DibPixelAddress(result, 0, y);
    for (int x = 0; x < width; ++x, pixel += 3) {
      const bool keyed = pixel[0] == blue && pixel[1] == green && pixel[2] == red;
      if (mode == 1) {
        out[x] = keyed ? 255 : 0;
      } else if (keyed) {
        std::memset(out + 3 * static_cast<std::size_t>(x), 0, 3);
      }
    }
  }
  return result;
}

GifAnimation* GifOpenAnimation(const char* path) {
  return kolta::image::ReadFile(path, kolta::image::OpenAnimation);
}

GifAnimation* GifOpenAnimationFromMemory(const void* data, std::size_t size) {
  return kolta::image::ReadMemory(data, size, kolta::image::OpenAnimation);
}

int GifFreeAnimation(GifAnimation* animation) {
  if (!animation) return 1;
  for (GifFrame* frame = animation->first; frame;) {
    GifFrame* next = frame->next;
    kolta::image::FreeFrame(frame);
    frame = next;
  }
  DibFree(animation->canvas);
  ImgFree(animation);
  return 1;
}

int GifDrawFrameToImage(GifAnimation* animation, DibImage* target, int x, int y) {
  using namespace kolta::image;
  if (!animation || !animation->current || !DibIs24(target) || !DibIs24(animation->canvas)) {
    return 0;
  }
  const GifFrame& frame = *animation->current;
  if (frame.disposal >= 4) return 1;
  const int targetWidth = DibWidth(target), targetHeight = DibHeight(target);
  const DibImage* canvas = animation->canvas;
  const DibRect screen{x, y,
                       static_cast<std::int32_t>(
                           std::min<std::int64_t>(std::int64_t{x} + animation->width, INT32_MAX)),
                       static_cast<std::int32_t>(
                           std::min<std::int64_t>(std::int64_t{y} + animation->height, INT32_MAX))};
  const bool transparent = frame.maskedImage && frame.mask;
  const DibImage* picture = transparent ? frame.maskedImage : frame.image;
  if (!picture) return 0;

  const ClippedCopy onScreen = Clip(x, y, screen, targetWidth, targetHeight, canvas, 0, 0,
                                    animation->width, animation->height);
  const ClippedCopy framePlace =
      Clip(std::int64_t{x} + frame.left, std::int64_t{y} + frame.top, screen, targetWidth,
           targetHeight, picture, 0, 0, frame.width, frame.height);
  // The canvas shows around the frame and through a transparent one; an opaque frame
  // that covers the whole drawn area hides it.
  const bool hidesCanvas = !transparent && framePlace.targetX == onScreen.targetX &&
                           framePlace.targetY == onScreen.targetY &&
                           framePlace.width == onScreen.width &&
                           framePlace.height == onScreen.height;
  if ((frame.disposal == 1 || (frame.disposal == 0 && !transparent)) && !hidesCanvas) {
    CopyPixels(target, onScreen, canvas, nullptr);
  }
  if (!framePlace.empty())
    CopyPixels(target, framePlace, picture, transparent ? frame.mask : nullptr);
  if (frame.disposal == 1 && !onScreen.empty()) {
    // The drawn area becomes the canvas.
    const ClippedCopy back{onScreen.sourceX, onScreen.sourceY, onScreen.targetX,
                           onScreen.targetY, onScreen.width,   onScreen.height};
    CopyPixels(animation->canvas, back, target, nullptr);
  }
  return 1;
}

DibImage* GifRenderFrame(GifAnimation* animation, DibColor colour) {
  if (!animation || !animation->current) return nullptr;
  DibImage* image = DibCreate(1, animation->width, animation->height, nullptr, colour);
  if (image && !GifDrawFrameToImage(animation, image, 0, 0)) {
    DibFree(image);
    return nullptr;
  }
  return image;
}

DibImage* GifFrameMask(GifAnimation* animation) {
  using namespace kolta::image;
  if (!animation || !animation->current) return nullptr;
  const GifFrame& frame = *animation->current;
  if (!frame.mask || (frame.disposal != 0 && frame.disposal != 2 && frame.disposal != 3)) {
    return nullptr;
  }
  DibImage* opaque = DibCreate(0, animation->width, animation->height, nullptr, 0);
  if (!opaque) return nullptr;
  const ClippedCopy place = Clip(frame.left, frame.top, WholeImage(opaque), DibWidth(opaque),
                                 DibHeight(opaque), frame.mask, 0, 0, frame.width, frame.height);
  for (int y = 0; y < place.height; ++y) {
    std::uint8_t* to = DibPixelAddress(opaque, place.targetX, place.targetY + y);
    const std::uint8_t* from = DibPixelAddress(frame.mask, place.sourceX, place.sourceY + y);
    for (int x = 0; x < place.width; ++x) to[x] = static_cast<std::uint8_t>(~from[x]);
  }
  return opaque;
}

DibImage* GifLoad(const char* path, DibImage** mask) {
  if (mask) *mask = nullptr;
  return kolta::image::ReadFile(
      path, [mask](ByteReader& in) { return kolta::image::LoadFirstFrame(in, mask); });
}

DibImage* GifLoadFromMemory(const void* data, std::size_t size, DibImage** mask) {
  if (mask) *mask = nullptr;
  return kolta::image::ReadMemory(
      data, size, [mask](ByteReader& in) { return kolta::image::LoadFirstFrame(in, mask); });
}
