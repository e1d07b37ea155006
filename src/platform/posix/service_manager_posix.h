#pragma once
#include "platform/clock.h"
#include "platform/service_manager.h"

namespace kestro {

// The service manager is systemd, reached over the system bus with sd-bus.
// A service name stands for a unit (systemd_units.h). The manager handle is
// one bus connection; a service handle is one unit on it. Every failure
// sets the last error, with the manager's own message as its text.
//
// What the Windows service manager does by itself is done here:
// - a start request to a running unit, or a stop request to a stopped one,
//   is refused, as the Windows service manager refuses it;
// - creating the service writes its unit file, reloads the manager and
//   enables the unit; the description is the unit file's Description=, so
//   there is no ChangeServiceConfig2A (the library cannot be loaded);
// - deleting it disables the unit, deletes the file and reloads.
// A unit's state counts its pending job, and calls that find systemd
// re-executing itself are tried again for a while, waiting on `clock`.
class PosixServiceManager : public ServiceManager {
 public:
  explicit PosixServiceManager(Clock& clock) : clock_(clock) {}
  ServiceHandle OpenManager() override;
  bool DisplayName(ServiceHandle manager, const std::string& service, std::size_t size,
                   std::string* name) override;
  ServiceHandle OpenNamedService(ServiceHandle manager, const std::string& service) override;
  bool QueryState(ServiceHandle service, std::uint32_t* state) override;
  bool Start(ServiceHandle service) override;
  bool ControlStop(ServiceHandle service) override;
  bool CancelPendingRestart(ServiceHandle service) override;
  int Knows(const std::string& service) override;
  void CloseHandle(ServiceHandle handle) override;
  ServiceHandle CreateOwnService(ServiceHandle manager, const std::string& name,
                                 const std::string& displayName,
                                 const std::string& commandLine) override;
  bool DefinedElsewhere(ServiceHandle service, bool* elsewhere, std::string* origin) override;
  bool Delete(ServiceHandle service) override;
  std::uintptr_t LoadSystemLibrary(const std::string& name) override;
  bool FindChangeConfig2(std::uintptr_t library) override;
  bool ChangeDescription(std::uintptr_t library, ServiceHandle service,
                         const std::string& description) override;
  void FreeLibrary(std::uintptr_t library) override;

 private:
  Clock& clock_;
};

}  // namespace kestro
