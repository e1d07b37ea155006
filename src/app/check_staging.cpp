#include "app/check_staging.h"

#include <vector>

#include "agentconf/agent_setting.h"
#include "log/log_diversion.h"
#include "platform/platform.h"
#include "probe/ipv6_text.h"
#include "probe/probe_address.h"
#include "probe/probe_host.h"

namespace kestro {
namespace {

const char kCantOpen[] = "Can't open file ";

void CheckAddress(CheckReport& report, const std::string& host) {
  Sockets& sockets = *Os().sockets;
  if (sockets.Startup(kWinsockVersion) != 0) {
    report.Problem(kCheckAgent, "WSAStartup failed: " + std::to_string(Os().lastError->Get()));
    return;
  }
  const ProbeAddress target = ResolveProbeAddress(host);
  sockets.Cleanup();
  if (!target.found) {
    report.Problem(kCheckAgent, "Unable to resolve " + host);
  } else if (target.ipv6) {
    report.Fine("Staging server address: " + FormatIpv6(target.ipv6Address) + " (IPv6)");
  } else {
    report.Fine("Staging server address: " + sockets.FormatAddress(target.ipv4) + " (IPv4)");
  }
}

// Run by hand, the check lacks what the service manager gives the service:
// OXLROOT is taken where the service gets it, if nobody else may change it.
void TakeServiceEnvironment(CheckReport& report) {
  Environment& environment = *Os().environment;
  if (!environment.Get(kAgentRootVariable).empty()) return;
  const ServiceVariable from = environment.FromServiceFile(kAgentRootVariable);
  if (from.file.empty()) return;
  const std::string file = "\"" + from.file + "\"";
  if (!from.refusal.empty()) {
    report.Problem(kCheckAgent, "The environment file " + file + " " + from.refusal +
                                    " and was not read: " + kAgentRootVariable + " is not set");
  } else if (from.found) {
    environment.Set(kAgentRootVariable, from.value);
    report.Fine(std::string(kAgentRootVariable) + "=" + from.value + " is taken from " + file +
                ", as the service gets it");
  } else {
    report.Fine(std::string(kAgentRootVariable) + " is set neither here nor in " + file);
  }
}

}  // namespace

void CheckStagingServer(CheckReport& report) {
  TakeServiceEnvironment(report);
  std::vector<std::string> lines;
  DivertLog(&lines);
  const std::string host = LocateStagingServer();
  // Why the file could not be opened, before anything else can change it.
  const std::string why = LastErrorWords();
  DivertLog(nullptr);
  if (!host.empty()) {
    report.Fine("Staging server: " + host + " (from \"" + AgentConfigPath() + "\")");
    CheckAddress(report, host);
    return;
  }
  // One line: a refusal says why by itself; a failed open gets the system's
  // words; else the file has no staging server.
  std::string line = lines.empty() ? "" : lines.front();
  if (line.compare(0, sizeof kCantOpen - 1, kCantOpen) == 0) {
    line = line.substr(0, line.size() - 1) + ": " + why;  // without its full stop
  }
  report.Problem(kCheckAgent, line);
}

}  // namespace kestro
