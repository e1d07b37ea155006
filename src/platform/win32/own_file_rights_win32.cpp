#include "platform/win32/own_file_rights_win32.h"

namespace kestro {

OwnFileRights::OwnFileRights(Readers readers, PSID alsoFull) {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  if (!AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system_) ||
      !AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                0, 0, 0, 0, &administrators_) ||
      !AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0,
                                0, 0, 0, 0, &users_))
    return;
  PACL acl = reinterpret_cast<PACL>(acl_);
  ready_ = InitializeAcl(acl, sizeof acl_, ACL_REVISION) &&
           AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, system_) &&
           AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, administrators_) &&
           (alsoFull == nullptr || AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, alsoFull)) &&
           (readers == Readers::Nobody ||
            AddAccessAllowedAce(acl, ACL_REVISION, FILE_GENERIC_READ, users_)) &&
           InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
           // Protected: nothing is inherited from the folder.
           SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
}

OwnFileRights::~OwnFileRights() {
  if (system_ != nullptr) FreeSid(system_);
  if (administrators_ != nullptr) FreeSid(administrators_);
  if (users_ != nullptr) FreeSid(users_);
}

}  // namespace kestro
