#pragma once
#include "platform/service_manager.h"

namespace kestro {

// No service manager is reachable in this build yet: opening it fails, which
// the service control treats as nothing to do.
class PosixServiceManager : public ServiceManager {
 public:
  ServiceHandle OpenManager() override { return 0; }
  bool DisplayName(ServiceHandle, const std::string&, std::size_t, std::string*) override {
    return false;
  }
  ServiceHandle OpenNamedService(ServiceHandle, const std::string&) override { return 0; }
  bool QueryState(ServiceHandle, std::uint32_t*) override { return false; }
  bool Start(ServiceHandle) override { return false; }
  bool ControlStop(ServiceHandle) override { return false; }
  void CloseHandle(ServiceHandle) override {}
};

}  // namespace kestro
