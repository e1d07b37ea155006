#pragma once
#include "platform/files.h"

namespace kestro {

// FileSize opens the file it measures, as AppendToFile would, and checks it
// once on that descriptor; an AppendToFile of the same file next on the same
// thread writes through it. The size that decides a rotation is thus the
// size of the very file the line goes to, and one line costs one check.
class PosixFiles : public Files {
 public:
  bool FileSize(const std::string& path, std::uint64_t* size) override;
  bool RemoveFile(const std::string& path) override;
  bool RenameFile(const std::string& from, const std::string& to) override;
  bool AppendToFile(const std::string& path, const std::string& bytes) override;
  std::vector<std::string> FileNames(const std::string& directory,
                                     const std::string& prefix) override;
  std::string OpenRefusal() override;
  std::string FolderProblem(const std::string& directory,
                            const std::vector<std::string>& names,
                            std::vector<std::string>* notes) override;
};

}  // namespace kestro
