#pragma once
#include <cerrno>

#include "platform/service_manager.h"

namespace kestro {

// No service manager is reachable in this build: opening it fails (with
// "Function not implemented" as the last error), which the service control
// treats as nothing to do and installation reports.
class PosixServiceManager : public ServiceManager {
 public:
  ServiceHandle OpenManager() override {
    errno = ENOSYS;
    return 0;
  }
  bool DisplayName(ServiceHandle, const std::string&, std::size_t, std::string*) override {
    return false;
  }
  ServiceHandle OpenNamedService(ServiceHandle, const std::string&) override { return 0; }
  bool QueryState(ServiceHandle, std::uint32_t*) override { return false; }
  bool Start(ServiceHandle) override { return false; }
  bool ControlStop(ServiceHandle) override { return false; }
  void CloseHandle(ServiceHandle) override {}
  ServiceHandle CreateOwnService(ServiceHandle, const std::string&, const std::string&,
                                 const std::string&) override {
    return 0;
  }
  bool Delete(ServiceHandle) override { return false; }
  std::uintptr_t LoadSystemLibrary(const std::string&) override { return 0; }
  bool FindChangeConfig2(std::uintptr_t) override { return false; }
  bool ChangeDescription(std::uintptr_t, ServiceHandle, const std::string&) override { return false; }
  void FreeLibrary(std::uintptr_t) override {}
};

}  // namespace kestro
