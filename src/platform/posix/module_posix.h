#pragma once
#include "platform/module.h"

namespace kestro {

// The program path from /proc/self/exe. An ELF file has no version
// resource: its block is the version text fixed at build time.
class PosixModule : public Module {
 public:
  ModuleHandle ProgramModule() override;
  bool ModuleFileName(ModuleHandle module, std::size_t size, std::string* path) override;
  std::uint32_t VersionInfoSize(const std::string& path) override;
  bool VersionInfo(const std::string& path, std::vector<unsigned char>* block) override;
  bool QueryVersionText(const std::vector<unsigned char>& block, const std::string& entry,
                        std::string* text) override;
};

}  // namespace kestro
