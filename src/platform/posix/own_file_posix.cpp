#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "platform/posix/file_refusal_posix.h"
#include "platform/posix/trusted_file_posix.h"

namespace kestro {
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
