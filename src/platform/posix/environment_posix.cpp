#include "platform/posix/environment_posix.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "packaged_unit.h"
#include "platform/errno_text.h"
#include "platform/posix/trusted_file_posix.h"
#include "platform/posix/unit_settings.h"

namespace kestro {
namespace {
constexpr std::size_t kMostEnvironmentFile = 1 << 20;  // a few lines in truth
}  // namespace

std::string PosixEnvironment::Get(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value != nullptr ? value : "";
}

void PosixEnvironment::Set(const std::string& name, const std::string& value) {
  setenv(name.c_str(), value.c_str(), 1);
}

ServiceVariable PosixEnvironment::FromServiceFile(const std::string& name) {
  ServiceVariable variable;
  variable.file = UnitEnvironmentFile(kPackagedUnit);
  if (variable.file.empty()) return variable;
  // The file chooses which agent file names the host whose answers decide
  // what runs as root: judged as the settings file is.
  const int fd = OpenTrustedForReading(variable.file, FileRule::Settings, &variable.refusal);
  if (fd < 0) {
    if (variable.refusal.empty() && errno != ENOENT)
      variable.refusal = "could not be opened (" + ErrnoText(errno) + ")";
    return variable;
  }
  std::string text;
  char chunk[4096];
  ssize_t n = 0;
  while ((n = read(fd, chunk, sizeof chunk)) > 0 && text.size() <= kMostEnvironmentFile)
    text.append(chunk, static_cast<std::size_t>(n));
  const int error = errno;
  close(fd);
  if (n < 0) {
    variable.refusal = "could not be read (" + ErrnoText(error) + ")";
  } else if (text.size() > kMostEnvironmentFile) {
    variable.refusal = "is larger than " + std::to_string(kMostEnvironmentFile) + " bytes";
  } else {
    variable.there = true;
    variable.found = EnvironmentFileValue(text, name, &variable.value);
  }
  return variable;
}

}  // namespace kestro
