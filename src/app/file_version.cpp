#include "app/file_version.h"

#include <vector>

#include "platform/platform.h"

namespace kestro {

std::string GetFileVersionText() {
  Module& module = *Os().module;
  std::string path;
  if (!module.ModuleFileName(module.ProgramModule(), 260, &path)) return "";
  const std::uint32_t size = module.VersionInfoSize(path);
  if (size == 0) return "";
  std::vector<unsigned char> block(size);
  if (!module.VersionInfo(path, &block)) return "";
  std::string text;
  if (!module.QueryVersionText(block, kFileVersionEntry, &text)) return "";
  return text;
}

}  // namespace kestro
