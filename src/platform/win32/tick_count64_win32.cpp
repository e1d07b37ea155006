// The posix-threads runtime behind the C++ library imports GetTickCount64
// from KERNEL32, and Windows XP and Server 2003 lack it: the loader refuses
// a program with a missing import, so Kestro.exe would not start there at
// all. The runtime's import slot is filled here instead, so KERNEL32 is never
// asked for the name: the system's own function where it has one (looked up
// at run time), else GetTickCount widened to 64 bits. This file is linked
// into the program itself, ahead of the runtime, so that the linker takes
// this slot and not the one of the import library.
#include <windows.h>

namespace {

typedef ULONGLONG(WINAPI* TickCount64Function)();

// The 32-bit count widened by counting its wraps, read under a spin lock so
// that the counts seen form one rising sequence. A wrap is missed only when
// nothing asks for 49.7 days; the runtime uses the count for time-outs.
ULONGLONG WidenedTickCount() {
  static volatile LONG busy = 0;
  static DWORD lastLow = 0;
  static DWORD wraps = 0;
  while (InterlockedCompareExchange(&busy, 1, 0) != 0) Sleep(0);
  const DWORD now = GetTickCount();
  if (now < lastLow) ++wraps;
  lastLow = now;
  const ULONGLONG count = (static_cast<ULONGLONG>(wraps) << 32) | now;
  InterlockedExchange(&busy, 0);
  return count;
}

ULONGLONG WINAPI TickCount64() {
  static volatile TickCount64Function system = nullptr;
  static volatile LONG looked = 0;
  if (!looked) {
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel != nullptr)
      system = reinterpret_cast<TickCount64Function>(
          reinterpret_cast<void*>(GetProcAddress(kernel, "GetTickCount64")));
    looked = 1;
  }
  return system != nullptr ? system() : WidenedTickCount();
}

}  // namespace

#if defined(__i386__)
#define KESTRO_IMPORT_SLOT "__imp__GetTickCount64@0"
#else
#define KESTRO_IMPORT_SLOT "__imp_GetTickCount64"
#endif
extern "C" TickCount64Function const kestroTickCount64Slot __asm__(KESTRO_IMPORT_SLOT);
extern "C" TickCount64Function const kestroTickCount64Slot = TickCount64;
