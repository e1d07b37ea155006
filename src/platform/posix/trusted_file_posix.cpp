#include "platform/posix/trusted_file_posix.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestro {
namespace {

constexpr int kNoFollow = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// The program never changes its user: asked once, not at every log line.
uid_t ProgramUser() {
  static const uid_t user = geteuid();
  return user;
}

bool OwnedByTrustedUser(const struct stat& st) { return st.st_uid == 0 || st.st_uid == ProgramUser(); }

std::string BelongsTo(uid_t user) { return "belongs to user " + std::to_string(user); }

// Closes `fd`, sets the refusal and errno: -1.
int Refuse(int fd, const std::string& why, std::string* refusal) {
  if (fd >= 0) close(fd);
  *refusal = why;
  errno = EPERM;
  return -1;
}

// After an open that did not follow the final link failed: a refusal when
// the name is a link (or something else that cannot be opened without
// blocking), errno as it was otherwise.
int RefuseFailedOpen(int dirfd, const std::string& name, std::string* refusal) {
  const int error = errno;
  struct stat st;
  if (error == ELOOP && fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
    return Refuse(-1, "is a symbolic link", refusal);
  if (error == ENXIO) return Refuse(-1, "is not a regular file", refusal);  // a FIFO without reader
  errno = error;
  return -1;
}

// Walks from "/" down to the real directory `dir`, each step opened without
// following a link and checked through its descriptor. Returns the
// directory's descriptor, or -1 with errno set; the first directory anyone
// else may change goes into `problem`.
int OpenCheckedDirectory(const std::string& dir, std::string* problem) {
  char* real = realpath(dir.c_str(), nullptr);
  if (real == nullptr) return -1;
  const std::string path = real;
  std::free(real);
  int fd = open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
  std::string walked;
  std::string::size_type start = 1;
  for (;;) {
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0) {
      close(fd);
      return -1;
    }
    const std::string shown = walked.empty() ? "/" : walked;
    if (problem->empty() && !OwnedByTrustedUser(st)) {
      *problem = "lies in \"" + shown + "\", which " + BelongsTo(st.st_uid);
    } else if (problem->empty() && (st.st_mode & (S_IWGRP | S_IWOTH)) && !(st.st_mode & S_ISVTX)) {
      *problem = "lies in \"" + shown + "\", which others than its owner may write";
    }
    if (start >= path.size()) return fd;
    std::string::size_type end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    walked += "/" + name;
    start = end + 1;
    const int next = openat(fd, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    close(fd);
    fd = next;
  }
}

int OpenSettings(const std::string& path, std::string* refusal) {
  const std::string::size_type slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string dirProblem;
  const int dirfd = OpenCheckedDirectory(dir, &dirProblem);
  if (dirfd < 0) return -1;
  const int fd = openat(dirfd, name.c_str(), O_RDONLY | kNoFollow);
  if (fd < 0) {
    const int result = RefuseFailedOpen(dirfd, name, refusal);
    const int error = errno;
    close(dirfd);
    errno = error;
    return result;
  }
  close(dirfd);
  struct stat st;
  if (fstat(fd, &st) != 0) {
    close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) return Refuse(fd, "is not a regular file", refusal);
  if (!OwnedByTrustedUser(st)) return Refuse(fd, BelongsTo(st.st_uid), refusal);
  if (st.st_mode & (S_IWGRP | S_IWOTH)) return Refuse(fd, "may be written by others than its owner", refusal);
  if (!dirProblem.empty()) return Refuse(fd, dirProblem, refusal);
  return fd;
}

int OpenAgent(const std::string& path, std::string* refusal) {
  const int fd = open(path.c_str(), O_RDONLY | kNoFollow);
  if (fd < 0) return RefuseFailedOpen(AT_FDCWD, path, refusal);
  struct stat st;
  if (fstat(fd, &st) != 0) {
    close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) return Refuse(fd, "is not a regular file", refusal);
  if (st.st_mode & S_IWOTH) return Refuse(fd, "may be written by every user", refusal);
  return fd;
}

}  // namespace

int OpenTrustedForReading(const std::string& path, FileRule rule, std::string* refusal) {
  refusal->clear();
  return rule == FileRule::Settings ? OpenSettings(path, refusal) : OpenAgent(path, refusal);
}

namespace {

// The checks of an own file, made on its open descriptor: -1 (closed) when
// it is refused. Permissions beyond `mode` are taken away unless `wide`
// is to hear of them instead.
int CheckOwnFile(int fd, mode_t mode, std::string* refusal, std::uint64_t* size, mode_t* wide) {
  if (fd < 0) return -1;
  // Asked without the file's times: where the file system keeps fine-grained
  // times, a file whose times were read has its next write stamped finely,
  // which costs every log line an update of the file's metadata.
  struct statx st;
  if (statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_UID | STATX_SIZE,
            &st) != 0) {
    close(fd);
    return -1;
  }
  if (!S_ISREG(st.stx_mode)) return Refuse(fd, "is not a regular file", refusal);
  // A second link may be a hard link planted to a file of someone else's.
  if (st.stx_nlink > 1) return Refuse(fd, "has " + std::to_string(st.stx_nlink) + " links", refusal);
  if (st.stx_uid != ProgramUser()) return Refuse(fd, BelongsTo(st.stx_uid), refusal);
  // Left by an older version (the lock file was 0666): whoever could open it
  // could also hold a lock on it.
  const mode_t beyond = st.stx_mode & 07777 & ~mode;
  if (wide != nullptr) {
    *wide = beyond;
  } else if (beyond != 0) {
    fchmod(fd, st.stx_mode & mode);
  }
  if (size != nullptr) *size = st.stx_size;
  return fd;
}

int OpenExisting(const std::string& path, int flags, mode_t mode, std::string* refusal,
                 std::uint64_t* size, mode_t* wide) {
  refusal->clear();
  const int fd = open(path.c_str(), flags | kNoFollow);
  if (fd < 0) return RefuseFailedOpen(AT_FDCWD, path, refusal);
  return CheckOwnFile(fd, mode, refusal, size, wide);
}

}  // namespace

int OpenOwnFile(const std::string& path, int flags, mode_t mode, std::string* refusal) {
  refusal->clear();
  const int fd = open(path.c_str(), flags | O_CREAT | kNoFollow, mode);
  if (fd < 0) return RefuseFailedOpen(AT_FDCWD, path, refusal);
  return CheckOwnFile(fd, mode, refusal, nullptr, nullptr);
}

int OpenExistingOwnFile(const std::string& path, int flags, mode_t mode, std::string* refusal,
                        std::uint64_t* size) {
  return OpenExisting(path, flags, mode, refusal, size, nullptr);
}

int OpenExistingOwnFileAsIs(const std::string& path, int flags, mode_t mode, std::string* refusal,
                            mode_t* wide) {
  return OpenExisting(path, flags, mode, refusal, nullptr, wide);
}

}  // namespace kestro
