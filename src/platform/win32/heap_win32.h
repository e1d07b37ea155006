#pragma once
#include "platform/heap.h"

namespace kestro {

class Win32Heap : public Heap {
 public:
  unsigned char* AllocZeroed(std::size_t size) override;
  void Free(unsigned char* block) override;
};

}  // namespace kestro
