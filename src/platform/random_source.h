#pragma once
#include <random>

#include "platform/random.h"

namespace kestro {

// The C++ library's generator, seeded once from the system; both systems use it.
class RandomSource : public Random {
 public:
  RandomSource() : engine_(std::random_device{}()) {}
  int Next() override { return static_cast<int>(engine_() & 0x7FFFFFFF); }

 private:
  std::minstd_rand engine_;
};

}  // namespace kestro
