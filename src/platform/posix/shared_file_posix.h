#pragma once
#include "platform/shared_file.h"

namespace kestro {

// Files are never locked against other openers on Linux: a plain open shares.
class PosixSharedFile : public SharedFile {
 public:
  bool OpenForReading(const std::string& path, ReadHandle* handle) override;
  long Read(ReadHandle handle, char* buffer, std::size_t size) override;
  void CloseFile(ReadHandle handle) override;
};

}  // namespace kestro
