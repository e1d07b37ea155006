// A look-up kept once it succeeds, asked again after a failure.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/success_cache.h"

namespace kestro {
namespace {

TEST(SuccessCache, FailureIsAskedAgainAfterItsPauseAndSuccessIsKept) {
  static SuccessCache<int> cache(60000);  // as the program keeps one: for good
  int asked = 0;
  bool answers = false;
  const auto lookUp = [&](int* value) { ++asked, *value = 7; return answers; };
  // Booting: the domain's controller does not answer yet.
  for (const auto& [now, answer, calls, known] : std::vector<std::tuple<std::uint32_t, bool, int, bool>>{
           {0, false, 1, false}, {59999, true, 1, false}, {60000, true, 2, true}, {200000, false, 2, true}}) {
    answers = answer;
    const int* value = cache.Get(now, lookUp);
    EXPECT_EQ(calls, asked) << now;
    EXPECT_EQ(known, value != nullptr && *value == 7) << now;
  }
}

}  // namespace
}  // namespace kestro
