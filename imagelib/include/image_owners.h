// Owning pointers for the image library's blocks: each is freed once, on every path.
#pragma once

#include <memory>

#include "alpha_runs.h"
#include "dib_image.h"
#include "selection_mask.h"

namespace kolta {

struct ImageDeleter {
  void operator()(DibImage* image) const { DibFree(image); }
};
using ImagePtr = std::unique_ptr<DibImage, ImageDeleter>;

struct SelectionDeleter {
  void operator()(SelectionMask* mask) const { SelectionFree(mask); }
};
using SelectionPtr = std::unique_ptr<SelectionMask, SelectionDeleter>;

struct AlphaRunsDeleter {
  void operator()(AlphaRunTable* table) const { AlphaRunsFree(table); }
};
using AlphaRunsPtr = std::unique_ptr<AlphaRunTable, AlphaRunsDeleter>;

// A block of ImgAlloc.
struct BlockDeleter {
  void operator()(void* block) const { ImgFree(block); }
};
template <typename T>
using BlockPtr = std::unique_ptr<T, BlockDeleter>;

}  // namespace kolta
