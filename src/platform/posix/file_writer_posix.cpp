#include "platform/posix/file_writer_posix.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace kestro {

bool PosixFileWriter::WriteNewFile(const std::string& path, const std::string& bytes) {
  // O_EXCL: whoever may write to that directory cannot have us, as root,
  // write through a link they put there.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::string::size_type done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    if (n == 0) {
      errno = ENOSPC;
      break;
    }
    done += static_cast<std::string::size_type>(n);
  }
  // On the disk before the rename, or a crash could leave an empty file
  // under the final name.
  bool ok = done == bytes.size() && fsync(fd) == 0;
  const int error = errno;
  if (close(fd) != 0 && ok) return false;
  errno = error;
  return ok;
}

bool PosixFileWriter::MoveOver(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace kestro
