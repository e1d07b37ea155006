#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/child_processes_posix.h"
#include "platform/posix/file_refusal_posix.h"
#include "platform/posix/trusted_file_posix.h"

namespace kestro {
namespace {

// The service runs as root, whoever runs -check: a program of the user
// asking is not the service's own.
constexpr uid_t kServiceUser = 0;

}  // namespace

std::string PosixChildProcesses::RunProblem(const std::string& application) {
  struct stat st;
  if (stat(application.c_str(), &st) != 0)
    return errno == ENOENT ? "does not exist" : std::string("cannot be read: ") + std::strerror(errno);
  if (S_ISDIR(st.st_mode)) return "is a folder";
  if (!S_ISREG(st.st_mode)) return "is not a regular file";
  if (faccessat(AT_FDCWD, application.c_str(), X_OK, AT_EACCESS) != 0)
    return std::string("may not be run: ") + std::strerror(errno);
  return ProgramRefusal(application, kServiceUser);
}

std::string PosixChildProcesses::TrustProblem(const std::string& application) {
  return ProgramRefusal(application, ProgramUser());
}

bool PosixChildProcesses::IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace kestro
