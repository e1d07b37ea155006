#include "platform/posix/module_posix.h"

#include <unistd.h>

#include <cstring>

#include "version.h"

namespace kestro {

ModuleHandle PosixModule::ProgramModule() { return 1; }

bool PosixModule::ModuleFileName(ModuleHandle, std::size_t size, std::string* path) {
  std::string buffer(size, '\0');
  const ssize_t n = readlink("/proc/self/exe", &buffer[0], size);
  if (n <= 0 || static_cast<std::size_t>(n) >= size) return false;
  buffer.resize(static_cast<std::size_t>(n));
  *path = buffer;
  return true;
}

std::uint32_t PosixModule::VersionInfoSize(const std::string&) {
  return static_cast<std::uint32_t>(std::strlen(KESTRO_FILE_VERSION) + 1);
}

bool PosixModule::VersionInfo(const std::string&, std::vector<unsigned char>* block) {
  const std::size_t n = std::strlen(KESTRO_FILE_VERSION) + 1;
  if (block->size() < n) return false;
  std::memcpy(block->data(), KESTRO_FILE_VERSION, n);
  return true;
}

bool PosixModule::QueryVersionText(const std::vector<unsigned char>& block,
                                   const std::string& entry, std::string* text) {
  if (entry != "\\StringFileInfo\\040904B0\\FileVersion" || block.empty()) return false;
  *text = std::string(reinterpret_cast<const char*>(block.data()),
                      strnlen(reinterpret_cast<const char*>(block.data()), block.size()));
  return true;
}

}  // namespace kestro
