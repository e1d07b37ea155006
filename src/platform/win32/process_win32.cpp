#include "platform/win32/process_win32.h"

#include <windows.h>

#include <cstdio>

namespace kestro {

void Win32Process::Exit(int code) {
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(code));
}

}  // namespace kestro
