#include "platform/posix/systemd_unit_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/last_error_posix.h"

namespace kestro {
namespace {

bool FileFailed(const std::string& file) {
  const int code = errno;
  SetServiceManagerError(code, file + ": " + std::strerror(code));
  return false;
}

}  // namespace

bool WriteUnitFile(const std::string& file, const std::string& text) {
  const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (errno != EEXIST) return FileFailed(file);
    SetServiceManagerError(EEXIST, "Unit file " + file + " already exists.");
    return false;
  }
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      FileFailed(file);
      close(fd);
      unlink(file.c_str());
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (close(fd) != 0) {
    FileFailed(file);
    unlink(file.c_str());
    return false;
  }
  return true;
}

void UndoUnitFile(const Bus& bus, const std::string& file, bool reload) {
  const int code = errno;
  std::string text;
  PosixLastError().SystemMessage(static_cast<std::uint32_t>(code), &text);
  unlink(file.c_str());
  if (reload) bus.CallManager("Reload", nullptr);
  SetServiceManagerError(code, text);
}

bool RemoveUnitFile(const std::string& file) {
  return unlink(file.c_str()) == 0 || FileFailed(file);
}

// Only the unit file installation writes is installation's to remove: a
// unit from elsewhere (a package's under /usr/lib/systemd/system, an
// administrator's link or mask) belongs to whoever put it there.
bool UnitDefinedElsewhere(const Bus& bus, const std::string& path, const std::string& unit,
                          const std::string& file, bool* elsewhere, std::string* origin) {
  std::string fragment;
  if (!bus.UnitProperty(path, "FragmentPath", &fragment)) return false;
  struct stat st;
  *elsewhere = fragment != file || lstat(fragment.c_str(), &st) != 0 || !S_ISREG(st.st_mode);
  *origin = fragment.empty() ? unit : fragment;
  return true;
}

}  // namespace kestro
