#pragma once
// The service control manager: the configured services' state.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestro {

using ServiceHandle = std::uintptr_t;

// Service states.
inline constexpr std::uint32_t kServiceStopped = 1;
inline constexpr std::uint32_t kServiceStartPending = 2;
inline constexpr std::uint32_t kServiceStopPending = 3;
inline constexpr std::uint32_t kServiceRunning = 4;

class ServiceManager {
 public:
  virtual ~ServiceManager() = default;
  // OpenSCManagerA on the local active database, SC_MANAGER_ALL_ACCESS; 0 on failure.
  virtual ServiceHandle OpenManager() = 0;
  // GetServiceDisplayNameA into a buffer of `size` characters.
  virtual bool DisplayName(ServiceHandle manager, const std::string& service, std::size_t size,
                           std::string* name) = 0;
  // OpenServiceA with SERVICE_ALL_ACCESS; 0 on failure.
  virtual ServiceHandle OpenNamedService(ServiceHandle manager, const std::string& service) = 0;
  // QueryServiceStatus: the current state.
  virtual bool QueryState(ServiceHandle service, std::uint32_t* state) = 0;
  // StartServiceA without arguments: whether the request was accepted.
  virtual bool Start(ServiceHandle service) = 0;
  // ControlService with SERVICE_CONTROL_STOP: whether the request was accepted.
  virtual bool ControlStop(ServiceHandle service) = 0;
  // A stopped service that the manager is about to start again by itself
  // (systemd restarting a unit after a failure) is kept stopped. Windows
  // has nothing of the kind for a stop request to cancel.
  virtual bool CancelPendingRestart(ServiceHandle) { return true; }
  // CloseServiceHandle.
  virtual void CloseHandle(ServiceHandle handle) = 0;
  // Whether the service manager knows `service`, asked with no more rights
  // than a look-up needs and without opening the service for control: 1
  // known, 0 unknown (no such service, or a name no service can have), -1
  // the manager could not be asked, with the last error saying why.
  virtual int Knows(const std::string& service) = 0;

  // CreateServiceA: SERVICE_ALL_ACCESS, own process, automatic start, normal
  // error control, no group, tag or dependencies, the local system account.
  virtual ServiceHandle CreateOwnService(ServiceHandle manager, const std::string& name,
                                         const std::string& displayName,
                                         const std::string& commandLine) = 0;
  // Whether the service was put in place by something other than
  // CreateOwnService (on systemd, a package's unit file), naming where it is
  // defined. False when that cannot be told (the last error says why).
  // Windows keeps no such record: never elsewhere.
  virtual bool DefinedElsewhere(ServiceHandle, bool* elsewhere, std::string*) {
    *elsewhere = false;
    return true;
  }
  // DeleteService.
  virtual bool Delete(ServiceHandle service) = 0;
  // LoadLibraryA; 0 when the library cannot be loaded.
  virtual std::uintptr_t LoadSystemLibrary(const std::string& name) = 0;
  // GetProcAddress for ChangeServiceConfig2A; false when the library lacks it.
  virtual bool FindChangeConfig2(std::uintptr_t library) = 0;
  // ChangeServiceConfig2A(SERVICE_CONFIG_DESCRIPTION) through the function found.
  virtual bool ChangeDescription(std::uintptr_t library, ServiceHandle service,
                                 const std::string& description) = 0;
  // ChangeServiceConfig2A(SERVICE_CONFIG_FAILURE_ACTIONS) through the function
  // found: a restart `restartDelayMs` after the first and after the second
  // failure, nothing after a third; the count starts again after
  // `resetSeconds` without one. Only called where FindChangeConfig2 found it.
  virtual bool ChangeFailureActions(std::uintptr_t, ServiceHandle, std::uint32_t /*restartDelayMs*/,
                                    std::uint32_t /*resetSeconds*/) {
    return false;
  }
  // FreeLibrary.
  virtual void FreeLibrary(std::uintptr_t library) = 0;
};

}  // namespace kestro
