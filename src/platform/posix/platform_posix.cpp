#include "platform/host.h"
#include "platform/platform.h"
#include "platform/posix/address_watcher_posix.h"
#include "platform/posix/byte_lock_posix.h"
#include "platform/posix/child_processes_posix.h"
#include "platform/posix/clock_posix.h"
#include "platform/posix/environment_posix.h"
#include "platform/posix/event_log_posix.h"
#include "platform/posix/file_writer_posix.h"
#include "platform/posix/files_posix.h"
#include "platform/posix/heap_posix.h"
#include "platform/posix/last_error_posix.h"
#include "platform/posix/module_posix.h"
#include "platform/posix/process_posix.h"
#include "platform/posix/registry_posix.h"
#include "platform/posix/service_host_posix.h"
#include "platform/posix/service_manager_posix.h"
#include "platform/posix/shared_file_posix.h"
#include "platform/posix/sockets_posix.h"
#include "platform/posix/threads_posix.h"
#include "platform/random_source.h"
#include "platform/stdio_console.h"

namespace kestro {

const char kPathSeparator[] = "/";
const char kDefaultLogDir[] = "/var/log/kestro";
const char kServiceAccount[] = "root";
const char kServiceOptionsHelp[] =
    "-installservice : install the Kestro systemd service\n"
    "-removeservice : remove the Kestro systemd service\n"
    "-service : internally used by Kestro when started from systemd\n";

const Platform& SystemPlatform() {
  static PosixRegistry registry;
  static PosixEventLog eventLog;
  static PosixByteLock byteLock;
  static PosixFiles files;
  static PosixClock clock;
  static StdioConsole console;
  static PosixProcess process;
  static PosixModule module;
  static PosixLastError lastError;
  static PosixSockets sockets;
  static PosixHeap heap;
  static RandomSource random;
  static PosixEnvironment environment;
  static PosixSharedFile sharedFile;
  static PosixServiceManager services(clock);
  static PosixChildProcesses children;
  static PosixThreads threads;
  static PosixAddressWatcher addresses;
  static PosixServiceHost serviceHost;
  static PosixFileWriter fileWriter;
  static const Platform platform = {&registry,  &eventLog, &byteLock, &files,       &clock,
                                    &console,   &process,  &module,   &lastError,   &sockets,
                                    &heap,      &random,   &environment, &sharedFile, &services,
                                    &children,  &threads,  &addresses, &serviceHost, &fileWriter};
  return platform;
}

}  // namespace kestro
