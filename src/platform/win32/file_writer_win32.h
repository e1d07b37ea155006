#pragma once
#include "platform/file_writer.h"

namespace kestro {

class Win32FileWriter : public FileWriter {
 public:
  bool WriteNewFile(const std::string& path, const std::string& bytes) override;
  bool MoveOver(const std::string& from, const std::string& to) override;
};

}  // namespace kestro
