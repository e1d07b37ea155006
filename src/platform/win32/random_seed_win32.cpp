#include <windows.h>
// RtlGenRandom, exported by advapi32.dll as SystemFunction036 since Windows XP.
#include <ntsecapi.h>

#include "platform/random_source.h"

namespace kestro {

std::uint32_t SystemRandomSeed() {
  std::uint32_t seed = 0;
  if (!RtlGenRandom(&seed, sizeof seed)) seed = 0;
  // Without the system's source the process id and the time still set
  // processes and machines apart.
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  seed ^= static_cast<std::uint32_t>(GetCurrentProcessId()) * 2654435761u;
  seed ^= now.dwLowDateTime ^ GetTickCount() << 7;
  return seed;
}

}  // namespace kestro
