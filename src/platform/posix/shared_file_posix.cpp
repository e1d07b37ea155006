#include "platform/posix/shared_file_posix.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace kestro {

bool PosixSharedFile::OpenForReading(const std::string& path, ReadHandle* handle) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  *handle = fd;
  return true;
}

long PosixSharedFile::Read(ReadHandle handle, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = read(static_cast<int>(handle), buffer, size);
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? -1 : static_cast<long>(n);
  }
}

void PosixSharedFile::CloseFile(ReadHandle handle) { close(static_cast<int>(handle)); }

}  // namespace kestro
