#include "platform/posix/files_posix.h"

#include <dirent.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "platform/posix/trusted_file_posix.h"

namespace kestro {
namespace {

thread_local std::string refusal;

// The file the last FileSize of this thread opened and checked, kept for the
// append that follows; any other call of this thread closes it.
struct Measured {
  std::string path;
  int fd = -1;

  void Drop() {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  ~Measured() { Drop(); }
};
thread_local Measured measured;

}  // namespace

bool PosixFiles::FileSize(const std::string& path, std::uint64_t* size) {
  measured.Drop();
  std::string ignored;
  measured.fd = OpenExistingOwnFile(path, kLogFlags, kLogMode, &ignored, size);
  measured.path = path;
  if (measured.fd >= 0) return true;
  // Missing, or not ours to write (the append says so): its size by name.
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  *size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool PosixFiles::RemoveFile(const std::string& path) {
  measured.Drop();
  return unlink(path.c_str()) == 0;
}

bool PosixFiles::RenameFile(const std::string& from, const std::string& to) {
  measured.Drop();
  // Never replace the target, as a rename on Windows does not: a previous
  // generation that could not be deleted stays whole.
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without RENAME_NOREPLACE: link fails on an existing target.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  unlink(from.c_str());
  return true;
}

bool PosixFiles::AppendToFile(const std::string& path, const std::string& bytes) {
  int fd = -1;
  if (measured.fd >= 0 && measured.path == path) {
    std::swap(fd, measured.fd);  // checked when it was measured
    refusal.clear();
  } else {
    measured.Drop();
    fd = OpenOwnFile(path, kLogFlags, kLogMode, &refusal);
  }
  if (fd < 0) return false;
  std::string::size_type done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // a full disk loses the rest of the line, as on Windows
    done += static_cast<std::string::size_type>(n);
  }
  close(fd);
  return true;
}

std::vector<std::string> PosixFiles::FileNames(const std::string& directory,
                                              const std::string& prefix) {
  measured.Drop();
  std::vector<std::string> names;
  DIR* dir = opendir(directory.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) == 0 && entry->d_type != DT_DIR) {
      names.push_back(name);
    }
  }
  closedir(dir);
  return names;
}

std::string PosixFiles::OpenRefusal() { return refusal; }

}  // namespace kestro
