#include "log/log_directory.h"

#include "platform/host.h"
#include "platform/lock.h"
#include "platform/platform.h"
#include "platform/setting_keys.h"
#include "platform/settings_key.h"

namespace kestro {
namespace {

Lock directoryLock;
std::string directory;

// The policy's LogDir where it sets one that can be read, else the own
// key's; a failure to read it is not logged (the log asks for it).
std::string ReadLogDir() {
  std::string value;
  Registry& registry = *Os().registry;
  SettingKeys keys(registry);
  if (keys.PolicyText(kLogDirValue, &value) != PolicyValue::Set) {
    value.clear();
    const RegKey own = keys.Own();
    if (own != 0 && !registry.QueryText(own, kLogDirValue, kRegistryTextSize, &value)) value.clear();
  }
  return value.empty() ? std::string(kDefaultLogDir) : value;
}

}  // namespace

std::string LogDirectory() {
  // Several threads may log first at once; one of them fills the text.
  LockGuard guard(directoryLock);
  if (directory.empty()) directory = ReadLogDir();
  return directory;
}

void ResetLogDirectory() {
  LockGuard guard(directoryLock);
  directory.clear();
}

}  // namespace kestro
