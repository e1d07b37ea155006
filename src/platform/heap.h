#pragma once
// Zero-filled memory blocks from the process heap.
#include <cstddef>

namespace kestro {

class Heap {
 public:
  virtual ~Heap() = default;
  // GetProcessHeap then HeapAlloc(HEAP_ZERO_MEMORY); null on failure.
  virtual unsigned char* AllocZeroed(std::size_t size) = 0;
  virtual void Free(unsigned char* block) = 0;
};

}  // namespace kestro
