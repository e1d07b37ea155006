#include "platform/posix/service_manager_posix.h"

#include <cerrno>
#include <cstring>

#include "platform/posix/last_error_posix.h"
#include "platform/posix/systemd_unit_file.h"
#include "platform/posix/systemd_unit_state.h"
#include "platform/posix/systemd_units.h"

namespace kestro {
namespace {

// A manager handle is a bus connection; a service handle the same
// connection with one unit.
UnitHandle* FromHandle(ServiceHandle handle) { return reinterpret_cast<UnitHandle*>(handle); }
ServiceHandle ToHandle(UnitHandle* handle) { return reinterpret_cast<ServiceHandle>(handle); }

}  // namespace

ServiceHandle PosixServiceManager::OpenManager() {
  sd_bus* bus = nullptr;
  const int r = sd_bus_open_system(&bus);
  if (r < 0) {
    // No socket at all means no bus listening: say so as a refused socket would.
    const int code = r == -ENOENT ? ECONNREFUSED : -r;
    SetServiceManagerError(code, std::strerror(code));
    return 0;
  }
  return ToHandle(new UnitHandle{{bus, &clock_}, "", ""});
}

bool PosixServiceManager::DisplayName(ServiceHandle manager, const std::string& service,
                                      std::size_t size, std::string* name) {
  const Bus& bus = FromHandle(manager)->bus;
  std::string unit, path, description;
  if (!ResolveUnit(bus, service, &unit, &path) ||
      !bus.UnitProperty(path, "Description", &description)) {
    return false;
  }
  if (description.size() >= size) {
    SetServiceManagerError(ENOBUFS, std::strerror(ENOBUFS));
    return false;
  }
  *name = description;
  return true;
}

ServiceHandle PosixServiceManager::OpenNamedService(ServiceHandle manager,
                                                    const std::string& service) {
  const Bus& bus = FromHandle(manager)->bus;
  std::string unit, path;
  if (!ResolveUnit(bus, service, &unit, &path)) return 0;
  return ToHandle(new UnitHandle{{sd_bus_ref(bus.bus), &clock_}, unit, path});
}

bool PosixServiceManager::QueryState(ServiceHandle service, std::uint32_t* state) {
  return QueryUnitState(*FromHandle(service), state);
}

bool PosixServiceManager::Start(ServiceHandle handle) {
  UnitHandle& service = *FromHandle(handle);
  if (RefuseWhenIn(service, kServiceRunning, EALREADY, " is already active.")) return false;
  // A oneshot unit is unloaded once its run has ended, and with it the
  // result and the time of that end; a reference of this connection keeps
  // it until the handle is closed. Without one, the run reads as not started.
  if (!service.bus.CallManager("RefUnit", "s", service.unit.c_str())) return false;
  // The time is taken before the request (a quick run may end before the
  // answer comes) and counts only once the request was taken.
  const std::uint64_t requestedAt = MonotonicMicroseconds();
  if (!RequestJob(service, "StartUnit")) return false;
  service.startRequestedAt = requestedAt;
  return true;
}

bool PosixServiceManager::ControlStop(ServiceHandle handle) {
  const UnitHandle& service = *FromHandle(handle);
  if (RefuseWhenIn(service, kServiceStopped, ESRCH, " is not active.")) return false;
  return RequestJob(service, "StopUnit");
}

// A unit waiting to be restarted after a failure counts as stopped, but
// systemd would start it again moments later: a stop request cancels that.
bool PosixServiceManager::CancelPendingRestart(ServiceHandle handle) {
  const UnitHandle& service = *FromHandle(handle);
  std::string active, sub;
  if (!service.bus.UnitProperty(service.path, "ActiveState", &active) ||
      !service.bus.UnitProperty(service.path, "SubState", &sub)) {
    return false;
  }
  return active != "activating" || sub != "auto-restart" || RequestJob(service, "StopUnit");
}

int PosixServiceManager::Knows(const std::string& service) {
  const ServiceHandle manager = OpenManager();
  if (manager == 0) return -1;
  std::string unit, path;
  const Lookup found = FindUnit(FromHandle(manager)->bus, service, &unit, &path);
  const int code = errno;
  std::string message;
  PosixLastError().SystemMessage(static_cast<std::uint32_t>(code), &message);
  CloseHandle(manager);
  if (found == Lookup::Failed) {
    // A name that makes no unit name (odd bytes, a slash) names no service.
    if (code == EINVAL) return 0;
    SetServiceManagerError(code, message);
    return -1;
  }
  return found == Lookup::Found ? 1 : 0;
}

void PosixServiceManager::CloseHandle(ServiceHandle handle) {
  UnitHandle* h = FromHandle(handle);
  if (h == nullptr) return;
  sd_bus_unref(h->bus.bus);
  delete h;
  ForgetServiceManagerError();
}

ServiceHandle PosixServiceManager::CreateOwnService(ServiceHandle manager,
                                                    const std::string& name,
                                                    const std::string& displayName,
                                                    const std::string& commandLine) {
  const Bus& bus = FromHandle(manager)->bus;
  std::string unit, path;
  const Lookup existing = FindUnit(bus, name, &unit, &path);
  if (existing == Lookup::Failed) return 0;
  if (existing == Lookup::Found) {
    SetServiceManagerError(EEXIST, "Unit " + unit + " already exists.");
    return 0;
  }
  unit = CreatedUnitName(name);
  const std::string file = kUnitDirectory + unit;
  if (!WriteUnitFile(file, UnitFileText(displayName, commandLine))) return 0;
  if (!bus.CallManager("Reload", nullptr)) {
    UndoUnitFile(bus, file, false);
    return 0;
  }
  if (!bus.CallManager("EnableUnitFiles", "asbb", 1, unit.c_str(), 0, 0) ||
      !bus.LoadUnit(unit, &path)) {
    UndoUnitFile(bus, file, true);
    return 0;
  }
  return ToHandle(new UnitHandle{{sd_bus_ref(bus.bus), &clock_}, unit, path});
}

bool PosixServiceManager::DefinedElsewhere(ServiceHandle handle, bool* elsewhere,
                                           std::string* origin) {
  const UnitHandle& service = *FromHandle(handle);
  return UnitDefinedElsewhere(service.bus, service.path, service.unit,
                              kUnitDirectory + service.unit, elsewhere, origin);
}

bool PosixServiceManager::Delete(ServiceHandle handle) {
  const UnitHandle& service = *FromHandle(handle);
  return service.bus.CallManager("DisableUnitFiles", "asb", 1, service.unit.c_str(), 0) &&
         RemoveUnitFile(kUnitDirectory + service.unit) &&
         service.bus.CallManager("Reload", nullptr);
}

// The description is written with the unit file; there is no library to load.
std::uintptr_t PosixServiceManager::LoadSystemLibrary(const std::string&) {
  errno = ENOENT;
  return 0;
}
bool PosixServiceManager::FindChangeConfig2(std::uintptr_t) { return false; }
bool PosixServiceManager::ChangeDescription(std::uintptr_t, ServiceHandle, const std::string&) {
  return false;
}
void PosixServiceManager::FreeLibrary(std::uintptr_t) {}

}  // namespace kestro
