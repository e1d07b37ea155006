#pragma once
// systemd's D-Bus API through sd-bus: the calls the service manager makes,
// each tried again while systemd is away re-executing itself. Every failure
// sets the last error, with the bus's own message as its text.
#include <systemd/sd-bus.h>

#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace kestro {

inline constexpr char kSystemdDestination[] = "org.freedesktop.systemd1";
inline constexpr char kUnitInterface[] = "org.freedesktop.systemd1.Unit";
inline constexpr char kServiceInterface[] = "org.freedesktop.systemd1.Service";
inline constexpr char kJobInterface[] = "org.freedesktop.systemd1.Job";

// A call that finds systemd away (re-executing itself for daemon-reexec or
// an upgrade) is tried again this far apart, for this long.
inline constexpr std::uint32_t kBusRetryMs = 250;
inline constexpr std::uint32_t kBusPatienceMs = 10000;

// Makes `call` until it succeeds, fails for good (`transient` says no), or
// the patience is spent; the last result stands. Pauses and deadline are
// the clock's.
template <typename Call, typename Transient>
int RetryWhileAway(Clock& clock, Call call, Transient transient) {
  const std::uint32_t start = clock.TickCount();
  for (;;) {
    const int r = call();
    if (r >= 0 || !transient(r) || clock.TickCount() - start >= kBusPatienceMs) return r;
    clock.SleepMs(kBusRetryMs);
  }
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

// The one place where bus failures become the last error: the errno the
// bus error stands for, with the bus's message as its text. True when
// `result` is a failure.
bool Failed(int result, const sd_bus_error& error);

// Whether a failure is one of systemd being away for a moment.
bool Transient(int result, const sd_bus_error& error);

// One connection to the system bus and the clock its retries wait on.
struct Bus {
  sd_bus* bus = nullptr;
  Clock* clock = nullptr;

  // Makes one bus call (`call` fills the error), again while it fails only
  // because systemd is away.
  template <typename Call>
  int Retrying(BusError& error, Call call) const {
    return RetryWhileAway(
        *clock, [&] { error.Reset(); return call(error.get()); },
        [&](int r) { return Transient(r, *error); });
  }

  // A manager method without a reply that matters; `types` and what
  // follows as for sd_bus_message_append.
  bool CallManager(const char* method, const char* types, ...) const;
  // A text property; `error` receives the bus's answer when it fails.
  int ReadText(const std::string& path, const char* interface, const char* name, BusError& error,
               std::string* value) const;
  bool UnitProperty(const std::string& path, const char* name, std::string* value) const;
  // LoadUnit: the unit's object path, loading it when it is not yet.
  bool LoadUnit(const std::string& unit, std::string* path) const;
};

enum class Lookup { Found, Missing, Failed };

// The first unit the service name stands for that systemd knows.
Lookup FindUnit(const Bus& bus, const std::string& service, std::string* unit, std::string* path);

// As FindUnit; a unit that is missing is an error as well.
bool ResolveUnit(const Bus& bus, const std::string& service, std::string* unit, std::string* path);

}  // namespace kestro
