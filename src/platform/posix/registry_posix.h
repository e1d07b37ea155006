#pragma once
#include <mutex>
#include <string>

#include "platform/regedit_file.h"
#include "platform/registry.h"

namespace kestro {

// The settings key kept in a REGEDIT4 file: $KESTRO_REGISTRY, else
// /etc/kestro/kestro.reg. The file is read at every opening of the key, so
// edits take effect at the next read as in the registry. A missing file is
// a missing key.
class PosixRegistry : public Registry {
 public:
  bool OpenKey(const std::string& path, RegKey* key) override;
  bool QueryDword(RegKey key, const std::string& name, std::uint32_t* value) override;
  bool QueryText(RegKey key, const std::string& name, std::size_t size,
                 std::string* value) override;
  void CloseKey(RegKey key) override;

  static std::string FilePath();

 private:
  bool Find(RegKey key, const std::string& name, RegValue* value);

  std::mutex mutex_;
  RegKey next_ = 1;
  std::map<RegKey, RegValues> open_;
};

}  // namespace kestro
