#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace kestro {

// Which registry view each setting was read from, where a 64-bit Windows
// keeps the settings key in both: the check names them, so that a value
// left in the other view is seen.
class SettingViews {
 public:
  // Runs `read` with the registry noting the view of every value it asks for.
  void Note(const std::function<void()>& read);
  // Notes the view of the value `name` of the open key `key`.
  void Add(RegKey key, const std::string& name);
  // "Settings from the 64-bit view: A, B" and the same for the 32-bit view,
  // for the views that gave a value; none where there is one view.
  std::vector<std::string> Lines() const;

 private:
  std::vector<std::string> names_[2];  // the 64-bit view's, the 32-bit view's
};

}  // namespace kestro
