#include "platform/win32/file_security_win32.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "platform/success_cache.h"
#include "platform/win32/own_file_rights_win32.h"

namespace kestro {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

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

// The computer account ("NAME$" of the machine's domain): what a share
// names as the owner of the files a LocalSystem service creates there.
// Unknown off a domain, and at boot until the domain's controller answers:
// asked again then, once a minute.
struct ComputerSid {
  unsigned char bytes[SECURITY_MAX_SID_SIZE];
};

bool LookUpComputerAccount(ComputerSid* sid) {
  char name[MAX_COMPUTERNAME_LENGTH + 2];
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameA(name, &length)) return false;
  const std::string account = std::string(name, length) + "$";
  DWORD sidSize = sizeof sid->bytes;
  char domain[256];
  DWORD domainSize = sizeof domain;
  SID_NAME_USE use;
  return LookupAccountNameA(nullptr, account.c_str(), sid->bytes, &sidSize, domain, &domainSize, &use) &&
         IsValidSid(sid->bytes);
}

PSID ComputerAccountSid() {
  static SuccessCache<ComputerSid> computer(60 * 1000);
  const ComputerSid* sid = computer.Get(GetTickCount(), LookUpComputerAccount);
  return sid == nullptr ? nullptr : const_cast<unsigned char*>(sid->bytes);
}

bool IsComputerAccount(PSID sid) {
  const PSID computer = ComputerAccountSid();
  return computer != nullptr && EqualSid(sid, computer) != FALSE;
}

// `thisAccount`: whether this process's own account counts as the
// program's (not when judging for the service's account, LocalSystem).
Principal Classify(PSID sid, bool share, bool thisAccount) {
  if (IsWellKnown(sid, 1, SECURITY_LOCAL_SYSTEM_RID, 0)) return Principal::System;
  if (IsWellKnown(sid, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS))
    return Principal::Administrators;
  if (thisAccount && IsThisAccount(sid)) return Principal::ThisAccount;
  // Only looked up for a share: off a share it counts for nothing, and the
  // look-up may wait for the domain's controller.
  return share && IsComputerAccount(sid) ? Principal::ComputerAccount : Principal::Other;
}

// Reads the owner and the entries that apply to the file; false when they
// could not be read (`why` then says so).
bool ReadSecurity(HANDLE file, bool share, bool thisAccount, FileSecurity* security, std::string* why) {
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
    security->owner = Classify(owner, share, thisAccount);
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
    security->grants.push_back({Classify(sid, share, thisAccount), SidText(sid), allowed->Mask});
  }
  LocalFree(descriptor);
  return true;
}

}  // namespace

namespace {

// NtQueryVolumeInformationFile (ntdll.dll, NT 4 on), looked up at run time:
// the volume of an open handle, asked without GetVolumeInformationA, which
// takes a path and, under Wine, writes a line to standard error each time.
struct IoStatus {
  void* status;
  ULONG_PTR information;
};
using QueryVolumeFunction = LONG(WINAPI*)(HANDLE, IoStatus*, void*, ULONG, int);
constexpr int kFsDeviceInformation = 4;
constexpr int kFsAttributeInformation = 5;
constexpr ULONG kRemoteDevice = 0x10;  // FILE_REMOTE_DEVICE

QueryVolumeFunction QueryVolume() {
  static const QueryVolumeFunction query = [] {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll == nullptr ? nullptr
                            : reinterpret_cast<QueryVolumeFunction>(reinterpret_cast<void*>(
                                  GetProcAddress(ntdll, "NtQueryVolumeInformationFile")));
  }();
  return query;
}

}  // namespace

