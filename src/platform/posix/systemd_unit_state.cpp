#include "platform/posix/systemd_unit_state.h"

#include <time.h>

#include "platform/posix/last_error_posix.h"
#include "platform/posix/systemd_units.h"
#include "platform/service_manager.h"

namespace kestro {
namespace {

// The type of the job queued or running for the unit: empty when there is
// none, or when it ended between the two reads.
bool PendingJob(const UnitHandle& service, std::string* type) {
  BusError error;
  sd_bus_message* reply = nullptr;
  int r = service.bus.Retrying(error, [&](sd_bus_error* e) {
    sd_bus_message_unref(reply);
    reply = nullptr;
    return sd_bus_get_property(service.bus.bus, kSystemdDestination, service.path.c_str(),
                               kUnitInterface, "Job", e, &reply, "(uo)");
  });
  std::uint32_t id = 0;
  const char* job = nullptr;
  if (r >= 0) r = sd_bus_message_read(reply, "(uo)", &id, &job);
  const std::string jobPath = r >= 0 && id != 0 ? job : "";
  sd_bus_message_unref(reply);
  if (Failed(r, *error)) return false;
  type->clear();
  if (jobPath.empty()) return true;
  BusError jobError;
  r = service.bus.ReadText(jobPath, kJobInterface, "JobType", jobError, type);
  if (r < 0 && sd_bus_error_has_name(jobError.get(), SD_BUS_ERROR_UNKNOWN_OBJECT)) return true;
  return !Failed(r, *jobError);
}

// Whether a oneshot unit ran to success after this handle asked it to start:
// such a unit goes back to inactive when its run ends. Any failure to tell
// counts as no.
bool OneshotRanToSuccess(const UnitHandle& service) {
  if (service.startRequestedAt == 0) return false;
  const Bus& bus = service.bus;
  BusError error;
  std::string type, result;
  std::uint64_t inactiveSince = 0;
  return bus.ReadText(service.path, kServiceInterface, "Type", error, &type) >= 0 &&
         type == "oneshot" &&
         bus.ReadText(service.path, kServiceInterface, "Result", error, &result) >= 0 &&
         result == "success" &&
         sd_bus_get_property_trivial(bus.bus, kSystemdDestination, service.path.c_str(),
                                     kUnitInterface, "InactiveEnterTimestampMonotonic",
                                     error.get(), 't', &inactiveSince) >= 0 &&
         inactiveSince > service.startRequestedAt;
}

}  // namespace

std::uint64_t MonotonicMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

// The job first: a job that ends between the reads leaves a state read
// after it, never one older than the job.
bool QueryUnitState(const UnitHandle& service, std::uint32_t* state) {
  UnitStatus unit;
  if (!PendingJob(service, &unit.jobType) ||
      !service.bus.UnitProperty(service.path, "ActiveState", &unit.activeState) ||
      !service.bus.UnitProperty(service.path, "SubState", &unit.subState)) {
    return false;
  }
  if (unit.jobType.empty() &&
      ServiceStateOfUnit(unit.activeState, unit.subState) == kServiceStopped) {
    unit.oneshotRanToSuccess = OneshotRanToSuccess(service);
  }
  *state = ServiceStateOfUnit(unit);
  return true;
}

bool RefuseWhenIn(const UnitHandle& service, std::uint32_t settled, int code, const char* text) {
  std::uint32_t state = 0;
  if (!QueryUnitState(service, &state)) return true;
  if (state != settled) return false;
  SetServiceManagerError(code, "Unit " + service.unit + text);
  return true;
}

bool RequestJob(const UnitHandle& service, const char* method) {
  return service.bus.CallManager(method, "ss", service.unit.c_str(), "replace");
}

}  // namespace kestro
