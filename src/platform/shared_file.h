#pragma once
// Reading a file that its owner may rewrite at any time.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestro {

using ReadHandle = std::intptr_t;

class SharedFile {
 public:
  virtual ~SharedFile() = default;
  // Opens for reading, shared with other readers and writers.
  virtual bool OpenForReading(const std::string& path, ReadHandle* handle) = 0;
  // Why this thread's last OpenForReading failed when the file is there but
  // was refused (on Linux: a symbolic link, not a regular file, writable by
  // every user), as a phrase that follows the file's name; empty otherwise.
  virtual std::string OpenRefusal() { return ""; }
  // Reads up to `size` bytes: their count, 0 at the end of the file, -1 when
  // the read fails.
  virtual long Read(ReadHandle handle, char* buffer, std::size_t size) = 0;
  virtual void CloseFile(ReadHandle handle) = 0;
};

}  // namespace kestro
