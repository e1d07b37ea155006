#pragma once
// The program file and its version resource.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestro {

using ModuleHandle = std::uintptr_t;

class Module {
 public:
  virtual ~Module() = default;
  // GetModuleHandleA(NULL): the running program.
  virtual ModuleHandle ProgramModule() = 0;
  // GetModuleFileNameA into a buffer of `size` characters.
  virtual bool ModuleFileName(ModuleHandle module, std::size_t size, std::string* path) = 0;
  // GetFileVersionInfoSizeA; 0 when the file has no version information.
  virtual std::uint32_t VersionInfoSize(const std::string& path) = 0;
  // GetFileVersionInfoA into `block`, whose size is that of the whole block.
  virtual bool VersionInfo(const std::string& path, std::vector<unsigned char>* block) = 0;
  // VerQueryValueA for a text entry such as "\StringFileInfo\040904B0\FileVersion".
  virtual bool QueryVersionText(const std::vector<unsigned char>& block,
                                const std::string& entry, std::string* text) = 0;
};

}  // namespace kestro
