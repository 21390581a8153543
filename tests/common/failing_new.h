// Allocation failure on demand: the test program's operator new (every form) fails when
// asked, as it would on an exhausted heap: the throwing forms throw std::bad_alloc, the
// nothrow forms return null. Only code linked into the test program is affected (a DLL
// keeps its own run-time's operator new).
#pragma once

namespace kolta::test {

// While alive, the `index`th call of operator new from now on (0 = the next one) fails;
// every other call succeeds.
class FailingAllocation {
 public:
  explicit FailingAllocation(long index);
  ~FailingAllocation();
  FailingAllocation(const FailingAllocation&) = delete;
  FailingAllocation& operator=(const FailingAllocation&) = delete;

  // Whether the failure has happened (the operation made that many allocations).
  bool happened() const;
};

// While alive, operator new never fails and its calls are not counted: for a test double's
// own bookkeeping inside an operation under test.
class UnfailedAllocations {
 public:
  UnfailedAllocations();
  ~UnfailedAllocations();
  UnfailedAllocations(const UnfailedAllocations&) = delete;
  UnfailedAllocations& operator=(const UnfailedAllocations&) = delete;
};

// Runs `operation` (which returns whether its outcome was acceptable: the failure the
// interface defines, or success) once with each of its allocations failing in turn, and
// once more when none is left to fail. Returns the number of allocations failed, or -1
// as soon as an outcome was not acceptable. An exception that leaves `operation`
// escapes this function and fails the test.
template <class Operation>
long FailEachAllocation(Operation operation) {
  for (long index = 0;; ++index) {
    bool acceptable = false, happened = false;
    {
      FailingAllocation failure(index);
      acceptable = operation();
      happened = failure.happened();
    }
    if (!acceptable) return -1;
    if (!happened) return index;
  }
}

}  // namespace kolta::test
