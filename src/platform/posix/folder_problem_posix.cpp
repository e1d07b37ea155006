#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "packaged_unit.h"
#include "platform/posix/files_posix.h"
#include "platform/posix/trusted_file_posix.h"
#include "platform/posix/unit_settings.h"

namespace kestro {
namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string Failure(const std::string& path, const char* what) {
  return Quoted(path) + " " + what + ": " + std::strerror(errno);
}

std::string Octal(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode));
  return text;
}

// Opened and judged as the log writer opens and judges it, changing nothing.
std::string OwnFileProblem(const std::string& path, std::vector<std::string>* notes) {
  const bool lockFile = path.size() > 4 && path.compare(path.size() - 4, 4, ".lck") == 0;
  const mode_t mode = lockFile ? kLockMode : kLogMode;
  std::string refusal;
  mode_t wide = 0;
  const int fd = OpenExistingOwnFileAsIs(path, lockFile ? kLockFlags : kLogFlags, mode, &refusal, &wide);
  if (fd < 0) {
    if (!refusal.empty()) return Quoted(path) + " " + refusal;
    return errno == ENOENT ? "" : Failure(path, "may not be written");
  }
  close(fd);
  if (wide != 0)
    notes->push_back(Quoted(path) + " has the permissions " + Octal(wide) + " beyond " + Octal(mode) +
                     ": the writer takes them away, then uses it");
  return "";
}

}  // namespace

std::string PosixFiles::FolderProblem(const std::string& directory,
                                      const std::vector<std::string>& names,
                                      std::vector<std::string>* notes) {
  struct stat st;
  if (stat(directory.c_str(), &st) != 0)
    return errno == ENOENT ? Quoted(directory) + " does not exist" : Failure(directory, "cannot be read");
  if (!S_ISDIR(st.st_mode)) return Quoted(directory) + " is not a folder";
  if (faccessat(AT_FDCWD, directory.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
    return Failure(directory, "may not be written");
  for (const std::string& name : names) {
    const std::string problem = OwnFileProblem(directory + "/" + name, notes);
    if (!problem.empty()) return problem;
  }
  // Usable here, but the service runs confined by its unit: judged where
  // the folder really is, as its mounts are.
  char* real = realpath(directory.c_str(), nullptr);
  const std::string setting = UnitWriteProblem(kPackagedUnit, real != nullptr ? real : directory);
  std::free(real);
  if (!setting.empty())
    return Quoted(directory) + " may not be written by the service: kestro.service has " + setting;
  return "";
}

}  // namespace kestro
