#include "failing_new.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// -1 when no failure is asked for; else the number of allocations still to succeed.
std::atomic<long> g_allocationsBeforeFailure{-1};
std::atomic<bool> g_failed{false};
std::atomic<int> g_unfailedDepth{0};

bool ShouldFail() {
  if (g_unfailedDepth > 0) return false;
  long left = g_allocationsBeforeFailure.load();
  while (left >= 0) {
    if (g_allocationsBeforeFailure.compare_exchange_weak(left, left - 1)) {
      if (left != 0) return false;
      g_failed = true;
      return true;
    }
  }
  return false;
}

void* Allocate(std::size_t size) noexcept {
  if (ShouldFail()) return nullptr;
  return std::malloc(size ? size : 1);
}

void* AllocateOrThrow(std::size_t size) {
  void* block = Allocate(size);
  if (!block) throw std::bad_alloc();
  return block;
}

}  // namespace

namespace kolta::test {

FailingAllocation::FailingAllocation(long index) {
  g_failed = false;
  g_allocationsBeforeFailure = index;
}

FailingAllocation::~FailingAllocation() { g_allocationsBeforeFailure = -1; }

bool FailingAllocation::happened() const { return g_failed; }

UnfailedAllocations::UnfailedAllocations() { ++g_unfailedDepth; }

UnfailedAllocations::~UnfailedAllocations() { --g_unfailedDepth; }

}  // namespace kolta::test

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
