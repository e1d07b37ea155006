#pragma once
// The table of everything the program asks of the operating system. The
// program installs the real table at start; tests install fakes. The logic
// reaches the system only through Os().
#include "platform/address_watcher.h"
#include "platform/byte_lock.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/event_log.h"
#include "platform/file_writer.h"
#include "platform/files.h"
#include "platform/heap.h"
#include "platform/last_error.h"
#include "platform/module.h"
#include "platform/process.h"
#include "platform/random.h"
#include "platform/registry.h"
#include "platform/service_host.h"
#include "platform/service_manager.h"
#include "platform/shared_file.h"
#include "platform/sockets.h"
#include "platform/threads.h"

namespace kestro {

struct Platform {
  Registry* registry = nullptr;
  EventLog* eventLog = nullptr;
  ByteLock* byteLock = nullptr;
  Files* files = nullptr;
  Clock* clock = nullptr;
  Console* console = nullptr;
  Process* process = nullptr;
  Module* module = nullptr;
  LastError* lastError = nullptr;
  Sockets* sockets = nullptr;
  Heap* heap = nullptr;
  Random* random = nullptr;
  Environment* environment = nullptr;
  SharedFile* sharedFile = nullptr;
  ServiceManager* services = nullptr;
  ChildProcesses* children = nullptr;
  Threads* threads = nullptr;
  AddressWatcher* addresses = nullptr;
  ServiceHost* serviceHost = nullptr;
  FileWriter* fileWriter = nullptr;
};

const Platform& Os();
void SetPlatform(const Platform& platform);

// The real table of this build.
const Platform& SystemPlatform();

}  // namespace kestro