void ReadVolume(HANDLE file, bool* keepsAccessLists, bool* share) {
  *keepsAccessLists = true;
  *share = false;
  const QueryVolumeFunction query = QueryVolume();
  if (query == nullptr) return;
  IoStatus status;
  ULONG device[2];  // its type, its characteristics
  if (query(file, &status, device, sizeof device, kFsDeviceInformation) >= 0)
    *share = (device[1] & kRemoteDevice) != 0;
  // Its attributes, then the file system's name, which may not fit and
  // need not: the attributes come first.
  ULONG attributes[64];
  const LONG result = query(file, &status, attributes, sizeof attributes, kFsAttributeInformation);
  if (result >= 0 || static_cast<ULONG>(result) == 0x80000005 /* buffer overflow */)
    *keepsAccessLists = (attributes[0] & FILE_PERSISTENT_ACLS) != 0;
}

PSID ShareAccount(const std::string& path) {
  // Asked at every line, so by the path's volume as its start names it: a
  // UNC path, or a drive letter or volume mapped to a share ("\\?\C:\..."
  // is the local drive C:).
  std::string root;
  if (path.compare(0, 8, "\\\\?\\UNC\\") == 0) return ComputerAccountSid();
  if (path.compare(0, 4, "\\\\?\\") == 0 || path.compare(0, 4, "\\\\.\\") == 0) {
    const std::string::size_type end = path.find('\\', 4);
    root = "\\\\?\\" + path.substr(4, end == std::string::npos ? std::string::npos : end - 4);
    if (root.size() == 6 && root[5] == ':') root = root.substr(4);
    root += "\\";
  } else if (path.compare(0, 2, "\\\\") == 0) {
    return ComputerAccountSid();
  } else if (path.size() >= 2 && path[1] == ':') {
    root = path.substr(0, 2) + "\\";
  }
  return !root.empty() && GetDriveTypeA(root.c_str()) == DRIVE_REMOTE ? ComputerAccountSid() : nullptr;
}

HANDLE OpenOwnFile(const std::string& path, bool lockFile, DWORD disposition,
                   SECURITY_ATTRIBUTES* created, bool mayNarrow) {
  // The log is only appended to; the lock file only carries its byte.
  const DWORD access = (lockFile ? GENERIC_READ : FILE_APPEND_DATA) | READ_CONTROL;
  constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
  if (mayNarrow) {
    HANDLE file = CreateFileA(path.c_str(), access | WRITE_DAC, kShareAll, created, disposition,
                              kFlags, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_ACCESS_DENIED) return file;
  }
  return CreateFileA(path.c_str(), access, kShareAll, created, disposition, kFlags, nullptr);
}

OwnFileVerdict JudgeOpenFile(HANDLE file, bool lockFile) {
  FileSecurity security;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info))
    return {"could not be examined (error " + std::to_string(GetLastError()) + ")", false};
  security.reparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  security.links = info.nNumberOfLinks;
  ReadVolume(file, &security.volumeKeepsAccessLists, &security.onShare);
  std::string why;
  if (security.volumeKeepsAccessLists && !security.reparsePoint && security.links <= 1 &&
      !ReadSecurity(file, security.onShare, true, &security, &why))
    return {why, false};
  return JudgeOwnFile(security, lockFile);
}

std::string RefusalAfterNarrowing(HANDLE file, bool lockFile) {
  const OwnFileVerdict verdict = JudgeOpenFile(file, lockFile);
  if (!verdict.narrowable) return verdict.refusal;
  // The program's own file with rights wider than it gives: left so by a
  // version that took its folder's (the root of C: lets every authenticated
  // user modify files).
  bool keepsAccessLists = true;
  bool share = false;
  ReadVolume(file, &keepsAccessLists, &share);
  OwnFileRights rights(lockFile ? OwnFileRights::Readers::Nobody : OwnFileRights::Readers::Users,
                       share ? ComputerAccountSid() : nullptr);
  if (rights.Acl() == nullptr ||
      SetSecurityInfo(file, SE_FILE_OBJECT,
                      DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                      nullptr, rights.Acl(), nullptr) != ERROR_SUCCESS)
    return verdict.refusal;
  return JudgeOpenFile(file, lockFile).refusal;
}

bool ReadFileSecurity(HANDLE file, FileSecurity* security, std::string* why, bool asService) {
  return ReadSecurity(file, false, !asService, security, why);
}

}  // namespace kestro
