#pragma once
#include <cstdint>
#include <random>

#include "platform/random.h"

namespace kestro {

// A seed from the system's own random source (Linux getrandom, Windows
// RtlGenRandom), mixed with the process id and the time, so that the
// machines of a site and the processes of one machine draw differently.
std::uint32_t SystemRandomSeed();

// The C++ library's generator, seeded once from the system; both systems use it.
class RandomSource : public Random {
 public:
  RandomSource() : engine_(SeedOf(SystemRandomSeed())) {}
  int Next() override { return static_cast<int>(engine_() & 0x7FFFFFFF); }

 private:
  // minstd_rand takes seeds 1 to 2^31 - 2.
  static std::uint32_t SeedOf(std::uint32_t seed) { return seed % 2147483646u + 1; }
  std::minstd_rand engine_;
};

}  // namespace kestro
