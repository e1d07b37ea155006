#pragma once
#include "fakes/fake_files.h"
#include "platform/file_writer.h"

namespace kestro::testing {

// Writes into the same files as FakeFiles. Calls: CreateFileA (the new file;
// a failure after creating it, WriteFile, leaves it with a part of the
// bytes), MoveFileExA.
class FakeFileWriter : public FileWriter {
 public:
  FakeFileWriter(FaultPlan& plan, FakeFiles& files) : plan_(plan), files_(files) {}

  bool WriteNewFile(const std::string& path, const std::string& bytes) override {
    if (plan_.Enter("CreateFileA") || files_.contents.count(path)) return false;
    files_.contents[path] = bytes.substr(0, bytes.size() / 2);
    if (plan_.Enter("WriteFile")) return false;
    files_.contents[path] = bytes;
    return true;
  }
  bool MoveOver(const std::string& from, const std::string& to) override {
    if (plan_.Enter("MoveFileExA") || !files_.contents.count(from)) return false;
    if (files_.heldWithoutDeleteSharing.count(to)) return false;
    files_.contents[to] = files_.contents[from];
    files_.contents.erase(from);
    return true;
  }

 private:
  FaultPlan& plan_;
  FakeFiles& files_;
};

}  // namespace kestro::testing
