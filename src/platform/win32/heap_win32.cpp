#include "platform/win32/heap_win32.h"

#include <windows.h>

namespace kestro {

unsigned char* Win32Heap::AllocZeroed(std::size_t size) {
  return static_cast<unsigned char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
}

void Win32Heap::Free(unsigned char* block) { HeapFree(GetProcessHeap(), 0, block); }

}  // namespace kestro
