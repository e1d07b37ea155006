#include "log/log_directory.h"

#include <mutex>

#include "platform/host.h"
#include "platform/platform.h"
#include "platform/settings_key.h"

namespace kestro {
namespace {

std::mutex directoryMutex;
std::string directory;

std::string ReadLogDir() {
  std::string value;
  RegKey key = 0;
  Registry& registry = *Os().registry;
  if (registry.OpenKey(kSettingsKeyPath, &key)) {
    if (!registry.QueryText(key, "LogDir", kRegistryTextSize, &value)) value.clear();
    registry.CloseKey(key);
  }
  return value.empty() ? std::string(kDefaultLogDir) : value;
}

}  // namespace

std::string LogDirectory() {
  // Several threads may log first at once; one of them fills the text.
  std::lock_guard<std::mutex> guard(directoryMutex);
  if (directory.empty()) directory = ReadLogDir();
  return directory;
}

void ResetLogDirectory() {
  std::lock_guard<std::mutex> guard(directoryMutex);
  directory.clear();
}

}  // namespace kestro
