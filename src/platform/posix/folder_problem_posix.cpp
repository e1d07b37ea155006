#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/files_posix.h"

namespace kestro {
namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string Failure(const std::string& path, const char* what) {
  return Quoted(path) + " " + what + ": " + std::strerror(errno);
}

// The rules OpenOwnFile holds an existing log or lock file to.
std::string OwnFileProblem(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return errno == ENOENT ? "" : Failure(path, "cannot be read");
  if (S_ISLNK(st.st_mode)) return Quoted(path) + " is a symbolic link";
  if (!S_ISREG(st.st_mode)) return Quoted(path) + " is not a regular file";
  if (st.st_nlink > 1) return Quoted(path) + " has " + std::to_string(st.st_nlink) + " links";
  if (st.st_uid != geteuid()) return Quoted(path) + " belongs to user " + std::to_string(st.st_uid);
  if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return Failure(path, "may not be written");
  return "";
}

}  // namespace

std::string PosixFiles::FolderProblem(const std::string& directory,
                                      const std::vector<std::string>& names) {
  struct stat st;
  if (stat(directory.c_str(), &st) != 0)
    return errno == ENOENT ? Quoted(directory) + " does not exist" : Failure(directory, "cannot be read");
  if (!S_ISDIR(st.st_mode)) return Quoted(directory) + " is not a folder";
  if (faccessat(AT_FDCWD, directory.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
    return Failure(directory, "may not be written");
  for (const std::string& name : names) {
    const std::string problem = OwnFileProblem(directory + "/" + name);
    if (!problem.empty()) return problem;
  }
  return "";
}

}  // namespace kestro
