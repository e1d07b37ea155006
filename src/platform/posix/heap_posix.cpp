#include "platform/posix/heap_posix.h"

#include <cstdlib>

namespace kestro {

unsigned char* PosixHeap::AllocZeroed(std::size_t size) {
  return static_cast<unsigned char*>(std::calloc(1, size));
}

void PosixHeap::Free(unsigned char* block) { std::free(block); }

}  // namespace kestro
