#pragma once
// Whole files written aside and then put in place in one step, so that a
// reader sees either the old file or the new one.
#include <string>

namespace kestro {

class FileWriter {
 public:
  virtual ~FileWriter() = default;
  // Creates `path`, which must not exist yet (a link in its place is not
  // followed), writes `bytes`, flushes them to the disk and closes it. False
  // on any failure, with the system's error left as the last error; a file
  // it created stays for the caller to remove.
  virtual bool WriteNewFile(const std::string& path, const std::string& bytes) = 0;
  // Renames `from` to `to`, replacing an existing `to` in the same step.
  virtual bool MoveOver(const std::string& from, const std::string& to) = 0;
};

}  // namespace kestro
