#include "byte_reader.h"

#include <algorithm>
#include <cstring>

namespace kolta::image {

ByteReader ByteReader::FromMemory(const void* data, std::size_t size) {
  ByteReader reader;
  reader.next_ = static_cast<const std::uint8_t*>(data);
  reader.end_ = reader.next_ ? reader.next_ + size : nullptr;
  return reader;
}

ByteReader ByteReader::FromFile(std::FILE* file) {
  ByteReader reader;
  reader.file_ = file;
  return reader;
}

bool ByteReader::Refill() {
  if (!file_) return false;
  const std::size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  next_ = buffer_.data();
  end_ = next_ + got;
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
  while (count > 0) {
    if (next_ == end_ && !Refill()) return false;
    const std::uint64_t take = std::min<std::uint64_t>(count, end_ - next_);
    next_ += take;
    count -= take;
  }
  return true;
}

std::optional<std::uint64_t> ByteReader::Remaining() const {
  const std::uint64_t buffered = end_ - next_;
  if (!file_) return buffered;
  const long here = std::ftell(file_);
  if (here < 0 || std::fseek(file_, 0, SEEK_END) != 0) return std::nullopt;
  const long end = std::ftell(file_);
  std::fseek(file_, here, SEEK_SET);
  if (end < here) return std::nullopt;
  return buffered + static_cast<std::uint64_t>(end - here);
}

}  // namespace kolta::image
