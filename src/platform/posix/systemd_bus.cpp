#include "platform/posix/systemd_bus.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "platform/posix/last_error_posix.h"
#include "platform/posix/systemd_units.h"

namespace kestro {
namespace {

const char kManagerPath[] = "/org/freedesktop/systemd1";
const char kManagerInterface[] = "org.freedesktop.systemd1.Manager";

}  // namespace

bool Failed(int result, const sd_bus_error& error) {
  if (result >= 0) return false;
  int code = sd_bus_error_is_set(&error) ? sd_bus_error_get_errno(&error) : -result;
  if (code <= 0) code = EIO;
  const char* message = error.message != nullptr ? error.message : std::strerror(code);
  SetServiceManagerError(code, message);
  return true;
}

// While systemd re-executes itself it is off the bus: a call in flight is
// answered "Message recipient disconnected from message bus without
// replying", and calls then find its name unowned (or, through bus
// activation, a launch helper that fails). It is back within moments.
bool Transient(int result, const sd_bus_error& error) {
  if (result >= 0) return false;
  if (!sd_bus_error_is_set(&error)) return result == -ETIMEDOUT;
  return sd_bus_error_has_names(&error, SD_BUS_ERROR_NO_REPLY, SD_BUS_ERROR_SERVICE_UNKNOWN,
                                SD_BUS_ERROR_NAME_HAS_NO_OWNER, SD_BUS_ERROR_TIMEOUT,
                                "org.freedesktop.DBus.Error.Spawn.ChildExited") != 0;
}

bool Bus::CallManager(const char* method, const char* types, ...) const {
  BusError error;
  va_list args;
  va_start(args, types);
  const int r = Retrying(error, [&](sd_bus_error* e) {
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    int result = sd_bus_message_new_method_call(bus, &call, kSystemdDestination, kManagerPath,
                                                kManagerInterface, method);
    if (result >= 0 && types != nullptr) {
      va_list copy;
      va_copy(copy, args);
      result = sd_bus_message_appendv(call, types, copy);
      va_end(copy);
    }
    if (result >= 0) result = sd_bus_call(bus, call, 0, e, &reply);
    sd_bus_message_unref(call);
    sd_bus_message_unref(reply);
    return result;
  });
  va_end(args);
  return !Failed(r, *error);
}

int Bus::ReadText(const std::string& path, const char* interface, const char* name,
                  BusError& error, std::string* value) const {
  char* text = nullptr;
  const int r = Retrying(error, [&](sd_bus_error* e) {
    return sd_bus_get_property_string(bus, kSystemdDestination, path.c_str(), interface, name, e,
                                      &text);
  });
  if (r >= 0) {
    *value = text;
    std::free(text);
  }
  return r;
}

bool Bus::UnitProperty(const std::string& path, const char* name, std::string* value) const {
  BusError error;
  return !Failed(ReadText(path, kUnitInterface, name, error, value), *error);
}

bool Bus::LoadUnit(const std::string& unit, std::string* path) const {
  BusError error;
  sd_bus_message* reply = nullptr;
  int r = Retrying(error, [&](sd_bus_error* e) {
    sd_bus_message_unref(reply);
    reply = nullptr;
    return sd_bus_call_method(bus, kSystemdDestination, kManagerPath, kManagerInterface,
                              "LoadUnit", e, &reply, "s", unit.c_str());
  });
  const char* object = nullptr;
  if (r >= 0) r = sd_bus_message_read(reply, "o", &object);
  if (r >= 0) *path = object;
  sd_bus_message_unref(reply);
  return !Failed(r, *error);
}

Lookup FindUnit(const Bus& bus, const std::string& service, std::string* unit, std::string* path) {
  for (const std::string& candidate : UnitCandidates(service)) {
    std::string state;
    if (!bus.LoadUnit(candidate, path) || !bus.UnitProperty(*path, "LoadState", &state)) {
      return Lookup::Failed;
    }
    if (state != "not-found") {
      *unit = candidate;
      return Lookup::Found;
    }
  }
  return Lookup::Missing;
}

bool ResolveUnit(const Bus& bus, const std::string& service, std::string* unit,
                 std::string* path) {
  const Lookup found = FindUnit(bus, service, unit, path);
  if (found == Lookup::Missing) {
    SetServiceManagerError(ENOENT, "Unit " + UnitName(service) + " not found.");
  }
  return found == Lookup::Found;
}

}  // namespace kestro
