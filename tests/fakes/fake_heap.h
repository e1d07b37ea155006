#pragma once
#include <cstdlib>
#include <vector>

#include "fakes/fault_plan.h"
#include "platform/heap.h"

namespace kestro::testing {

// Counts the live blocks. Calls: HeapAlloc, HeapFree.
class FakeHeap : public Heap {
 public:
  explicit FakeHeap(FaultPlan& plan) : plan_(plan) {}
  int live = 0;
  std::vector<std::size_t> sizes;
  unsigned char* AllocZeroed(std::size_t size) override {
    if (plan_.Enter("HeapAlloc")) return nullptr;
    ++live;
    sizes.push_back(size);
    return static_cast<unsigned char*>(std::calloc(1, size));
  }
  void Free(unsigned char* block) override {
    plan_.Enter("HeapFree");
    --live;
    std::free(block);
  }

 private:
  FaultPlan& plan_;
};

}  // namespace kestro::testing
