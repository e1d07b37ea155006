#include <sys/random.h>
#include <time.h>
#include <unistd.h>

#include "platform/random_source.h"

namespace kestro {

std::uint32_t SystemRandomSeed() {
  std::uint32_t seed = 0;
  // Without the system's source (an old kernel, a seccomp filter) the
  // process id and the time still set processes and machines apart.
  if (getrandom(&seed, sizeof seed, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof seed)) seed = 0;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  seed ^= static_cast<std::uint32_t>(getpid()) * 2654435761u;
  seed ^= static_cast<std::uint32_t>(now.tv_nsec) ^ static_cast<std::uint32_t>(now.tv_sec) << 7;
  return seed;
}

}  // namespace kestro
