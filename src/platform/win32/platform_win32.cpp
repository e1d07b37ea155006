#include "platform/host.h"
#include "platform/platform.h"
#include "platform/random_source.h"
#include "platform/stdio_console.h"
#include "platform/win32/address_watcher_win32.h"
#include "platform/win32/byte_lock_win32.h"
#include "platform/win32/child_processes_win32.h"
#include "platform/win32/clock_win32.h"
#include "platform/win32/environment_win32.h"
#include "platform/win32/event_log_win32.h"
#include "platform/win32/file_writer_win32.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/heap_win32.h"
#include "platform/win32/last_error_win32.h"
#include "platform/win32/module_win32.h"
#include "platform/win32/process_win32.h"
#include "platform/registry_views.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/service_host_win32.h"
#include "platform/win32/service_manager_win32.h"
#include "platform/win32/shared_file_win32.h"
#include "platform/win32/sockets_win32.h"
#include "platform/win32/threads_win32.h"

namespace kestro {

const char kPathSeparator[] = "\\";
const char kDefaultLogDir[] = "C:";
const char kServiceAccount[] = "LocalSystem";
const char kServiceOptionsHelp[] =
    "-installservice : install the Kestro Windows service\n"
    "-removeservice : remove the Kestro Windows service\n"
    "-service : internally used by Kestro when started from Windows\n";

const Platform& SystemPlatform() {
  static Win32Registry systemRegistry;
  static RegistryViews registry(systemRegistry);
  static Win32EventLog eventLog;
  static Win32ByteLock byteLock;
  static Win32Files files;
  static Win32Clock clock;
  static StdioConsole console;
  static Win32Process process;
  static Win32Module module;
  static Win32LastError lastError;
  static Win32Sockets sockets;
  static Win32Heap heap;
  static RandomSource random;
  static Win32Environment environment;
  static Win32SharedFile sharedFile;
  static Win32ServiceManager services;
  static Win32ChildProcesses children;
  static Win32Threads threads;
  static Win32AddressWatcher addresses;
  static Win32ServiceHost serviceHost;
  static Win32FileWriter fileWriter;
  static const Platform platform = {&registry,  &eventLog, &byteLock, &files,       &clock,
                                    &console,   &process,  &module,   &lastError,   &sockets,
                                    &heap,      &random,   &environment, &sharedFile, &services,
                                    &children,  &threads,  &addresses, &serviceHost, &fileWriter};
  return platform;
}

}  // namespace kestro
