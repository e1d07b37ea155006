#include "platform/posix/systemd_units.h"

#include <cctype>

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

std::string UnitFileText(const std::string& description, const std::string& commandLine) {
  // KillMode=process: a stop ends this program alone; a command a slot has
  // started, and whatever it left running, is not the service's to end.
  // TimeoutStopSec: a stop waits for the pass under way (see README).
  // The rest confines the service, and the slots' commands with it, to what
  // it needs: the raw ICMP socket, systemd over D-Bus, rtnetlink, its log
  // directory. The packaged unit carries the same lines (README, "Security").
  return "[Unit]\n"
         "Description=" + EscapeSpecifiers(description) + "\n"
         "\n"
         "[Service]\n"
         "Type=notify\n"
         "ExecStart=" + EscapeSpecifiers(commandLine) + "\n"
         "EnvironmentFile=-/etc/default/kestro\n"
         "AmbientCapabilities=CAP_NET_RAW\n"
         "CapabilityBoundingSet=CAP_NET_RAW\n"
         "KillMode=process\n"
         "TimeoutStopSec=600\n"
         "Restart=on-failure\n"
         "LogsDirectory=kestro\n"
         "LogsDirectoryMode=0750\n"
         "ReadWritePaths=-/var/lib/prometheus/node-exporter\n"
         "NoNewPrivileges=yes\n"
         "ProtectSystem=full\n"
         "ProtectHome=read-only\n"
         "PrivateDevices=yes\n"
         "PrivateMounts=yes\n"
         "ProtectKernelTunables=yes\n"
         "ProtectKernelModules=yes\n"
         "ProtectKernelLogs=yes\n"
         "ProtectControlGroups=yes\n"
         "ProtectClock=yes\n"
         "ProtectHostname=yes\n"
         "RestrictNamespaces=yes\n"
         "RestrictRealtime=yes\n"
         "RestrictSUIDSGID=yes\n"
         "LockPersonality=yes\n"
         "RestrictAddressFamilies=AF_UNIX AF_INET AF_INET6 AF_NETLINK\n"
         "SystemCallFilter=@system-service\n"
         "SystemCallErrorNumber=EPERM\n"
         "\n"
         "[Install]\n"
         "WantedBy=multi-user.target\n";
}

}  // namespace kestro
