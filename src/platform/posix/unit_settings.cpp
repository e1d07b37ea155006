#include "platform/posix/unit_settings.h"

#include <sstream>
#include <vector>

namespace kestro {
namespace {

std::string Trimmed(const std::string& text) {
  const std::string::size_type first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Each "Key=Value" line, comments and section heads left out.
template <typename Visit>
void ForEachAssignment(const std::string& text, Visit visit) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    line = Trimmed(line);
    if (line.empty() || line[0] == '#' || line[0] == ';' || line[0] == '[') continue;
    const std::string::size_type equals = line.find('=');
    if (equals == std::string::npos) continue;
    visit(Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1)));
  }
}

struct MountRule {
  std::string path;
  bool writable;
  bool explicitPath;  // named by a path setting: wins over Protect*= on the same path
  std::string setting;
};

bool Covers(const std::string& rule, const std::string& path) {
  if (rule == "/") return true;
  return path.compare(0, rule.size(), rule) == 0 &&
         (path.size() == rule.size() || path[rule.size()] == '/');
}

bool Yes(const std::string& value) {
  return value == "yes" || value == "true" || value == "on" || value == "1";
}

std::vector<MountRule> MountRules(const std::string& unitText) {
  std::vector<MountRule> rules;
  const auto add = [&rules](const std::vector<const char*>& paths, bool writable, bool explicitPath,
                            const std::string& setting) {
    for (const char* path : paths) rules.push_back({path, writable, explicitPath, setting});
  };
  // The folders a service's own *Directory= settings make for it (and keep
  // writable under ProtectSystem=strict).
  const std::pair<const char*, const char*> owned[] = {{"LogsDirectory", "/var/log/"},
                                                       {"StateDirectory", "/var/lib/"},
                                                       {"CacheDirectory", "/var/cache/"},
                                                       {"RuntimeDirectory", "/run/"}};
  ForEachAssignment(unitText, [&](const std::string& key, const std::string& value) {
    const std::string setting = key + "=" + value;
    if (key == "ProtectSystem") {
      if (value == "strict") add({"/"}, false, false, setting);
      if (value == "full") add({"/usr", "/boot", "/efi", "/etc"}, false, false, setting);
      if (Yes(value)) add({"/usr", "/boot", "/efi"}, false, false, setting);
    } else if (key == "ProtectHome") {
      if (Yes(value) || value == "read-only" || value == "tmpfs")
        add({"/home", "/root", "/run/user"}, false, false, setting);
    }
    const bool writable = key == "ReadWritePaths";
    std::string prefix;
    for (const auto& own : owned)
      if (key == own.first) prefix = own.second;
    if (!writable && prefix.empty() && key != "ReadOnlyPaths" && key != "InaccessiblePaths") return;
    std::istringstream words(value);
    std::string word;
    while (words >> word) {
      const std::string::size_type start = word.find_first_not_of("-+");
      if (start == std::string::npos) continue;
      std::string path = prefix + word.substr(start);
      while (path.size() > 1 && path.back() == '/') path.pop_back();
      rules.push_back({path, writable || !prefix.empty(), true, key + "=" + word});
    }
  });
  return rules;
}

}  // namespace

std::string UnitWriteProblem(const std::string& unitText, const std::string& path) {
  const std::vector<MountRule> rules = MountRules(unitText);
  const MountRule* deciding = nullptr;
  for (const MountRule& rule : rules) {
    if (!Covers(rule.path, path)) continue;
    if (deciding == nullptr || rule.path.size() > deciding->path.size() ||
        (rule.path.size() == deciding->path.size() && rule.explicitPath >= deciding->explicitPath))
      deciding = &rule;
  }
  return deciding == nullptr || deciding->writable ? "" : deciding->setting;
}

std::string UnitEnvironmentFile(const std::string& unitText) {
  std::string file;
  ForEachAssignment(unitText, [&file](const std::string& key, const std::string& value) {
    if (key == "EnvironmentFile") file = value.substr(value.compare(0, 1, "-") == 0 ? 1 : 0);
  });
  return file;
}

bool EnvironmentFileValue(const std::string& fileText, const std::string& name,
                          std::string* value) {
  bool found = false;
  ForEachAssignment(fileText, [&](const std::string& key, const std::string& text) {
    if (key != name) return;
    const bool quoted =
        text.size() >= 2 && (text[0] == '"' || text[0] == '\'') && text.back() == text[0];
    *value = quoted ? text.substr(1, text.size() - 2) : text;
    found = true;
  });
  return found;
}

}  // namespace kestro
