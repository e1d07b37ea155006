#include "platform/posix/service_manager_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/posix/last_error_posix.h"
#include "platform/posix/systemd_units.h"

namespace kestro {
namespace {

const char kDestination[] = "org.freedesktop.systemd1";
const char kManagerPath[] = "/org/freedesktop/systemd1";
const char kManagerInterface[] = "org.freedesktop.systemd1.Manager";
const char kUnitInterface[] = "org.freedesktop.systemd1.Unit";
const char kServiceInterface[] = "org.freedesktop.systemd1.Service";
const char kJobInterface[] = "org.freedesktop.systemd1.Job";

// A call that finds systemd away (re-executing itself for daemon-reexec or
// an upgrade) is tried again this far apart, for this long.
constexpr long kBusRetryMs = 250;
constexpr std::uint64_t kBusPatienceUs = 10000000;

// A manager handle is a bus connection; a service handle the same
// connection with one unit and its object path, and when this handle asked
// the unit to start (CLOCK_MONOTONIC, microseconds, as systemd stamps units).
struct Handle {
  sd_bus* bus = nullptr;
  std::string unit;
  std::string path;
  std::uint64_t startRequestedAt = 0;
};

Handle* FromHandle(ServiceHandle handle) { return reinterpret_cast<Handle*>(handle); }
ServiceHandle ToHandle(Handle* handle) { return reinterpret_cast<ServiceHandle>(handle); }

std::uint64_t MonotonicMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

// The one place where bus failures become the last error: the errno the
// bus error stands for, with the bus's message as its text.
bool Failed(int result, const sd_bus_error& error) {
  if (result >= 0) return false;
  int code = sd_bus_error_is_set(&error) ? sd_bus_error_get_errno(&error) : -result;
  if (code <= 0) code = EIO;
  const char* message = error.message != nullptr ? error.message : std::strerror(code);
  SetServiceManagerError(code, message);
  return true;
}

class BusError {
 public:
  ~BusError() { sd_bus_error_free(&error_); }
  sd_bus_error* get() { return &error_; }
  const sd_bus_error& operator*() const { return error_; }
  void Reset() { sd_bus_error_free(&error_); }

