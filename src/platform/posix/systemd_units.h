#pragma once
// How the service manager's names, states and service entries map onto
// systemd units. Pure functions: no bus, no files.
#include <cstdint>
#include <string>
#include <vector>

namespace kestro {

// Where installation writes the unit file of the program's own service.
inline constexpr char kUnitDirectory[] = "/etc/systemd/system/";

// "NAME" -> "NAME.service"; a name that already ends in a unit type
// (".service", ".socket", ".timer", ...) stays as it is.
std::string UnitName(const std::string& service);

// The units a service name may stand for, in the order they are tried:
// the unit of the name as given, then of its lower-case form when that
// differs. Service names are case-insensitive for the Windows service
// manager, while units are conventionally lower case.
std::vector<std::string> UnitCandidates(const std::string& service);

// The unit of a service this program creates: lower case.
std::string CreatedUnitName(const std::string& service);

// A unit's ActiveState and SubState as one of the four service states:
// active -> running, inactive or failed -> stopped, activating, reloading
// -> start pending, deactivating -> stop pending. A unit waiting to be
// restarted after a failure (activating/auto-restart) is stopped, as a
// crashed Windows service is until its recovery action starts it again.
// 0 for a state this mapping does not know (unsettled for the caller).
std::uint32_t ServiceStateOfUnit(const std::string& activeState, const std::string& subState);

// Everything the state of a unit is read from.
struct UnitStatus {
  std::string activeState;
  std::string subState;
  // JobType of the job queued or running for the unit; empty when none.
  std::string jobType;
  // A oneshot unit (without RemainAfterExit=) that has run to success since
  // the start request of this handle: it is inactive again, having started.
  bool oneshotRanToSuccess = false;
};

// As above, and a pending job comes first: a unit whose start (or restart)
// job waits for a dependency is still inactive but already starting, and one
// whose stop job waits for a dependent to stop is still active but stopping.
std::uint32_t ServiceStateOfUnit(const UnitStatus& unit);

// The text of the unit file: the packaged unit's, with `description` as
// Description= and `commandLine` (the program, quoted when it holds a blank,
// and "-service") as ExecStart=.
std::string UnitFileText(const std::string& description, const std::string& commandLine);

}  // namespace kestro
