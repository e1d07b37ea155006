#pragma once
#include <string>

namespace kestro {

// The environment variable that names the agent's folder.
inline constexpr char kAgentRootVariable[] = "OXLROOT";

// The agent's configuration file: the value of "OXLROOT" joined with
// OXL, CONF and OXL.CNF.
std::string AgentConfigPath();

// The value of `key` in section `section` of the agent's configuration file;
// the last one in the file wins. Empty, with a log line, when there is none.
std::string ReadAgentSetting(std::string section, std::string key);

// The staging server's host name: section "PEERHOSTS", key "OXLUILSR".
std::string LocateStagingServer();

}  // namespace kestro
