#pragma once
// Every platform interface faked, sharing one fault plan. Install() makes
// them the program's platform.
#include <algorithm>
#include <stdexcept>

#include "fakes/fake_address_watcher.h"
#include "fakes/fake_byte_lock.h"
#include "fakes/fake_child_processes.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_console.h"
#include "fakes/fake_environment.h"
#include "fakes/fake_event_log.h"
#include "fakes/fake_file_writer.h"
#include "fakes/fake_files.h"
#include "fakes/fake_heap.h"
#include "fakes/fake_last_error.h"
#include "fakes/fake_module.h"
#include "fakes/fake_process.h"
#include "fakes/fake_random.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_service_host.h"
#include "fakes/fake_service_manager.h"
#include "fakes/fake_shared_file.h"
#include "fakes/fake_sockets.h"
#include "fakes/fake_threads.h"
#include "log/log_directory.h"
#include "platform/platform.h"
#include "platform/registry_views.h"

namespace kestro::testing {

struct FakeSystem {
  FaultPlan plan;
  FakeRegistry registry{plan};
  RegistryViews registryViews{registry};  // as the program reads the registry
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
  FakeFileWriter fileWriter{plan, files};

  Platform Table() {
    return {&registryViews, &eventLog, &byteLock, &files,       &clock,      &console,  &process,
            &module,   &lastError, &sockets, &heap, &random, &environment, &sharedFile, &services,
            &children, &threads,  &addresses, &serviceHost, &fileWriter};
  }
  // The messages of the log lines written so far, without their stamps.
  std::vector<std::string> LogMessages() {
    std::vector<std::string> lines;
    const std::string& text = files.contents["/var/log/kestro/Kestro-2.txt"];
    for (std::string::size_type pos = 0; pos < text.size();) {
      const std::string::size_type end = text.find("\r\n", pos);
      if (end == std::string::npos || end < pos + 25) break;  // no stamped line
      lines.push_back(text.substr(pos + 25, end - pos - 25));
      pos = end + 2;
    }
    return lines;
  }
  // What is still open or held, one name per handle, block or start-up.
  std::vector<std::string> OpenResources() const {
    std::vector<std::string> open;
    const auto add = [&open](const char* name, int count) {
      for (int i = 0; i < count; ++i) open.push_back(name);
    };
    add("registry key", registry.OpenCount());
    add("event source", eventLog.Registered());
    add("lock file handle", byteLock.OpenHandles());
    add("held lock", byteLock.HeldLocks());
    add("service handle", services.open);
    add("library", services.librariesLoaded);
    add("child process handle", children.open);
    add("socket", static_cast<int>(sockets.open.size()));
    add("socket layer start-up", sockets.startups - sockets.cleanups);
    add("heap block", heap.live);
    add("shared file handle", sharedFile.open);
    add("stop event", serviceHost.eventsOpen);
    add("thread", threads.Alive());
    return open;
  }
  // Makes these fakes the platform, with no log directory cached yet.
  void Install() {
    plan.onInjected = [this](std::uint32_t error) { lastError.code = error; };
    SetPlatform(Table());
    ResetLogDirectory();
  }
};

}  // namespace kestro::testing
