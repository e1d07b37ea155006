#pragma once
// The service manager, scripted.
#include <deque>

#include "fakes/fault_plan.h"
#include "platform/service_manager.h"

namespace kestro::testing {

struct FakeService {
  std::string displayName;
  // States answered by successive queries; the last one repeats.
  std::deque<std::uint32_t> states{kServiceStopped};
  bool acceptStart = true;
  bool acceptStop = true;
  // States that follow an accepted start or stop request.
  std::deque<std::uint32_t> afterStart{kServiceStartPending, kServiceRunning};
  std::deque<std::uint32_t> afterStop{kServiceStopPending, kServiceStopped};
  int queries = 0;
  int restartsCancelled = 0;
  // Where the service is defined when installation did not create it.
  std::string definedElsewhere;
};

// Calls: OpenSCManagerA, GetServiceDisplayNameA, OpenServiceA,
// QueryServiceStatus, StartServiceA, ControlService, CloseServiceHandle.
class FakeServiceManager : public ServiceManager {
 public:
  explicit FakeServiceManager(FaultPlan& plan) : plan_(plan) {}
  std::map<std::string, FakeService> services;
  int open = 0;

  ServiceHandle OpenManager() override {
    if (plan_.Enter("OpenSCManagerA")) return 0;
    ++open;
    return 1;
  }
  bool DisplayName(ServiceHandle, const std::string& service, std::size_t size,
                   std::string* name) override {
    if (plan_.Enter("GetServiceDisplayNameA")) return false;
    auto s = services.find(service);
    if (s == services.end() || s->second.displayName.size() >= size) return false;
    *name = s->second.displayName;
    return true;
  }
  ServiceHandle OpenNamedService(ServiceHandle, const std::string& service) override {
    if (plan_.Enter("OpenServiceA") || !services.count(service)) return 0;
    ++open;
    handles_[next_] = service;
    return next_++;
  }
  bool QueryState(ServiceHandle handle, std::uint32_t* state) override {
    if (plan_.Enter("QueryServiceStatus")) return false;
    FakeService& s = services.at(handles_.at(handle));
    ++s.queries;
    *state = s.states.front();
    if (s.states.size() > 1) s.states.pop_front();
    return true;
  }
  bool Start(ServiceHandle handle) override {
    if (plan_.Enter("StartServiceA")) return false;
    FakeService& s = services.at(handles_.at(handle));
    if (!s.acceptStart || s.states.front() != kServiceStopped) return false;
    s.states = s.afterStart;
    return true;
  }
  bool ControlStop(ServiceHandle handle) override {
    if (plan_.Enter("ControlService")) return false;
    FakeService& s = services.at(handles_.at(handle));
    if (!s.acceptStop || s.states.front() == kServiceStopped) return false;
    s.states = s.afterStop;
    return true;
  }
  bool CancelPendingRestart(ServiceHandle handle) override {
    if (plan_.Enter("CancelPendingRestart")) return false;
    ++services.at(handles_.at(handle)).restartsCancelled;
    return true;
  }
  bool DefinedElsewhere(ServiceHandle handle, bool* elsewhere, std::string* origin) override {
    if (plan_.Enter("DefinedElsewhere")) return false;
    *origin = services.at(handles_.at(handle)).definedElsewhere;
    *elsewhere = !origin->empty();
    return true;
  }
  // A service known only as a name; -1 when asking fails, with this last error.
  std::uint32_t lookUpError = 0;
  int Knows(const std::string& service) override {
    if (plan_.Enter("OpenServiceA")) return -1;
    return lookUpError != 0 ? -1 : services.count(service) ? 1 : 0;
  }
  void CloseHandle(ServiceHandle handle) override {
    plan_.Enter("CloseServiceHandle");
    handles_.erase(handle);
    --open;
  }

  // Installation: what was created, and whether the description call exists.
  struct Created {
    std::string displayName;
    std::string commandLine;
    std::string description;
    std::string recovery;  // restart delay, reset period
  };
  std::map<std::string, Created> created;
  bool hasChangeConfig2 = true;
  int librariesLoaded = 0;

  ServiceHandle CreateOwnService(ServiceHandle, const std::string& name,
                                 const std::string& displayName,
                                 const std::string& commandLine) override {
    if (plan_.Enter("CreateServiceA") || services.count(name)) return 0;
    FakeService s;
    s.displayName = displayName;
    services[name] = s;
    created[name] = {displayName, commandLine, "", ""};
    ++open;
    handles_[next_] = name;
    return next_++;
  }
  bool Delete(ServiceHandle handle) override {
    if (plan_.Enter("DeleteService")) return false;
    const std::string name = handles_.at(handle);
    services.erase(name);
    created.erase(name);
    return true;
  }
  std::uintptr_t LoadSystemLibrary(const std::string&) override {
    if (plan_.Enter("LoadLibraryA")) return 0;
    ++librariesLoaded;
    return 77;
  }
  bool FindChangeConfig2(std::uintptr_t) override {
    return !plan_.Enter("GetProcAddress") && hasChangeConfig2;
  }
  bool ChangeDescription(std::uintptr_t, ServiceHandle handle, const std::string& text) override {
    if (plan_.Enter("ChangeServiceConfig2A")) return false;
    created[handles_.at(handle)].description = text;
    return true;
  }
  bool ChangeFailureActions(std::uintptr_t, ServiceHandle handle, std::uint32_t delayMs,
                            std::uint32_t resetSeconds) override {
    if (plan_.Enter("ChangeServiceConfig2A")) return false;
    created[handles_.at(handle)].recovery =
        std::to_string(delayMs) + "ms," + std::to_string(resetSeconds) + "s";
    return true;
  }
  void FreeLibrary(std::uintptr_t) override {
    plan_.Enter("FreeLibrary");
    --librariesLoaded;
  }

 private:
  FaultPlan& plan_;
  std::map<ServiceHandle, std::string> handles_;
  ServiceHandle next_ = 10;
};

}  // namespace kestro::testing
