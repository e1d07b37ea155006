#include "app/service_install.h"

#include <cstdio>

#include "app/service_mode.h"
#include "log/last_error_text.h"
#include "platform/platform.h"
#include "platform/service_manager.h"

namespace kestro {
namespace {

constexpr std::size_t kInstallPathSize = 500;
constexpr std::uint32_t kTypesSupported = 7;  // error, warning, information
// The entries' one category (956) is a message of the program itself, so
// that Event Viewer can name it.
constexpr std::uint32_t kCategoryCount = 1;
// Recovery after a crash: restarted a minute later, twice; after a third
// crash within a day it stays stopped for someone to look at.
constexpr std::uint32_t kRestartDelayMs = 60 * 1000;
constexpr std::uint32_t kFailureResetSeconds = 24 * 60 * 60;

void Print(const std::string& text) {
  Os().console->Write(Stream::Output, text);
  Os().console->Flush(Stream::Output);
}

std::string LastErrorText() {
  char text[256];
  return GetLastErrorText(text, sizeof text);
}

// Sets the description and the recovery actions through ChangeServiceConfig2A
// where the system has it, else writes the display name as the description.
// Returns 0 or 8.
int DescribeService(ServiceHandle service) {
  ServiceManager& scm = *Os().services;
  const std::uintptr_t library = scm.LoadSystemLibrary("ADVAPI32.DLL");
  if (library != 0 && scm.FindChangeConfig2(library)) {
    const bool described = scm.ChangeDescription(library, service, kServiceDescription);
    if (!described) Print("ChangeServiceConfig2 failed - " + LastErrorText() + "\n");
    // Not a reason to call the installation failed, nor one for its code.
    if (!scm.ChangeFailureActions(library, service, kRestartDelayMs, kFailureResetSeconds))
      Print("Setting the recovery actions failed - " + LastErrorText() + "\n");
    scm.FreeLibrary(library);
    return described ? 0 : 8;
  }
  if (library != 0) scm.FreeLibrary(library);
  WriteServiceDescription(kServiceName, kServiceDisplayName);
  return 0;
}

}  // namespace

std::string ServiceCommandLine(const std::string& programPath) {
  // Unquoted, a path with blanks lets the service manager try every prefix
  // ending at a blank as a program (C:\Program.exe first).
  const bool blank = programPath.find(' ') != std::string::npos;
  return (blank ? "\"" + programPath + "\"" : programPath) + " -service";
}

int InstallService() {
  Module& module = *Os().module;
  std::string path;
  if (!module.ModuleFileName(module.ProgramModule(), kInstallPathSize, &path)) {
    Print(std::string("Unable to install ") + kServiceDisplayName + " - " + LastErrorText() + "\n");
    return 1;
  }

  Registry& registry = *Os().registry;
  RegKey key = 0;
  long error = registry.CreateKeyEx(kEventSourceKey, &key);
  if (error != 0) {
    Print("RegCreateKeyEx failed: " + std::to_string(error) + "\n");
    Os().process->Exit(1);
  }
  error = registry.SetText(key, "EventMessageFile", path, true);
  if (error == 0) error = registry.SetDword(key, "TypesSupported", kTypesSupported);
  if (error == 0) error = registry.SetText(key, "CategoryMessageFile", path, true);
  if (error == 0) error = registry.SetDword(key, "CategoryCount", kCategoryCount);
  registry.CloseKey(key);
  if (error != 0) {
    Print("RegSetValueEx failed: " + std::to_string(error) + "\n");
    Os().process->Exit(1);
  }

  const std::string commandLine = ServiceCommandLine(path);
  ServiceManager& scm = *Os().services;
  const ServiceHandle manager = scm.OpenManager();
  if (manager == 0) {
    Print("OpenSCManager failed - " + LastErrorText() + "\n");
    return 4;
  }
  const ServiceHandle service =
      scm.CreateOwnService(manager, kServiceName, kServiceDisplayName, commandLine);
  if (service == 0) {
    Print("CreateService failed - " + LastErrorText() + "\n");
    scm.CloseHandle(manager);
    return 2;
  }
  const int result = DescribeService(service);
  Print(std::string(kServiceDisplayName) + " installed.\n");
  scm.CloseHandle(service);
  scm.CloseHandle(manager);
  return result;
}

void WriteServiceDescription(const std::string& name, const std::string& text) {
  Registry& registry = *Os().registry;
  RegKey key = 0;
  if (registry.CreateKey("SYSTEM\\CurrentControlSet\\Services\\" + name, &key) != 0) return;
  registry.SetText(key, "Description", text, false);
  registry.CloseKey(key);
}

int RemoveService() {
  ServiceManager& scm = *Os().services;
  const ServiceHandle manager = scm.OpenManager();
  if (manager == 0) {
    Print("OpenSCManager failed - " + LastErrorText() + "\n");
    return 4;
  }
  const ServiceHandle service = scm.OpenNamedService(manager, kServiceName);
  if (service == 0) {
    Print("OpenService failed - " + LastErrorText() + "\n");
    scm.CloseHandle(manager);
    return 2;
  }
  // A service installed otherwise (a package) is left as it is, running or not.
  // Where that cannot be told, nothing is touched either: the manager did
  // not answer what it was asked, as when it cannot be reached.
  std::string origin;
  bool elsewhere = true;
  const bool told = scm.DefinedElsewhere(service, &elsewhere, &origin);
  if (!told || elsewhere) {
    Print(told ? std::string(kServiceDisplayName) + " was not installed by -installservice (" +
                     origin + "): nothing was removed.\n"
               : "Finding where the service is defined failed - " + LastErrorText() +
                     ": nothing was removed.\n");
    scm.CloseHandle(service);
    scm.CloseHandle(manager);
    return told ? kRemoveNotOurs : 4;
  }
  if (scm.ControlStop(service)) {
    // No limit: removal waits as long as the service says it is stopping.
    Print(std::string("Stopping ") + kServiceDisplayName + ".");
    Os().clock->SleepMs(1000);
    std::uint32_t state = kServiceStopPending;
    while (scm.QueryState(service, &state) && state == kServiceStopPending) {
      Print(".");
      Os().clock->SleepMs(1000);
    }
    Print(std::string("\n") + kServiceDisplayName +
          (state == kServiceStopped ? " stopped.\n" : " failed to stop.\n"));
  }
  int result = 0;
  if (scm.Delete(service)) {
    Print(std::string(kServiceDisplayName) + " removed.\n");
  } else {
    Print("DeleteService failed - " + LastErrorText() + "\n");
    result = 1;
  }
  scm.CloseHandle(service);
  scm.CloseHandle(manager);
  return result;
}

}  // namespace kestro
