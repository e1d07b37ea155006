#pragma once
// A pseudo-random number source; the echo data only has to vary.
namespace kestro {

class Random {
 public:
  virtual ~Random() = default;
  // A non-negative number.
  virtual int Next() = 0;
};

}  // namespace kestro
