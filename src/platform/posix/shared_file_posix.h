#pragma once
#include "platform/shared_file.h"

namespace kestro {

// Files are never locked against other openers on Linux: a plain open shares.
// The agent's file names the host whose answers decide what runs: it is
// opened without following a final link or blocking on a FIFO, and one that
// every user may write is refused (trusted_file_posix.h).
class PosixSharedFile : public SharedFile {
 public:
  bool OpenForReading(const std::string& path, ReadHandle* handle) override;
  std::string OpenRefusal() override;
  long Read(ReadHandle handle, char* buffer, std::size_t size) override;
  void CloseFile(ReadHandle handle) override;
};

}  // namespace kestro
