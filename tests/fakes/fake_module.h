#pragma once
#include <string>
#include <vector>

#include "fakes/fault_plan.h"
#include "platform/module.h"

namespace kestro::testing {

class FakeModule : public Module {
 public:
  explicit FakeModule(FaultPlan& plan) : plan_(plan) {}
  std::string path = "C:\\Program Files\\Kestro\\Kestro.exe";
  std::string version = "2001.02.03.4";
  bool hasVersionInfo = true;
  bool hasFileVersion = true;
  std::string queried;

  ModuleHandle ProgramModule() override {
    plan_.Enter("GetModuleHandleA");
    return 0x400000;
  }
  bool ModuleFileName(ModuleHandle, std::size_t size, std::string* out) override {
    if (plan_.Enter("GetModuleFileNameA") || path.size() >= size) return false;
    *out = path;
    return true;
  }
  std::uint32_t VersionInfoSize(const std::string&) override {
    if (plan_.Enter("GetFileVersionInfoSizeA") || !hasVersionInfo) return 0;
    return 64;
  }
  bool VersionInfo(const std::string&, std::vector<unsigned char>* block) override {
    return !plan_.Enter("GetFileVersionInfoA") && block->size() == 64;
  }
  bool QueryVersionText(const std::vector<unsigned char>&, const std::string& entry,
                        std::string* text) override {
    queried = entry;
    if (plan_.Enter("VerQueryValueA") || !hasFileVersion) return false;
    *text = version;
    return true;
  }

 private:
  FaultPlan& plan_;
};

}  // namespace kestro::testing
