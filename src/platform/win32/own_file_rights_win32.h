#pragma once
#include <windows.h>

namespace kestro {

// The rights the program gives the files it creates (the logs, the lock
// file), instead of those of their folder: the root of C:, the default log
// folder, lets every authenticated user modify the files created there.
// SYSTEM and Administrators get full control; Users may read a log; nobody
// else may open the lock file, where a lock would hold up every line.
class OwnFileRights {
 public:
  enum class Readers { Users, Nobody };
  // `alsoFull`, when given, gets full control too: on a network share the
  // computer account, as which the program reaches the share.
  explicit OwnFileRights(Readers readers, PSID alsoFull = nullptr);
  ~OwnFileRights();
  OwnFileRights(const OwnFileRights&) = delete;
  OwnFileRights& operator=(const OwnFileRights&) = delete;
  // For CreateFileA; nullptr when the rights could not be built, and the
  // folder's apply.
  SECURITY_ATTRIBUTES* Attributes() { return ready_ ? &attributes_ : nullptr; }
  // The same rights for SetSecurityInfo on an open file; nullptr as above.
  PACL Acl() { return ready_ ? reinterpret_cast<PACL>(acl_) : nullptr; }

 private:
  PSID system_ = nullptr;
  PSID administrators_ = nullptr;
  PSID users_ = nullptr;
  DWORD acl_[64];  // four entries take about 110 bytes
  SECURITY_DESCRIPTOR descriptor_;
  SECURITY_ATTRIBUTES attributes_;
  bool ready_ = false;
};

}  // namespace kestro
