#include "agentconf/agent_setting.h"

#include <boost/regex.hpp>

#include "agentconf/line_reader.h"
#include "log/write_log.h"
#include "platform/host.h"
#include "platform/platform.h"

namespace kestro {
namespace {

// Lines are read in pieces of at most this many characters.
constexpr std::size_t kLineChars = 254;

// A match that starts at the line's first character and need not reach its end.
// The engine reports a pattern too complex for a line by throwing; such a
// line counts as not matching.
bool MatchesPrefix(const std::string& line, const boost::regex& pattern, boost::smatch* m) {
  try {
    return boost::regex_search(line, *m, pattern, boost::match_continuous);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

std::string AgentConfigPath() {
  const std::string sep = kPathSeparator;
  return Os().environment->Get(kAgentRootVariable) + sep + "OXL" + sep + "CONF" + sep + "OXL.CNF";
}

std::string ReadAgentSetting(std::string section, std::string key) {
  const std::string path = AgentConfigPath();
  std::string result;

  ReadHandle file = 0;
  if (!Os().sharedFile->OpenForReading(path, &file)) {
    // A file that is there but was refused reads as a missing one, after a
    // line that says why.
    const std::string refusal = Os().sharedFile->OpenRefusal();
    if (!refusal.empty()) WriteLog("The agent file \"" + path + "\" " + refusal + " and was not read");
    WriteLog("Can't open file \"" + path + "\".");
  } else {
    // Perl syntax, case-sensitive; the names are inserted as they stand. A
    // name that makes no valid pattern matches nothing.
    boost::regex anyHead("^\\[.*\\]");
    boost::regex wantedHead;
    boost::regex keyLine;
    try {
      wantedHead.assign("^\\[" + section + "\\]");
      keyLine.assign("\\s*" + key + "\\s*=\\s*(\\S+)");
    } catch (const std::exception&) {
      wantedHead.assign("$.^");
      keyLine.assign("$.^");
    }

    bool inSection = false;
    LineReader reader(file, kLineChars);
    std::string line;
    boost::smatch m;
    // The whole file is read: the last value in the section wins.
    while (reader.Next(&line)) {
      std::string::size_type end = 0;
      while (end < line.size() && line[end] != '\r' && line[end] != '\n') ++end;
      line.resize(end);  // cut at the first CR or LF
      // Cheap tests first: a head starts with "[", a key line holds the key.
      if (!line.empty() && line[0] == '[' && MatchesPrefix(line, anyHead, &m))
        inSection = MatchesPrefix(line, wantedHead, &m);
      if (inSection && line.find(key) != std::string::npos && MatchesPrefix(line, keyLine, &m))
        result = m[1].str();
    }
    Os().sharedFile->CloseFile(file);
  }

  if (result.empty()) WriteLog("Could not retrieve Staging server from " + path);
  return result;
}

std::string LocateStagingServer() { return ReadAgentSetting("PEERHOSTS", "OXLUILSR"); }

}  // namespace kestro
