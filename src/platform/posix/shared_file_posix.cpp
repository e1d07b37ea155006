#include "platform/posix/shared_file_posix.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "platform/posix/trusted_file_posix.h"

namespace kestro {
namespace {
thread_local std::string refusal;
}  // namespace

bool PosixSharedFile::OpenForReading(const std::string& path, ReadHandle* handle) {
  const int fd = OpenTrustedForReading(path, FileRule::Agent, &refusal);
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

std::string PosixSharedFile::OpenRefusal() { return refusal; }

void PosixSharedFile::CloseFile(ReadHandle handle) { close(static_cast<int>(handle)); }

}  // namespace kestro
