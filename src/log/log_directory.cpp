#include "log/log_directory.h"

#include "platform/host.h"
#include "platform/lock.h"
#include "platform/platform.h"
#include "platform/settings_key.h"

namespace kestro {
namespace {

Lock directoryLock;
std::string directory;

std::string ReadLogDir() {
  std::string value;
  RegKey key = 0;
  Registry& registry = *Os().registry;
  if (registry.OpenKey(kSettingsKeyPath, &key)) {
    if (!registry.QueryText(key, kLogDirValue, kRegistryTextSize, &value)) value.clear();
    registry.CloseKey(key);
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
