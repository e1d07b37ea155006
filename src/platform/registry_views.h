#pragma once
// The settings of a 64-bit Windows, wherever they were written. The 64-bit
// view is where an administrator's console writes (reg.exe, regedit, a
// policy), the 32-bit view where a 32-bit installer does (the x86 package's
// LogDir) and where a 32-bit tool writes: each value is read from the
// 64-bit view where it is there and from the 32-bit view otherwise, for
// either build alike. Where the registry has one view, every call goes
// through to it unchanged.
#include "platform/registry.h"

namespace kestro {

class RegistryViews : public Registry {
 public:
  explicit RegistryViews(Registry& system) : system_(system) {}

  // The key in both views: found when it is in either. A 64-bit view that
  // holds the key but refuses it fails the open, with its error: the 32-bit
  // view's values would stand in for the ones the administrator wrote.
  bool OpenKey(const std::string& path, RegKey* key) override;
  bool QueryDword(RegKey key, const std::string& name, std::uint32_t* value) override;
  bool QueryText(RegKey key, const std::string& name, std::size_t size,
                 std::string* value) override;
  bool HasValue(RegKey key, const std::string& name) override;
  std::string ValueView(RegKey key, const std::string& name) override;
  void CloseKey(RegKey key) override;
  std::string OpenKeyProblem() override { return system_.OpenKeyProblem(); }

  // Writing is installation's, in the program's own view, as before. A key
  // made here is held like an opened one, so that CloseKey takes either.
  long CreateKeyEx(const std::string& path, RegKey* key) override;
  long CreateKey(const std::string& path, RegKey* key) override;
  long SetText(RegKey key, const std::string& name, const std::string& text,
               bool expandable) override;
  long SetDword(RegKey key, const std::string& name, std::uint32_t value) override;

 private:
  // The system's key in each view, 0 where the view lacks it.
  struct Pair {
    RegKey wide = 0;
    RegKey narrow = 0;
  };
  // The system's key that the value `name` is read from.
  RegKey From(RegKey key, const std::string& name);
  // Holds a key of the program's own view that installation made.
  long Made(long error, RegKey made, RegKey* key);

  Registry& system_;
};

}  // namespace kestro
