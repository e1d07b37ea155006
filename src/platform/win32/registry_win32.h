#pragma once
#include "platform/registry.h"

namespace kestro {

class Win32Registry : public Registry {
 public:
  bool OpenKey(const std::string& path, RegKey* key) override;
  bool HasViews() override;
  long OpenKeyInView(const std::string& path, bool wide, RegKey* key) override;
  bool QueryDword(RegKey key, const std::string& name, std::uint32_t* value) override;
  bool HasValue(RegKey key, const std::string& name) override;
  bool QueryText(RegKey key, const std::string& name, std::size_t size,
                 std::string* value) override;
  void CloseKey(RegKey key) override;
  long CreateKeyEx(const std::string& path, RegKey* key) override;
  long CreateKey(const std::string& path, RegKey* key) override;
  long SetText(RegKey key, const std::string& name, const std::string& text,
               bool expandable) override;
  long SetDword(RegKey key, const std::string& name, std::uint32_t value) override;
};

}  // namespace kestro
