#pragma once
#include "platform/random.h"

namespace kestro::testing {

// 0, 1, 2, ...: the data bytes of a request run 0 to 254 and start again.
class FakeRandom : public Random {
 public:
  int next = 0;
  int Next() override { return next++; }
};

}  // namespace kestro::testing
