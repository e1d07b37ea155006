#pragma once
#include <set>

#include "fakes/fault_plan.h"
#include "platform/files.h"

namespace kestro::testing {

// Files in memory. Calls: GetFileSize, DeleteFile, MoveFile, AppendFile.
class FakeFiles : public Files {
 public:
  explicit FakeFiles(FaultPlan& plan) : plan_(plan) {}

  std::map<std::string, std::string> contents;

  bool FileSize(const std::string& path, std::uint64_t* size) override {
    if (plan_.Enter("GetFileSize")) return false;
    auto f = contents.find(path);
    if (f == contents.end()) return false;
    *size = f->second.size();
    return true;
  }
  bool RemoveFile(const std::string& path) override {
    if (plan_.Enter("DeleteFile")) return false;
    return contents.erase(path) == 1;
  }
  bool RenameFile(const std::string& from, const std::string& to) override {
    if (plan_.Enter("MoveFile")) return false;
    if (contents.count(to) || !contents.count(from)) return false;
    contents[to] = contents[from];
    contents.erase(from);
    return true;
  }
  bool AppendToFile(const std::string& path, const std::string& bytes) override {
    if (plan_.Enter("AppendFile")) return false;
    contents[path] += bytes;
    return true;
  }

 private:
  FaultPlan& plan_;
};

}  // namespace kestro::testing
