#include "platform/posix/systemd_units.h"

#include <cctype>

#include "packaged_unit.h"
#include "platform/service_manager.h"

namespace kestro {
namespace {

const char* const kUnitSuffixes[] = {".service", ".socket", ".device", ".mount", ".automount",
                                     ".swap",    ".target", ".path",   ".timer", ".slice",
                                     ".scope"};

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// '%' starts a specifier anywhere in ExecStart=: a literal one is doubled.
std::string EscapeSpecifiers(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

}  // namespace

std::string UnitName(const std::string& service) {
  for (const char* suffix : kUnitSuffixes) {
    if (EndsWith(service, suffix)) return service;
  }
  return service + ".service";
}

std::vector<std::string> UnitCandidates(const std::string& service) {
  std::vector<std::string> units{UnitName(service)};
  const std::string lower = UnitName(Lower(service));
  if (lower != units[0]) units.push_back(lower);
  return units;
}

std::string CreatedUnitName(const std::string& service) { return UnitName(Lower(service)); }

std::uint32_t ServiceStateOfUnit(const std::string& activeState, const std::string& subState) {
  if (activeState == "active") return kServiceRunning;
  if (activeState == "inactive" || activeState == "failed") return kServiceStopped;
  if (activeState == "activating") {
    return subState == "auto-restart" ? kServiceStopped : kServiceStartPending;
  }
  if (activeState == "reloading") return kServiceStartPending;
  if (activeState == "deactivating") return kServiceStopPending;
  return 0;
}

std::uint32_t ServiceStateOfUnit(const UnitStatus& unit) {
  const std::string& job = unit.jobType;
  if (job == "stop") return kServiceStopPending;
  if (job == "start" || job == "restart" || job == "try-restart" || job == "reload-or-start") {
    return kServiceStartPending;
  }
  const std::uint32_t state = ServiceStateOfUnit(unit.activeState, unit.subState);
  return state == kServiceStopped && unit.oneshotRanToSuccess ? kServiceRunning : state;
}

// The packaged unit, less its comments and its manual page, with the
// description and the command line given.
std::string UnitFileText(const std::string& description, const std::string& commandLine) {
  std::string text;
  const std::string packaged = kPackagedUnit;
  for (std::size_t at = 0; at < packaged.size();) {
    std::size_t end = packaged.find('\n', at);
    end = end == std::string::npos ? packaged.size() : end + 1;
    const std::string line = packaged.substr(at, end - at);
    at = end;
    if (line.rfind("#", 0) == 0 || line.rfind("Documentation=", 0) == 0) continue;
    if (line.rfind("Description=", 0) == 0) {
      text += "Description=" + EscapeSpecifiers(description) + "\n";
    } else if (line.rfind("ExecStart=", 0) == 0) {
      text += "ExecStart=" + EscapeSpecifiers(commandLine) + "\n";
    } else {
      text += line;
    }
  }
  return text;
}

}  // namespace kestro
