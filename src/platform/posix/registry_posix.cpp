#include "platform/posix/registry_posix.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kestro {

std::string PosixRegistry::FilePath() {
  const char* path = std::getenv("KESTRO_REGISTRY");
  return path != nullptr && *path != '\0' ? path : "/etc/kestro/kestro.reg";
}

bool PosixRegistry::OpenKey(const std::string& path, RegKey* key) {
  std::ifstream file(FilePath(), std::ios::binary);
  if (!file) return false;
  std::ostringstream content;
  content << file.rdbuf();
  RegKeys keys = ParseRegeditText(content.str());
  auto found = keys.find("HKEY_LOCAL_MACHINE\\" + path);
  if (found == keys.end()) return false;
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
  *value = found.text;
  return true;
}

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
