#include "platform/win32/file_security_win32.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "platform/own_file_security.h"
#include "platform/win32/own_file_rights_win32.h"

namespace kestro {
namespace {

std::string SidText(PSID sid) {
  char* text = nullptr;
  if (!ConvertSidToStringSidA(sid, &text)) return "an account without a name";
  const std::string name = text;
  LocalFree(text);
  return name;
}

bool IsWellKnown(PSID sid, BYTE count, DWORD first, DWORD second) {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID known = nullptr;
  if (!AllocateAndInitializeSid(&nt, count, first, second, 0, 0, 0, 0, 0, 0, &known)) return false;
  const bool same = EqualSid(sid, known) != FALSE;
  FreeSid(known);
  return same;
}

bool IsThisAccount(PSID sid) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> user(size == 0 ? 1 : size);
  const bool same = size != 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
                    EqualSid(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, sid);
  CloseHandle(token);
  return same;
}

Principal Classify(PSID sid) {
  if (IsWellKnown(sid, 1, SECURITY_LOCAL_SYSTEM_RID, 0)) return Principal::System;
  if (IsWellKnown(sid, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS))
    return Principal::Administrators;
  return IsThisAccount(sid) ? Principal::ThisAccount : Principal::Other;
}

// Reads the owner and the entries that apply to the file; false when they
// could not be read (`why` then says so).
bool ReadSecurity(HANDLE file, FileSecurity* security, std::string* why) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = GetSecurityInfo(file, SE_FILE_OBJECT,
                                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                      &owner, nullptr, &dacl, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    *why = "has an owner and rights that could not be read (error " + std::to_string(error) + ")";
    return false;
  }
  if (owner != nullptr) {
    security->owner = Classify(owner);
    security->ownerName = SidText(owner);
  } else {
    security->ownerName = "no account";
  }
  security->hasAccessList = dacl != nullptr;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(dacl, i, &entry)) continue;
    const ACE_HEADER* header = static_cast<ACE_HEADER*>(entry);
    // Entries only handed down to files created inside do not apply here.
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) continue;
    const ACCESS_ALLOWED_ACE* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    security->grants.push_back({Classify(sid), SidText(sid), allowed->Mask});
  }
  LocalFree(descriptor);
  return true;
}

std::string Judged(HANDLE file, bool lockFile, Principal* owner) {
  FileSecurity security;
  std::string why;
  if (!ReadSecurity(file, &security, &why)) return why;
  *owner = security.owner;
  return OwnFileRefusal(security, lockFile);
}

}  // namespace

std::string ForeignFileRefusal(HANDLE file, bool lockFile, const std::string& narrowPath) {
  Principal owner = Principal::Other;
  std::string refusal = Judged(file, lockFile, &owner);
  if (refusal.empty() || owner == Principal::Other || narrowPath.empty()) return refusal;
  // The program's own file with rights wider than it gives: left so by a
  // version that took its folder's (the root of C: lets every authenticated
  // user modify files). It gets the program's rights, then is judged again
  // through the same handle, so a file put in its place meanwhile changes
  // nothing.
  OwnFileRights rights(lockFile ? OwnFileRights::Readers::Nobody : OwnFileRights::Readers::Users);
  if (rights.Attributes() == nullptr ||
      !SetFileSecurityA(narrowPath.c_str(), DACL_SECURITY_INFORMATION,
                        rights.Attributes()->lpSecurityDescriptor))
    return refusal;
  return Judged(file, lockFile, &owner);
}

bool ReadFileSecurity(HANDLE file, FileSecurity* security, std::string* why) {
  return ReadSecurity(file, security, why);
}

}  // namespace kestro
