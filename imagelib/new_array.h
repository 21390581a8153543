// Working arrays of the readers and pixel operations. An exhausted heap is a defined
// failure of every function of the library (a null image, 0 or false), never an exception:
// the arrays come from the non-throwing operator new, zeroed as std::vector's elements are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace kolta::image {

// `count` zeroed elements; null when memory runs out or their bytes do not fit a size_t
// (on a 32-bit build a count the caller could hold may still be too many bytes).
template <typename T>
std::unique_ptr<T[]> NewArray(std::size_t count) {
  if (count > SIZE_MAX / sizeof(T)) return nullptr;
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]());
}

}  // namespace kolta::image
