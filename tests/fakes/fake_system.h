#pragma once
// Every platform interface faked, sharing one fault plan. Install() makes
// them the program's platform.
#include <stdexcept>

#include <algorithm>

#include "fakes/fake_agent_files.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_control.h"
#include "fakes/fake_event_log.h"
#include "fakes/fake_files.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_service_host.h"
#include "fakes/fake_sockets.h"
#include "log/log_directory.h"
#include "platform/platform.h"

namespace kestro::testing {

class FakeConsole : public Console {
 public:
  std::string out;
  std::string err;
  int flushes = 0;
  void Write(Stream s, const std::string& text) override { (s == Stream::Error ? err : out) += text; }
  void Flush(Stream) override { ++flushes; }
};

// Thrown in place of ending the process.
struct ProcessExit {
  int code;
};

class FakeProcess : public Process {
 public:
  [[noreturn]] void Exit(int code) override { throw ProcessExit{code}; }
};

class FakeModule : public Module {
 public:
  explicit FakeModule(FaultPlan& plan) : plan_(plan) {}
  std::string path = "C:\\Program Files\\Kestro\\Kestro.exe";
  std::string version = "2003.12.09.0";
  bool hasVersionInfo = true;
  bool hasFileVersion = true;
  std::string queried;

  ModuleHandle ProgramModule() override {
    plan_.Enter("GetModuleHandleA");
    return 0x400000;
  }
  bool ModuleFileName(ModuleHandle, std::size_t size, std::string* out) override {
    if (plan_.Enter("GetModuleFileNameA") || path.size() >= size) return false;
    *out = path;
    return true;
  }
  std::uint32_t VersionInfoSize(const std::string&) override {
    if (plan_.Enter("GetFileVersionInfoSizeA") || !hasVersionInfo) return 0;
    return 64;
  }
  bool VersionInfo(const std::string&, std::vector<unsigned char>* block) override {
    return !plan_.Enter("GetFileVersionInfoA") && block->size() == 64;
  }
  bool QueryVersionText(const std::vector<unsigned char>&, const std::string& entry,
                        std::string* text) override {
    queried = entry;
    if (plan_.Enter("VerQueryValueA") || !hasFileVersion) return false;
    *text = version;
    return true;
  }

 private:
  FaultPlan& plan_;
};

class FakeLastError : public LastError {
 public:
  std::uint32_t code = 0;
  std::map<std::uint32_t, std::string> messages;
  std::uint32_t Get() override { return code; }
  bool SystemMessage(std::uint32_t c, std::string* text) override {
    auto m = messages.find(c);
    if (m == messages.end()) return false;
    *text = m->second;
    return true;
  }
  std::string EnglishMessage(std::uint32_t c, std::size_t size) override {
    std::string text;
    SystemMessage(c, &text);
    return text.substr(0, size - 1);
  }
};

struct FakeSystem {
  FaultPlan plan;
  FakeRegistry registry{plan};
  FakeEventLog eventLog{plan};
  FakeByteLock byteLock{plan};
  FakeFiles files{plan};
  FakeClock clock{plan};
  FakeConsole console;
  FakeProcess process;
  FakeModule module{plan};
  FakeLastError lastError;
  FakeSockets sockets{plan, clock};
  FakeHeap heap{plan};
  FakeRandom random;
  FakeEnvironment environment;
  FakeSharedFile sharedFile{plan};
  FakeServiceManager services{plan};
  FakeChildProcesses children{plan, clock};
  FakeThreads threads{plan};
  FakeAddressWatcher addresses{plan};
  FakeServiceHost serviceHost{plan};

  Platform Table() {
    return {&registry, &eventLog, &byteLock, &files,       &clock,      &console,  &process,
            &module,   &lastError, &sockets, &heap, &random, &environment, &sharedFile, &services,
            &children, &threads,  &addresses, &serviceHost};
  }
  // The messages of the log lines written so far, without their stamps.
  std::vector<std::string> LogMessages() {
    std::vector<std::string> lines;
    const std::string& text = files.contents["/var/log/kestro/Kestro-2.txt"];
    for (std::string::size_type pos = 0; pos < text.size();) {
      const std::string::size_type end = text.find("\r\n", pos);
      lines.push_back(text.substr(pos + 25, end - pos - 25));
      pos = end + 2;
    }
    return lines;
  }
  // Makes these fakes the platform, with no log directory cached yet.
  void Install() {
    SetPlatform(Table());
    ResetLogDirectory();
  }
};

}  // namespace kestro::testing
