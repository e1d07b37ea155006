#pragma once
#include <set>

#include "fakes/fault_plan.h"
#include "platform/files.h"
#include "platform/host.h"

namespace kestro::testing {

// Files in memory. Calls: GetFileSize, DeleteFile, MoveFile, AppendFile,
// FindFirstFile.
// Files another program holds open behave as on Windows: without delete
// sharing they can be neither deleted nor renamed; with it, a delete succeeds
// but the name stays taken (a pending delete) until that program closes it.
class FakeFiles : public Files {
 public:
  explicit FakeFiles(FaultPlan& plan) : plan_(plan) {}

  std::map<std::string, std::string> contents;
  std::set<std::string> heldWithoutDeleteSharing;
  std::set<std::string> heldWithDeleteSharing;
  std::set<std::string> pendingDelete;
  // Files that are there but refused for appending, with the reason.
  std::map<std::string, std::string> refused;

  // The other program closes the file; a pending delete completes.
  void CloseElsewhere(const std::string& path) {
    heldWithDeleteSharing.erase(path);
    heldWithoutDeleteSharing.erase(path);
    if (pendingDelete.erase(path) == 1) contents.erase(path);
  }

  // Folders the program could not keep its files in, with why; and what the
  // check would note about a folder's files.
  std::map<std::string, std::string> folderProblems;
  std::map<std::string, std::vector<std::string>> folderNotes;
  std::string FolderProblem(const std::string& directory, const std::vector<std::string>&,
                            std::vector<std::string>* notes) override {
    const auto n = folderNotes.find(directory);
    if (n != folderNotes.end()) *notes = n->second;
    const auto p = folderProblems.find(directory);
    return p == folderProblems.end() ? "" : p->second;
  }
  bool FileSize(const std::string& path, std::uint64_t* size) override {
    if (plan_.Enter("GetFileSize")) return false;
    auto f = contents.find(path);
    if (f == contents.end() || pendingDelete.count(path)) return false;
    *size = f->second.size();
    return true;
  }
  bool RemoveFile(const std::string& path) override {
    if (plan_.Enter("DeleteFile")) return false;
    if (heldWithoutDeleteSharing.count(path) || pendingDelete.count(path)) return false;
    if (heldWithDeleteSharing.count(path)) return contents.count(path) && pendingDelete.insert(path).second;
    return contents.erase(path) == 1;
  }
  bool RenameFile(const std::string& from, const std::string& to) override {
    if (plan_.Enter("MoveFile")) return false;
    if (contents.count(to) || !contents.count(from)) return false;
    if (heldWithoutDeleteSharing.count(from) || pendingDelete.count(from)) return false;
    contents[to] = contents[from];
    contents.erase(from);
    // The other program's handle follows the file.
    if (heldWithDeleteSharing.erase(from) == 1) heldWithDeleteSharing.insert(to);
    return true;
  }
  bool AppendToFile(const std::string& path, const std::string& bytes) override {
    refusal_.clear();
    if (plan_.Enter("AppendFile")) return false;
    if (refused.count(path)) {
      refusal_ = refused[path];
      return false;
    }
    if (pendingDelete.count(path)) return false;
    contents[path] += bytes;
    return true;
  }
  // A file pending deletion is still listed, as on Windows.
  std::vector<std::string> FileNames(const std::string& directory,
                                     const std::string& prefix) override {
    std::vector<std::string> names;
    if (plan_.Enter("FindFirstFile")) return names;
    const std::string head = directory + kPathSeparator + prefix;
    for (const auto& file : contents) {
      const std::string& path = file.first;
      if (path.compare(0, head.size(), head) == 0 &&
          path.find(kPathSeparator, directory.size() + 1) == std::string::npos) {
        names.push_back(path.substr(directory.size() + 1));
      }
    }
    return names;
  }

  std::string OpenRefusal() override { return refusal_; }

 private:
  FaultPlan& plan_;
  std::string refusal_;
};

}  // namespace kestro::testing
