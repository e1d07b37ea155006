#pragma once
#include "platform/shared_file.h"

namespace kestro {

class Win32SharedFile : public SharedFile {
 public:
  bool OpenForReading(const std::string& path, ReadHandle* handle) override;
  long Read(ReadHandle handle, char* buffer, std::size_t size) override;
  void CloseFile(ReadHandle handle) override;
};

}  // namespace kestro