 private:
  sd_bus_error error_ = SD_BUS_ERROR_NULL;
};

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

// Makes one bus call (`call` fills the error), again while it fails only
// because systemd is away; the last failure stands.
template <typename Call>
int Retrying(BusError& error, Call call) {
  const std::uint64_t start = MonotonicMicroseconds();
  for (;;) {
    const int r = call(error.get());
    if (r >= 0 || !Transient(r, *error) || MonotonicMicroseconds() - start >= kBusPatienceUs) {
      return r;
    }
    error.Reset();
    const timespec pause{0, kBusRetryMs * 1000000L};
    nanosleep(&pause, nullptr);
  }
}

// A manager method without a reply that matters.
bool CallManager(sd_bus* bus, const char* method, const char* types, ...) {
  BusError error;
  va_list args;
  va_start(args, types);
  const int r = Retrying(error, [&](sd_bus_error* e) {
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    int result = sd_bus_message_new_method_call(bus, &call, kDestination, kManagerPath,
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

// A text property; `error` receives the bus's answer when it fails.
int ReadText(sd_bus* bus, const std::string& path, const char* interface, const char* name,
             BusError& error, std::string* value) {
  char* text = nullptr;
  const int r = Retrying(error, [&](sd_bus_error* e) {
    return sd_bus_get_property_string(bus, kDestination, path.c_str(), interface, name, e, &text);
  });
  if (r >= 0) {
    *value = text;
    std::free(text);
  }
  return r;
}

bool UnitProperty(sd_bus* bus, const std::string& path, const char* name, std::string* value) {
  BusError error;
  return !Failed(ReadText(bus, path, kUnitInterface, name, error, value), *error);
}

// LoadUnit: the unit's object path, loading it when it is not yet.
bool LoadUnit(sd_bus* bus, const std::string& unit, std::string* path) {
  BusError error;
  sd_bus_message* reply = nullptr;
  int r = Retrying(error, [&](sd_bus_error* e) {
    return sd_bus_call_method(bus, kDestination, kManagerPath, kManagerInterface, "LoadUnit", e,
                              &reply, "s", unit.c_str());
  });
  const char* object = nullptr;
  if (r >= 0) r = sd_bus_message_read(reply, "o", &object);
  if (r >= 0) *path = object;
  sd_bus_message_unref(reply);
  return !Failed(r, *error);
}

enum class Lookup { Found, Missing, Failed };

// The first unit the service name stands for that systemd knows.
Lookup FindUnit(sd_bus* bus, const std::string& service, std::string* unit, std::string* path) {
  for (const std::string& candidate : UnitCandidates(service)) {
    std::string state;
    if (!LoadUnit(bus, candidate, path) || !UnitProperty(bus, *path, "LoadState", &state)) {
      return Lookup::Failed;
    }
    if (state != "not-found") {
      *unit = candidate;
      return Lookup::Found;
    }
  }
  return Lookup::Missing;
}

bool ResolveUnit(sd_bus* bus, const std::string& service, std::string* unit, std::string* path) {
  const Lookup found = FindUnit(bus, service, unit, path);
  if (found == Lookup::Missing) {
    SetServiceManagerError(ENOENT, "Unit " + UnitName(service) + " not found.");
  }
  return found == Lookup::Found;
}

// The type of the job queued or running for the unit: empty when there is
// none, or when it ended between the two reads.
bool PendingJob(const Handle& service, std::string* type) {
  BusError error;
  sd_bus_message* reply = nullptr;
  int r = Retrying(error, [&](sd_bus_error* e) {
    sd_bus_message_unref(reply);
    reply = nullptr;
    return sd_bus_get_property(service.bus, kDestination, service.path.c_str(), kUnitInterface,
                               "Job", e, &reply, "(uo)");
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
  r = ReadText(service.bus, jobPath, kJobInterface, "JobType", jobError, type);
  if (r < 0 && sd_bus_error_has_name(jobError.get(), SD_BUS_ERROR_UNKNOWN_OBJECT)) return true;
  return !Failed(r, *jobError);
}

// Whether a oneshot unit ran to success after this handle asked it to start:
// such a unit goes back to inactive when its run ends. Any failure to tell
// counts as no.
bool OneshotRanToSuccess(const Handle& service) {
  if (service.startRequestedAt == 0) return false;
  BusError error;
  std::string type, result;
  std::uint64_t inactiveSince = 0;
  return ReadText(service.bus, service.path, kServiceInterface, "Type", error, &type) >= 0 &&
         type == "oneshot" &&
         ReadText(service.bus, service.path, kServiceInterface, "Result", error, &result) >= 0 &&
         result == "success" &&
         sd_bus_get_property_trivial(service.bus, kDestination, service.path.c_str(),
                                     kUnitInterface, "InactiveEnterTimestampMonotonic",
                                     error.get(), 't', &inactiveSince) >= 0 &&
         inactiveSince > service.startRequestedAt;
}

// The job first: a job that ends between the reads leaves a state read
// after it, never one older than the job.
bool QueryUnitState(const Handle& service, std::uint32_t* state) {
  UnitStatus unit;
  if (!PendingJob(service, &unit.jobType) ||
      !UnitProperty(service.bus, service.path, "ActiveState", &unit.activeState) ||
      !UnitProperty(service.bus, service.path, "SubState", &unit.subState)) {
    return false;
  }
  if (unit.jobType.empty() &&
      ServiceStateOfUnit(unit.activeState, unit.subState) == kServiceStopped) {
    unit.oneshotRanToSuccess = OneshotRanToSuccess(service);
  }
  *state = ServiceStateOfUnit(unit);
  return true;
}

// A request systemd would take but the Windows service manager refuses:
// the unit is already where the request would bring it.
bool RefuseWhenIn(const Handle& service, std::uint32_t settled, int code, const char* text) {
  std::uint32_t state = 0;
  if (!QueryUnitState(service, &state)) return true;
  if (state != settled) return false;
  SetServiceManagerError(code, "Unit " + service.unit + text);
  return true;
}

bool RequestJob(const Handle& service, const char* method) {
  return CallManager(service.bus, method, "ss", service.unit.c_str(), "replace");
}

// Removes what a failed installation wrote, keeping the error of the step
// that failed.
void UndoUnitFile(sd_bus* bus, const std::string& file, bool reload) {
  const int code = errno;
  std::string text;
  PosixLastError().SystemMessage(static_cast<std::uint32_t>(code), &text);
  unlink(file.c_str());
  if (reload) CallManager(bus, "Reload", nullptr);
  SetServiceManagerError(code, text);
}

bool WriteUnitFile(const std::string& file, const std::string& text) {
  const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    const int code = errno;
    SetServiceManagerError(code, code == EEXIST ? "Unit file " + file + " already exists."
                                                : file + ": " + std::strerror(code));
    return false;
  }
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int code = errno;
      close(fd);
      unlink(file.c_str());
      SetServiceManagerError(code, file + ": " + std::strerror(code));
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (close(fd) != 0) {
    const int code = errno;
    unlink(file.c_str());
    SetServiceManagerError(code, file + ": " + std::strerror(code));
    return false;
  }
  return true;
}

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
  return ToHandle(new Handle{bus, "", ""});
}

bool PosixServiceManager::DisplayName(ServiceHandle manager, const std::string& service,
                                      std::size_t size, std::string* name) {
  sd_bus* bus = FromHandle(manager)->bus;
  std::string unit, path, description;
  if (!ResolveUnit(bus, service, &unit, &path) ||
      !UnitProperty(bus, path, "Description", &description)) {
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
  sd_bus* bus = FromHandle(manager)->bus;
  std::string unit, path;
  if (!ResolveUnit(bus, service, &unit, &path)) return 0;
  return ToHandle(new Handle{sd_bus_ref(bus), unit, path});
}

bool PosixServiceManager::QueryState(ServiceHandle service, std::uint32_t* state) {
  return QueryUnitState(*FromHandle(service), state);
}

bool PosixServiceManager::Start(ServiceHandle handle) {
  Handle& service = *FromHandle(handle);
  if (RefuseWhenIn(service, kServiceRunning, EALREADY, " is already active.")) return false;
  // A oneshot unit is unloaded once its run has ended, and with it the
  // result and the time of that end; a reference of this connection keeps
  // it until the handle is closed. Without one, the run reads as not started.
  CallManager(service.bus, "RefUnit", "s", service.unit.c_str());
  service.startRequestedAt = MonotonicMicroseconds();
  return RequestJob(service, "StartUnit");
}

bool PosixServiceManager::ControlStop(ServiceHandle handle) {
  const Handle& service = *FromHandle(handle);
  if (RefuseWhenIn(service, kServiceStopped, ESRCH, " is not active.")) return false;
  return RequestJob(service, "StopUnit");
}

// A unit waiting to be restarted after a failure counts as stopped, but
// systemd would start it again moments later: a stop request cancels that.
bool PosixServiceManager::CancelPendingRestart(ServiceHandle handle) {
  const Handle& service = *FromHandle(handle);
  std::string active, sub;
  if (!UnitProperty(service.bus, service.path, "ActiveState", &active) ||
      !UnitProperty(service.bus, service.path, "SubState", &sub)) {
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
  Handle* h = FromHandle(handle);
  if (h == nullptr) return;
  sd_bus_unref(h->bus);
  delete h;
  ForgetServiceManagerError();
}

ServiceHandle PosixServiceManager::CreateOwnService(ServiceHandle manager,
                                                    const std::string& name,
                                                    const std::string& displayName,
                                                    const std::string& commandLine) {
  sd_bus* bus = FromHandle(manager)->bus;
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
  if (!CallManager(bus, "Reload", nullptr)) {
    UndoUnitFile(bus, file, false);
    return 0;
  }
  if (!CallManager(bus, "EnableUnitFiles", "asbb", 1, unit.c_str(), 0, 0) ||
      !LoadUnit(bus, unit, &path)) {
    UndoUnitFile(bus, file, true);
    return 0;
  }
  return ToHandle(new Handle{sd_bus_ref(bus), unit, path});
}

// Only the unit file installation writes is installation's to remove: a
// unit from elsewhere (a package's under /usr/lib/systemd/system, an
// administrator's link or mask) belongs to whoever put it there.
bool PosixServiceManager::DefinedElsewhere(ServiceHandle handle, std::string* origin) {
  const Handle& service = *FromHandle(handle);
  std::string fragment;
  if (!UnitProperty(service.bus, service.path, "FragmentPath", &fragment)) return false;
  struct stat st;
  if (fragment == kUnitDirectory + service.unit && lstat(fragment.c_str(), &st) == 0 &&
      S_ISREG(st.st_mode)) {
    return false;
  }
  *origin = fragment.empty() ? service.unit : fragment;
  return true;
}

bool PosixServiceManager::Delete(ServiceHandle handle) {
  const Handle& service = *FromHandle(handle);
  if (!CallManager(service.bus, "DisableUnitFiles", "asb", 1, service.unit.c_str(), 0)) {
    return false;
  }
  const std::string file = kUnitDirectory + service.unit;
  if (unlink(file.c_str()) != 0) {
    const int code = errno;
    SetServiceManagerError(code, file + ": " + std::strerror(code));
    return false;
  }
  return CallManager(service.bus, "Reload", nullptr);
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
