#include "platform/posix/file_refusal_posix.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kestro {

uid_t ProgramUser() {
  static const uid_t user = geteuid();
  return user;
}

std::string BelongsTo(uid_t user) { return "belongs to user " + std::to_string(user); }

int Refuse(int fd, const std::string& why, std::string* refusal) {
  if (fd >= 0) close(fd);
  *refusal = why;
  errno = EPERM;
  return -1;
}

int RefuseFailedOpen(int dirfd, const std::string& name, std::string* refusal) {
  const int error = errno;
  struct stat st;
  if (error == ELOOP && fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
    return Refuse(-1, "is a symbolic link", refusal);
  if (error == ENXIO) return Refuse(-1, "is not a regular file", refusal);  // a FIFO without reader
  errno = error;
  return -1;
}

}  // namespace kestro
