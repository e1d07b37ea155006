#pragma once
#include "platform/service_manager.h"

namespace kestro {

class Win32ServiceManager : public ServiceManager {
 public:
  ServiceHandle OpenManager() override;
  bool DisplayName(ServiceHandle manager, const std::string& service, std::size_t size,
                   std::string* name) override;
  ServiceHandle OpenNamedService(ServiceHandle manager, const std::string& service) override;
  bool QueryState(ServiceHandle service, std::uint32_t* state) override;
  bool Start(ServiceHandle service) override;
  bool ControlStop(ServiceHandle service) override;
  void CloseHandle(ServiceHandle handle) override;
};

}  // namespace kestro
