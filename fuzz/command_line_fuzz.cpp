// Feeds arbitrary command lines to the parser: the input split at NUL bytes
// is the argument vector, the program path first. The parser ends the
// process for "-help" and for anything that is no option; the fake process
// throws instead, so nothing really exits.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/monitor_app.h"
#include "app/program_path.h"
#include "fuzz_system.h"

namespace {

kestro::testing::FakeSystem& System() { return kestro::testing::FuzzSystem(); }

bool IsFlag(const std::string& word) {
  return word == "-installservice" || word == "-removeservice" || word == "-service" ||
         word == "-direct";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestro::testing::FakeSystem& sys = System();
  std::vector<std::string> words(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.emplace_back();
    } else {
      words.back() += static_cast<char>(data[i]);
    }
  }
  std::vector<const char*> argv;
  for (const std::string& w : words) argv.push_back(w.c_str());
  argv.push_back(nullptr);

  sys.console.out.clear();
  sys.console.err.clear();
  kestro::MonitorApp app;
  int code = -1;
  try {
    app.ParseCommandLine(argv.data());
  } catch (const kestro::testing::ProcessExit& e) {
    code = e.code;
  }

  // The first word that is no flag decides: none, "-help", or an error
  // naming it.
  std::size_t first = 1;
  while (first < words.size() && IsFlag(words[first])) ++first;
  const std::string name = kestro::SplitProgramPath(words[0]).fileName;
  const std::string useCase = "Use-Case 1: " + name + " -help\n";
  if (first == words.size()) {
    if (code != -1 || !sys.console.err.empty()) __builtin_trap();
  } else if (words[first] == "-help") {
    if (code != 1 || sys.console.err.compare(0, 7, "\nHelp:\n") != 0) __builtin_trap();
  } else {
    const std::string header = "\nParse-Error: Invalid argument \"" + words[first] + "\"\n";
    if (code != 99 || sys.console.err.compare(0, header.size(), header) != 0) __builtin_trap();
  }
  if (code != -1 && sys.console.err.find(useCase) == std::string::npos) __builtin_trap();
  // Flags are set for the flags before that word, and only for them.
  bool install = false, remove = false, service = false, direct = false;
  for (std::size_t i = 1; i < first; ++i) {
    install |= words[i] == "-installservice";
    remove |= words[i] == "-removeservice";
    service |= words[i] == "-service";
    direct |= words[i] == "-direct";
  }
  if (code == -1 && (app.InstallFlag != install || app.RemoveFlag != remove ||
                     app.ServiceFlag != service || app.DirectFlag != direct))
    __builtin_trap();
  sys.files.contents.clear();
  sys.plan.ClearCalls();  // the list of calls would grow without end
  return 0;
}
