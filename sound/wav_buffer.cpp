#include "wav_buffer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <optional>

#include "wav_layout.h"
#include "win_handles.h"

namespace kolta::sound {
namespace {

// A WAV file opened for shared reading. Sizes and positions go through the calls that
// every 32-bit Windows has (the ...Ex forms are missing from the 95 family).
class WavFile final : public WavSource {
 public:
  explicit WavFile(const char* fileName)
      : file_(ValidOrNull(CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))) {
    if (!file_.valid()) return;
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = GetFileSize(file_.get(), &high);
    if (low != INVALID_FILE_SIZE || GetLastError() == NO_ERROR) {
      size_ = (static_cast<std::uint64_t>(high) << 32) | low;
    }
  }

  bool ok() const { return size_.has_value(); }
  std::uint64_t Size() const override { return size_.value_or(0); }

  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (!ok() || out.size() > std::numeric_limits<DWORD>::max()) return false;
    LONG high = static_cast<LONG>(offset >> 32);
    SetLastError(NO_ERROR);
    const DWORD low = SetFilePointer(file_.get(), static_cast<LONG>(offset & 0xFFFFFFFFu), &high,
                                     FILE_BEGIN);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return false;
    DWORD read = 0;
    return ReadFile(file_.get(), out.data(), static_cast<DWORD>(out.size()), &read, nullptr) &&
           read == out.size();
  }

 private:
  FileHandle file_;
  std::optional<std::uint64_t> size_;
};

struct BufferRelease {
  void operator()(IDirectSoundBuffer* buffer) const { buffer->Release(); }
};
using BufferPtr = std::unique_ptr<IDirectSoundBuffer, BufferRelease>;

std::optional<WAVEFORMATEX> BufferFormat(const WavFormat& file, const BufferShape& shape) {
  const std::uint64_t bytesPerSecond =
      static_cast<std::uint64_t>(file.samplesPerSecond) * shape.blockAlign;
  if (bytesPerSecond > std::numeric_limits<DWORD>::max()) return std::nullopt;
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = shape.channels;
  format.nSamplesPerSec = file.samplesPerSecond;
  format.nAvgBytesPerSec = static_cast<DWORD>(bytesPerSecond);
  format.nBlockAlign = shape.blockAlign;
  format.wBitsPerSample = file.bitsPerSample;
  return format;
}

BufferPtr CreateBuffer(IDirectSound* device, WAVEFORMATEX& format, DWORD bytes) {
  // The description without the 3D algorithm field, which every DirectSound accepts.
  DSBUFFERDESC1 description{};
  description.dwSize = sizeof description;
  description.dwFlags = kSoundBufferFlags;
  description.dwBufferBytes = bytes;
  description.lpwfxFormat = &format;
#if defined(_WIN32) && !defined(_WIN64)
  static_assert(sizeof(DSBUFFERDESC1) == 20);
#endif
  IDirectSoundBuffer* buffer = nullptr;
  if (FAILED(device->CreateSoundBuffer(reinterpret_cast<DSBUFFERDESC*>(&description), &buffer,
                                       nullptr))) {
    return nullptr;
  }
  return BufferPtr(buffer);
}

// The locked region of a buffer, which may come as two spans (when it wraps around the
// buffer's end), filled front to back.
class LockedRegion {
 public:
  LockedRegion(void* first, DWORD firstBytes, void* second, DWORD secondBytes)
      : spans_{{{static_cast<std::uint8_t*>(first), firstBytes},
                {static_cast<std::uint8_t*>(second), second ? secondBytes : 0}}} {}

  std::size_t Filled() const { return filled_; }
  std::size_t Left() const { return spans_[0].size() + spans_[1].size() - filled_; }

  // The room still free in the span being filled.
  std::span<std::uint8_t> Room() const {
    return filled_ < spans_[0].size() ? spans_[0].subspan(filled_)
                                      : spans_[1].subspan(filled_ - spans_[0].size());
  }
  void Advance(std::size_t bytes) { filled_ += bytes; }

