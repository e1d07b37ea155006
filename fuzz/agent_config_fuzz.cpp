// Feeds arbitrary file contents to the agent configuration reader. The first
// byte chooses how many bytes each read hands over, so that lines and CR LF
// pairs fall across reads in every way.
#include <cstddef>
#include <cstdint>
#include <string>

#include "agentconf/agent_setting.h"
#include "fuzz_system.h"

namespace {

kestro::testing::FakeSystem& System() {
  static kestro::testing::FakeSystem& sys = [] () -> kestro::testing::FakeSystem& {
    auto& s = kestro::testing::FuzzSystem();
    s.environment.variables["OXLROOT"] = "/agent";
    return s;
  }();
  return sys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestro::testing::FakeSystem& sys = System();
  sys.sharedFile.chunk = size > 0 ? 1 + data[0] % 64 * 64 : 4096;
  sys.sharedFile.files["/agent/OXL/CONF/OXL.CNF"] =
      std::string(reinterpret_cast<const char*>(data), size);
  const std::string value = kestro::LocateStagingServer();
  // A value is one run of characters that are not white space.
  if (value.find_first_of(" \t\n\v\f\r") != std::string::npos || value.size() > 254) __builtin_trap();
  sys.files.contents.clear();  // the log lines of this input
  sys.plan.ClearCalls();       // and its platform calls
  return 0;
}
