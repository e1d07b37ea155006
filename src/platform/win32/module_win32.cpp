#include "platform/win32/module_win32.h"

#include <windows.h>

#include <cstring>

namespace kestro {

ModuleHandle Win32Module::ProgramModule() {
  return reinterpret_cast<ModuleHandle>(GetModuleHandleA(nullptr));
}

bool Win32Module::ModuleFileName(ModuleHandle module, std::size_t size, std::string* path) {
  std::string buffer(size, '\0');
  const DWORD n = GetModuleFileNameA(reinterpret_cast<HMODULE>(module), &buffer[0],
                                     static_cast<DWORD>(size));
  // A result that fills the buffer was cut short.
  if (n == 0 || n >= size) return false;
  buffer.resize(n);
  *path = buffer;
  return true;
}

std::uint32_t Win32Module::VersionInfoSize(const std::string& path) {
  DWORD handle = 0;
  return GetFileVersionInfoSizeA(path.c_str(), &handle);
}

bool Win32Module::VersionInfo(const std::string& path, std::vector<unsigned char>* block) {
  return GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block->size()), block->data()) !=
         FALSE;
}

bool Win32Module::QueryVersionText(const std::vector<unsigned char>& block,
                                   const std::string& entry, std::string* text) {
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), entry.c_str(), &value, &length) || value == nullptr)
    return false;
  *text = std::string(static_cast<const char*>(value), strnlen(static_cast<const char*>(value), length));
  return true;
}

}  // namespace kestro
