// Reading a 10 MB agent configuration whose key is on its last line, beside
// a plain line-by-line read of the same file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "agentconf/agent_setting.h"
#include "platform/platform.h"

namespace {

std::string root;

void MakeConfig() {
  if (!root.empty()) return;
  char pattern[] = "/tmp/kestro-agent-bench-XXXXXX";
  root = mkdtemp(pattern);
  std::system(("mkdir -p '" + root + "/OXL/CONF'").c_str());
  std::ofstream out(root + "/OXL/CONF/OXL.CNF", std::ios::binary);
  std::size_t written = 0;
  for (int section = 0; written < 10 * 1024 * 1024; ++section) {
    const std::string head = "[SECTION" + std::to_string(section) + "]\r\n";
    out << head;
    written += head.size();
    for (int i = 0; i < 50; ++i) {
      const std::string line = "Key" + std::to_string(i) + " = some value of the agent " + std::to_string(section) + "\r\n";
      out << line;
      written += line.size();
    }
  }
  out << "[PEERHOSTS]\r\nOXLUILSR = staging.example\r\n";
  setenv("OXLROOT", root.c_str(), 1);
  setenv("KESTRO_REGISTRY", (root + "/none.reg").c_str(), 1);
  kestro::SetPlatform(kestro::SystemPlatform());
  std::atexit([] { std::system(("rm -rf '" + root + "'").c_str()); });
}

void BM_LocateStagingServer(benchmark::State& state) {
  MakeConfig();
  for (auto _ : state) {
    const std::string server = kestro::LocateStagingServer();
    if (server != "staging.example") state.SkipWithError("wrong value");
  }
  state.SetBytesProcessed(state.iterations() * 10 * 1024 * 1024);
}
BENCHMARK(BM_LocateStagingServer)->Unit(benchmark::kMillisecond);

// The baseline: getline over the file, the key found by a plain search.
void BM_PlainLineRead(benchmark::State& state) {
  MakeConfig();
  for (auto _ : state) {
    std::ifstream in(root + "/OXL/CONF/OXL.CNF");
    std::string line, value;
    while (std::getline(in, line)) {
      if (line.compare(0, 8, "OXLUILSR") == 0) value = line.substr(11);
    }
    benchmark::DoNotOptimize(value);
  }
  state.SetBytesProcessed(state.iterations() * 10 * 1024 * 1024);
}
BENCHMARK(BM_PlainLineRead)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
