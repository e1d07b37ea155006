#include "app/setting_views.h"

#include <algorithm>

#include "platform/platform.h"

namespace kestro {
namespace {

// The registry the program reads, telling `views` of each value asked for.
class NotingRegistry : public Registry {
 public:
  NotingRegistry(Registry& registry, SettingViews& views) : registry_(registry), views_(views) {}

  bool OpenKey(const std::string& path, RegKey* key) override { return registry_.OpenKey(path, key); }
  bool HasViews() override { return registry_.HasViews(); }
  long OpenKeyInView(const std::string& path, bool wide, RegKey* key) override {
    return registry_.OpenKeyInView(path, wide, key);
  }
  std::string ValueView(RegKey key, const std::string& name) override {
    return registry_.ValueView(key, name);
  }
  bool QueryDword(RegKey key, const std::string& name, std::uint32_t* value) override {
    views_.Add(key, name);
    return registry_.QueryDword(key, name, value);
  }
  bool QueryText(RegKey key, const std::string& name, std::size_t size,
                 std::string* value) override {
    views_.Add(key, name);
    return registry_.QueryText(key, name, size, value);
  }
  bool HasValue(RegKey key, const std::string& name) override {
    views_.Add(key, name);
    return registry_.HasValue(key, name);
  }
  void CloseKey(RegKey key) override { registry_.CloseKey(key); }
  std::string OpenKeyProblem() override { return registry_.OpenKeyProblem(); }
  long CreateKeyEx(const std::string& path, RegKey* key) override {
    return registry_.CreateKeyEx(path, key);
  }
  long CreateKey(const std::string& path, RegKey* key) override {
    return registry_.CreateKey(path, key);
  }
  long SetText(RegKey key, const std::string& name, const std::string& text,
               bool expandable) override {
    return registry_.SetText(key, name, text, expandable);
  }
  long SetDword(RegKey key, const std::string& name, std::uint32_t value) override {
    return registry_.SetDword(key, name, value);
  }

 private:
  Registry& registry_;
  SettingViews& views_;
};

}  // namespace

void SettingViews::Note(const std::function<void()>& read) {
  const Platform plain = Os();
  NotingRegistry noting(*plain.registry, *this);
  Platform table = plain;
  table.registry = &noting;
  SetPlatform(table);
  read();
  SetPlatform(plain);
}

void SettingViews::Add(RegKey key, const std::string& name) {
  const std::string view = Os().registry->ValueView(key, name);
  if (view.empty()) return;
  std::vector<std::string>& names = names_[view == "64-bit" ? 0 : 1];
  if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

std::vector<std::string> SettingViews::Lines() const {
  std::vector<std::string> lines;
  const char* views[] = {"64-bit", "32-bit"};
  for (int v = 0; v < 2; ++v) {
    if (names_[v].empty()) continue;
    std::string line = std::string("Settings from the ") + views[v] + " view:";
    for (std::size_t i = 0; i < names_[v].size(); ++i) line += (i == 0 ? " " : ", ") + names_[v][i];
    lines.push_back(line);
  }
  return lines;
}

}  // namespace kestro
