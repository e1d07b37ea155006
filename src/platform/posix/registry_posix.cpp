#include "platform/posix/registry_posix.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/trusted_file_posix.h"

namespace kestro {
namespace {
thread_local std::string openKeyProblem;

// Reads at most `limit` bytes; false when the file holds more. A read that
// fails ends the text.
bool ReadBounded(int fd, std::size_t limit, std::string* content) {
  char chunk[65536];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return true;
    content->append(chunk, static_cast<std::size_t>(n));
    if (content->size() > limit) return false;
  }
}
}  // namespace

std::string PosixRegistry::FilePath() {
  const char* path = std::getenv("KESTRO_REGISTRY");
  return path != nullptr && *path != '\0' ? path : "/etc/kestro/kestro.reg";
}

bool PosixRegistry::OpenKey(const std::string& path, RegKey* key) {
  openKeyProblem.clear();
  const std::string filePath = FilePath();
  // The file names commands that run as root: one that anybody else could
  // have written is refused, and the log says why.
  std::string refusal;
  const int fd = OpenTrustedForReading(filePath, FileRule::Settings, &refusal);
  if (fd < 0) {
    if (!refusal.empty()) openKeyProblem = "The settings file \"" + filePath + "\" " + refusal + " and was not read";
    return false;
  }
  // A settings file is a few kilobytes; something far larger (a whole
  // export, a runaway generator) is refused rather than read into memory at
  // every pass.
  std::string content;
  const bool whole = ReadBounded(fd, kMaxSettingsFileSize, &content);
  close(fd);
  if (!whole) {
    openKeyProblem = "The settings file \"" + filePath + "\" is larger than " +
                     std::to_string(kMaxSettingsFileSize) + " bytes and was not read";
    return false;
  }
  RegKeys keys = ParseRegeditText(content);
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
