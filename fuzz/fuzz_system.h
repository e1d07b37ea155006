#pragma once
// The fakes every fuzz target runs on: made once per process and kept, so
// that the platform stays installed for every input.
#include "fakes/fake_system.h"

namespace kestro::testing {

inline FakeSystem& FuzzSystem() {
  static FakeSystem* sys = [] {
    auto* s = new FakeSystem;
    s->Install();
    return s;
  }();
  return *sys;
}

}  // namespace kestro::testing
