#pragma once
#include <mutex>
#include <string>

#include "platform/regedit_file.h"
#include "platform/registry.h"

namespace kestro {

// The settings key kept in a registry export file: $KESTRO_REGISTRY, else
// /etc/kestro/kestro.reg; the policy key in another, judged alike:
// $KESTRO_POLICY, else /etc/kestro/policy.reg. A file is read at every
// opening of its key, so edits take effect at the next read as in the
// registry. A missing file is a missing key. Refused, with the reason in OpenKeyProblem: a file larger
// than kMaxSettingsFileSize, one that a read fails on, one that is not an
// export (regedit_file.h), and one that others than root (or this program's
// user) could have written (trusted_file_posix.h).
inline constexpr std::size_t kMaxSettingsFileSize = 16 * 1024 * 1024;

class PosixRegistry : public Registry {
 public:
  bool OpenKey(const std::string& path, RegKey* key) override;
  bool QueryDword(RegKey key, const std::string& name, std::uint32_t* value) override;
  bool HasValue(RegKey key, const std::string& name) override;
  bool QueryText(RegKey key, const std::string& name, std::size_t size,
                 std::string* value) override;
  void CloseKey(RegKey key) override;
  std::string OpenKeyProblem() override;
  // Writes are accepted and dropped: what installation registers (the event
  // source) has no meaning for syslog, and the settings file is the
  // administrator's.
  long CreateKeyEx(const std::string& path, RegKey* key) override;
  long CreateKey(const std::string& path, RegKey* key) override;
  long SetText(RegKey key, const std::string& name, const std::string& text,
               bool expandable) override;
  long SetDword(RegKey key, const std::string& name, std::uint32_t value) override;

  static std::string FilePath();
  static std::string PolicyFilePath();

 private:
  bool Find(RegKey key, const std::string& name, RegValue* value);

  std::mutex mutex_;
  RegKey next_ = 1;
  std::map<RegKey, RegValues> open_;
};

}  // namespace kestro
