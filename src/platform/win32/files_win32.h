#pragma once
#include "platform/files.h"

namespace kestro {

class Win32Files : public Files {
 public:
  bool FileSize(const std::string& path, std::uint64_t* size) override;
  bool RemoveFile(const std::string& path) override;
  bool RenameFile(const std::string& from, const std::string& to) override;
  bool AppendToFile(const std::string& path, const std::string& bytes) override;
  std::vector<std::string> FileNames(const std::string& directory,
                                     const std::string& prefix) override;
  std::string FolderProblem(const std::string& directory,
                            const std::vector<std::string>& names,
                            std::vector<std::string>* notes) override;
  std::string OpenRefusal() override;
};

}  // namespace kestro
