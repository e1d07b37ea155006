#pragma once
// The few whole-file operations the log needs.
#include <cstdint>
#include <string>
#include <vector>

namespace kestro {

class Files {
 public:
  virtual ~Files() = default;
  // Size of an existing file; false when it does not exist.
  virtual bool FileSize(const std::string& path, std::uint64_t* size) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
  // Renames without replacing an existing target.
  virtual bool RenameFile(const std::string& from, const std::string& to) = 0;
  // Opens for appending (created when missing, shared with other readers and
  // writers), writes the bytes as they are in one write, closes. False only
  // when the file cannot be opened.
  virtual bool AppendToFile(const std::string& path, const std::string& bytes) = 0;
  // The names (without the directory) of the files in `directory` whose
  // names begin with `prefix`; none when it cannot be read.
  virtual std::vector<std::string> FileNames(const std::string& directory,
                                             const std::string& prefix) = 0;
  // Why this thread's last AppendToFile could not open the file when it is
  // there but was refused, as for ByteLock::OpenRefusal; empty otherwise.
  virtual std::string OpenRefusal() { return ""; }
  // Whether this process could create, and append to, the files `names` in
  // `directory` as the log writer opens and judges them, asked without
  // creating, writing or changing anything: empty when so, else why not, as
  // a phrase that begins with the quoted folder or file it is about. What
  // the writer would do about a file it uses anyway (give it the program's
  // rights) and what leaves the files unprotected (a volume without access
  // lists) go into `notes`, phrased the same way. On Linux a folder that
  // the packaged unit keeps the service from writing counts as well.
  virtual std::string FolderProblem(const std::string& directory,
                                    const std::vector<std::string>& names,
                                    std::vector<std::string>* notes) = 0;
};

}  // namespace kestro
