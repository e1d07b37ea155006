#include "platform/posix/registry_posix.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/errno_text.h"
#include "platform/posix/trusted_file_posix.h"
#include "platform/settings_key.h"

namespace kestro {
namespace {
thread_local std::string openKeyProblem;

enum class ReadResult { Whole, TooLarge, Failed };

// Reads at most `limit` bytes. A read that fails is a failure, with errno
// set: a file cut short there must never pass for the whole file.
ReadResult ReadBounded(int fd, std::size_t limit, std::string* content) {
  char chunk[65536];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ReadResult::Failed;
    if (n == 0) return ReadResult::Whole;
    content->append(chunk, static_cast<std::size_t>(n));
    if (content->size() > limit) return ReadResult::TooLarge;
  }
}
}  // namespace

std::string PosixRegistry::FilePath() {
  const char* path = std::getenv("KESTRO_REGISTRY");
  return path != nullptr && *path != '\0' ? path : "/etc/kestro/kestro.reg";
}

std::string PosixRegistry::PolicyFilePath() {
  const char* path = std::getenv("KESTRO_POLICY");
  return path != nullptr && *path != '\0' ? path : "/etc/kestro/policy.reg";
}

bool PosixRegistry::OpenKey(const std::string& path, RegKey* key) {
  openKeyProblem.clear();
  // The policy key lives in a file of its own, which a site's configuration
  // management writes; every other key in the settings file.
  const std::string filePath = path == kPolicyKeyPath ? PolicyFilePath() : FilePath();
  // The file names commands that run as root: one that anybody else could
  // have written is refused, and the log says why; so is one that cannot be
  // read whole, or not as an export.
  std::string problem;
  const int fd = OpenTrustedForReading(filePath, FileRule::Settings, &problem);
  RegKeys keys;
  if (fd < 0 && problem.empty() && errno != ENOENT) {
    // There, or a folder on the way is, but it cannot be opened (not
    // readable, a folder that cannot be searched): not a missing file, and
    // nothing would say why no slot acts.
    problem = "could not be opened (" + ErrnoText(errno) + ")";
  } else if (fd >= 0) {
    // A settings file is a few kilobytes; something far larger (a whole
    // export, a runaway generator) is refused rather than read into memory
    // at every pass.
    std::string content;
    const ReadResult read = ReadBounded(fd, kMaxSettingsFileSize, &content);
    const int error = errno;
    close(fd);
    if (read == ReadResult::Failed) {
      problem = "could not be read (" + ErrnoText(error) + ")";
    } else if (read == ReadResult::TooLarge) {
      problem = "is larger than " + std::to_string(kMaxSettingsFileSize) + " bytes";
    } else {
      ReadRegeditFile(content, &keys, &problem);
    }
  }
  if (!problem.empty()) openKeyProblem = "The settings file \"" + filePath + "\" " + problem + " and was not read";
  if (fd < 0 || !problem.empty()) return false;
  auto found = keys.find("HKEY_LOCAL_MACHINE\\" + path);
  if (found == keys.end()) {
    errno = ENOENT;  // as for a missing file: no such key
    return false;
  }
  std::lock_guard<std::mutex> guard(mutex_);
  *key = next_++;
  open_[*key] = std::move(found->second);
  return true;
}

bool PosixRegistry::Find(RegKey key, const std::string& name, RegValue* value) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto k = open_.find(key);
  if (k == open_.end()) return false;
  auto v = k->second.find(name);
  if (v == k->second.end()) return false;
  *value = v->second;
  return true;
}

bool PosixRegistry::QueryDword(RegKey key, const std::string& name, std::uint32_t* value) {
  RegValue found;
  if (!Find(key, name, &found) || found.type != RegValue::Type::Dword) return false;
  *value = found.number;
  return true;
}

bool PosixRegistry::QueryText(RegKey key, const std::string& name, std::size_t size,
                              std::string* value) {
  RegValue found;
  if (!Find(key, name, &found)) return false;
  if (found.type != RegValue::Type::Text && found.type != RegValue::Type::ExpandText) return false;
  if (found.text.size() + 1 > size) return false;  // does not fit with its NUL
  // As from the registry, the text ends at its first NUL, even where the
  // file's quoted data holds one.
  *value = found.text.substr(0, found.text.find('\0'));
  return true;
}

bool PosixRegistry::HasValue(RegKey key, const std::string& name) {
  RegValue found;
  return Find(key, name, &found);
}

std::string PosixRegistry::OpenKeyProblem() { return openKeyProblem; }

void PosixRegistry::CloseKey(RegKey key) {
  std::lock_guard<std::mutex> guard(mutex_);
  open_.erase(key);
}

long PosixRegistry::CreateKeyEx(const std::string&, RegKey* key) {
  *key = 0;
  return 0;
}

long PosixRegistry::CreateKey(const std::string&, RegKey* key) {
  *key = 0;
  return 0;
}

long PosixRegistry::SetText(RegKey, const std::string&, const std::string&, bool) { return 0; }

long PosixRegistry::SetDword(RegKey, const std::string&, std::uint32_t) { return 0; }

}  // namespace kestro
