#pragma once
// Files read with sharing, such as the agent's, in memory.
#include <cstring>

#include "fakes/fault_plan.h"
#include "platform/shared_file.h"

namespace kestro::testing {

// Files by path; each read hands out at most `chunk` bytes, so that lines
// cross the reads. Calls: OpenForReading, ReadFile, CloseFile.
class FakeSharedFile : public SharedFile {
 public:
  explicit FakeSharedFile(FaultPlan& plan) : plan_(plan) {}
  std::map<std::string, std::string> files;
  std::size_t chunk = 7;
  int open = 0;
  std::string lastPath;
  // Files that are there but refused, with the reason.
  std::map<std::string, std::string> refused;

  bool OpenForReading(const std::string& path, ReadHandle* handle) override {
    lastPath = path;
    refusal_.clear();
    if (plan_.Enter("OpenForReading")) return false;
    if (refused.count(path)) {
      refusal_ = refused[path];
      return false;
    }
    if (!files.count(path)) return false;
    ++open;
    *handle = next_;
    readers_[next_++] = {path, 0};
    return true;
  }
  std::string OpenRefusal() override { return refusal_; }
  long Read(ReadHandle handle, char* buffer, std::size_t size) override {
    if (plan_.Enter("ReadFile")) return -1;
    auto& r = readers_.at(handle);
    const std::string& text = files.at(r.first);
    std::size_t n = std::min({size, chunk, text.size() - r.second});
    std::memcpy(buffer, text.data() + r.second, n);
    r.second += n;
    return static_cast<long>(n);
  }
  void CloseFile(ReadHandle handle) override {
    plan_.Enter("CloseFile");
    readers_.erase(handle);
    --open;
  }

 private:
  FaultPlan& plan_;
  std::map<ReadHandle, std::pair<std::string, std::size_t>> readers_;
  ReadHandle next_ = 1;
  std::string refusal_;
};

}  // namespace kestro::testing
