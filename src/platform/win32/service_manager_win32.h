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
  int Knows(const std::string& service) override;
  void CloseHandle(ServiceHandle handle) override;
  ServiceHandle CreateOwnService(ServiceHandle manager, const std::string& name,
                                 const std::string& displayName,
                                 const std::string& commandLine) override;
  bool Delete(ServiceHandle service) override;
  std::uintptr_t LoadSystemLibrary(const std::string& name) override;
  bool FindChangeConfig2(std::uintptr_t library) override;
  bool ChangeDescription(std::uintptr_t library, ServiceHandle service,
                         const std::string& description) override;
  bool ChangeFailureActions(std::uintptr_t library, ServiceHandle service,
                            std::uint32_t restartDelayMs, std::uint32_t resetSeconds) override;
  void FreeLibrary(std::uintptr_t library) override;
};

}  // namespace kestro
