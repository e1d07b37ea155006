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

}  // namespace

void CheckStagingServer(CheckReport& report) {
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
