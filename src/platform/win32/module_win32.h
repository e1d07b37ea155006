#pragma once
#include "platform/module.h"

namespace kestro {

class Win32Module : public Module {
 public:
  ModuleHandle ProgramModule() override;
  bool ModuleFileName(ModuleHandle module, std::size_t size, std::string* path) override;
  std::uint32_t VersionInfoSize(const std::string& path) override;
  bool VersionInfo(const std::string& path, std::vector<unsigned char>* block) override;
  bool QueryVersionText(const std::vector<unsigned char>& block, const std::string& entry,
                        std::string* text) override;
};

}  // namespace kestro
