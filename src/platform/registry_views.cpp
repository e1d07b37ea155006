#include "platform/registry_views.h"

#include <new>

namespace kestro {
namespace {

constexpr long kNotFound = 2;  // ERROR_FILE_NOT_FOUND and ENOENT alike
constexpr long kOutOfMemory = 8;  // ERROR_NOT_ENOUGH_MEMORY

}  // namespace

bool RegistryViews::OpenKey(const std::string& path, RegKey* key) {
  if (!system_.HasViews()) return system_.OpenKey(path, key);
  Pair found;
  const long wide = system_.OpenKeyInView(path, true, &found.wide);
  if (wide != 0) {
    found.wide = 0;
    if (wide != kNotFound) return false;
  }
  if (system_.OpenKeyInView(path, false, &found.narrow) != 0) {
    found.narrow = 0;
    if (found.wide == 0) return false;  // the 32-bit view's error stays the last
  }
  Pair* pair = new (std::nothrow) Pair(found);
  if (pair == nullptr) {
    if (found.wide != 0) system_.CloseKey(found.wide);
    if (found.narrow != 0) system_.CloseKey(found.narrow);
    return false;
  }
  *key = reinterpret_cast<RegKey>(pair);
  return true;
}

RegKey RegistryViews::From(RegKey key, const std::string& name) {
  const Pair& pair = *reinterpret_cast<const Pair*>(key);
  if (pair.narrow == 0) return pair.wide;
  if (pair.wide == 0 || !system_.HasValue(pair.wide, name)) return pair.narrow;
  return pair.wide;
}

bool RegistryViews::QueryDword(RegKey key, const std::string& name, std::uint32_t* value) {
  if (!system_.HasViews()) return system_.QueryDword(key, name, value);
  return system_.QueryDword(From(key, name), name, value);
}

bool RegistryViews::QueryText(RegKey key, const std::string& name, std::size_t size,
                              std::string* value) {
  if (!system_.HasViews()) return system_.QueryText(key, name, size, value);
  return system_.QueryText(From(key, name), name, size, value);
}

bool RegistryViews::HasValue(RegKey key, const std::string& name) {
  if (!system_.HasViews()) return system_.HasValue(key, name);
  return system_.HasValue(From(key, name), name);
}

std::string RegistryViews::ValueView(RegKey key, const std::string& name) {
  if (!system_.HasViews()) return "";
  const Pair& pair = *reinterpret_cast<const Pair*>(key);
  if (pair.wide == 0 || pair.narrow == 0) return "";
  const RegKey from = From(key, name);
  if (!system_.HasValue(from, name)) return "";
  return from == pair.wide ? "64-bit" : "32-bit";
}

void RegistryViews::CloseKey(RegKey key) {
  if (!system_.HasViews()) {
    system_.CloseKey(key);
    return;
  }
  const Pair* pair = reinterpret_cast<const Pair*>(key);
  if (pair->wide != 0) system_.CloseKey(pair->wide);
  if (pair->narrow != 0) system_.CloseKey(pair->narrow);
  delete pair;
}

long RegistryViews::Made(long error, RegKey made, RegKey* key) {
  if (error != 0) return error;
  Pair* pair = new (std::nothrow) Pair;
  if (pair == nullptr) {
    system_.CloseKey(made);
    return kOutOfMemory;
  }
  pair->wide = made;  // the only view a made key has
  *key = reinterpret_cast<RegKey>(pair);
  return 0;
}

long RegistryViews::CreateKeyEx(const std::string& path, RegKey* key) {
  if (!system_.HasViews()) return system_.CreateKeyEx(path, key);
  RegKey made = 0;
  const long error = system_.CreateKeyEx(path, &made);
  return Made(error, made, key);
}

long RegistryViews::CreateKey(const std::string& path, RegKey* key) {
  if (!system_.HasViews()) return system_.CreateKey(path, key);
  RegKey made = 0;
  const long error = system_.CreateKey(path, &made);
  return Made(error, made, key);
}

long RegistryViews::SetText(RegKey key, const std::string& name, const std::string& text,
                            bool expandable) {
  if (!system_.HasViews()) return system_.SetText(key, name, text, expandable);
  return system_.SetText(reinterpret_cast<const Pair*>(key)->wide, name, text, expandable);
}

long RegistryViews::SetDword(RegKey key, const std::string& name, std::uint32_t value) {
  if (!system_.HasViews()) return system_.SetDword(key, name, value);
  return system_.SetDword(reinterpret_cast<const Pair*>(key)->wide, name, value);
}

}  // namespace kestro
