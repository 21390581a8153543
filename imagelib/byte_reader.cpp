#include "byte_reader.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace kolta::image {

ByteReader ByteReader::FromMemory(const void* data, std::size_t size) {
  ByteReader reader;
  reader.begin_ = reader.next_ = static_cast<const std::uint8_t*>(data);
  reader.end_ = reader.next_ ? reader.next_ + size : nullptr;
  reader.bufferEnd_ = reader.next_ ? size : 0;
  reader.size_ = reader.bufferEnd_;
  return reader;
}

ByteReader ByteReader::FromFile(std::FILE* file) {
  ByteReader reader;
  reader.file_ = file;
  reader.origin_ = std::max(std::ftell(file), 0L);
  return reader;
}

bool ByteReader::Refill() {
  if (!file_) return false;
  const std::size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  next_ = buffer_.data();
  end_ = next_ + got;
  bufferEnd_ += got;
  return got != 0;
}

std::size_t ByteReader::Read(std::uint8_t* out, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    if (next_ == end_) {
      // Large reads go straight from the stream into the caller's memory.
      if (file_ && count - done >= buffer_.size()) {
        const std::size_t got = std::fread(out + done, 1, count - done, file_);
        done += got;
        bufferEnd_ += got;
        if (got == 0) break;
        continue;
      }
      if (!Refill()) break;
    }
    const std::size_t take = std::min<std::size_t>(count - done, end_ - next_);
    std::memcpy(out + done, next_, take);
    next_ += take;
    done += take;
  }
  return done;
}

bool ByteReader::Skip(std::uint64_t count) {
  const std::uint64_t buffered = end_ - next_;
  if (count <= buffered) {
    next_ += count;
    return true;
  }
  // Beyond the buffer a stream moves by one seek; a source that cannot seek reads on.
  const std::optional<std::uint64_t> size = Size();
  if (size) {
    const std::uint64_t target = Tell() + count;
    if (target <= *size && Seek(target)) return true;
    if (target > *size) {
      Seek(*size);
      return false;
    }
  }
  while (count > 0) {
    if (next_ == end_ && !Refill()) return false;
    const std::uint64_t take = std::min<std::uint64_t>(count, end_ - next_);
    next_ += take;
    count -= take;
  }
  return true;
}

bool ByteReader::Seek(std::uint64_t offset) {
  if (!file_) {
    if (offset > bufferEnd_) return false;
    next_ = begin_ + offset;
    return true;
  }
  const std::optional<std::uint64_t> size = Size();
  if (!size || offset > *size || offset > static_cast<std::uint64_t>(LONG_MAX - origin_)) {
    return false;
  }
  if (std::fseek(file_, origin_ + static_cast<long>(offset), SEEK_SET) != 0) return false;
  next_ = end_ = buffer_.data();
  bufferEnd_ = offset;
  return true;
}

std::optional<std::uint64_t> ByteReader::Size() const {
  if (size_ || !file_) return size_;
  const long here = std::ftell(file_);
  if (here < 0 || std::fseek(file_, 0, SEEK_END) != 0) return std::nullopt;
  const long end = std::ftell(file_);
  std::fseek(file_, here, SEEK_SET);
  if (end < origin_) return std::nullopt;
  size_ = static_cast<std::uint64_t>(end - origin_);
  return size_;
}

std::optional<std::uint64_t> ByteReader::Remaining() const {
  const std::optional<std::uint64_t> size = Size();
  if (!size) return std::nullopt;
  const std::uint64_t at = Tell();
  return at < *size ? *size - at : 0;
}

}  // namespace kolta::image