  // Appends bytes, across the two spans where they meet; `bytes` must fit.
  void Write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
      const std::span<std::uint8_t> room = Room();
      const std::size_t count = std::min(room.size(), bytes.size());
      std::memcpy(room.data(), bytes.data(), count);
      Advance(count);
      bytes = bytes.subspan(count);
    }
  }

 private:
  std::array<std::span<std::uint8_t>, 2> spans_;
  std::size_t filled_ = 0;
};

// Reads the samples straight into the buffer.
bool CopySamples(WavFile& file, const WavLayout& layout, LockedRegion& region) {
  while (region.Left() > 0) {
    const std::span<std::uint8_t> room = region.Room();
    if (!file.ReadAt(layout.dataOffset + region.Filled(), room)) return false;
    region.Advance(room.size());
  }
  return true;
}

// Reads the file's frames a piece at a time and keeps the start of each.
bool CopyFrameStarts(WavFile& file, const WavLayout& layout, const BufferShape& shape,
                     LockedRegion& region) {
  // A block align below 65536 bytes: a piece always holds at least one frame. The two
  // pieces live on the heap, not on the caller's stack.
  constexpr std::size_t kPieceBytes = std::size_t{1} << 16;
  const std::unique_ptr<std::uint8_t[]> pieceBlock(new (std::nothrow) std::uint8_t[kPieceBytes]);
  const std::unique_ptr<std::uint8_t[]> startsBlock(new (std::nothrow) std::uint8_t[kPieceBytes]);
  if (!pieceBlock || !startsBlock) return false;
  const std::span<std::uint8_t> piece(pieceBlock.get(), kPieceBytes);
  const std::span<std::uint8_t> starts(startsBlock.get(), kPieceBytes);
  const std::size_t fileBlock = layout.format.blockAlign;
  std::uint64_t offset = layout.dataOffset;
  while (region.Left() > 0) {
    const std::size_t frames =
        std::min(piece.size() / fileBlock, region.Left() / shape.blockAlign);
    if (frames == 0) return false;
    const std::span<std::uint8_t> in(piece.data(), frames * fileBlock);
    if (!file.ReadAt(offset, in)) return false;
    offset += in.size();
    region.Write({starts.data(), KeepFrameStarts(in, fileBlock, shape.blockAlign, starts)});
  }
  return true;
}

bool FillBuffer(IDirectSoundBuffer* buffer, WavFile& file, const WavLayout& layout,
                const BufferShape& shape) {
  void* first = nullptr;
  void* second = nullptr;
  DWORD firstBytes = 0, secondBytes = 0;
  if (FAILED(buffer->Lock(0, shape.bytes, &first, &firstBytes, &second, &secondBytes,
                          DSBLOCK_FROMWRITECURSOR))) {
    return false;
  }
  LockedRegion region(first, firstBytes, second, secondBytes);
  const bool filled = shape.copiedAsIs ? CopySamples(file, layout, region)
                                       : CopyFrameStarts(file, layout, shape, region);
  const bool unlocked = SUCCEEDED(buffer->Unlock(first, firstBytes, second, secondBytes));
  return filled && unlocked;
}

}  // namespace

IDirectSoundBuffer* LoadWavBuffer(IDirectSound* device, const char* fileName) {
  WavFile file(fileName);
  if (!file.ok()) return nullptr;
  const std::optional<WavLayout> layout = ReadWavLayout(file);
  if (!layout) return nullptr;
  const std::optional<BufferShape> shape = BufferShapeOf(*layout);
  if (!shape) return nullptr;
  std::optional<WAVEFORMATEX> format = BufferFormat(layout->format, *shape);
  if (!format) return nullptr;
  BufferPtr buffer = CreateBuffer(device, *format, shape->bytes);
  if (!buffer || !FillBuffer(buffer.get(), file, *layout, *shape)) return nullptr;
  return buffer.release();
}

}  // namespace kolta::sound
