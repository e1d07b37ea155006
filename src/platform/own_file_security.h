#pragma once
// Whether a log or lock file that is there already may be used on Windows,
// judged from what it is (a link or not, its volume) and from its owner and
// its access list, the way the Linux build judges its type, links, owner and
// mode: only SYSTEM, the Administrators group or this program's own account
// may own it or be able to change it.
#include <cstdint>
#include <string>
#include <vector>

namespace kestro {

// ComputerAccount is the machine's account of its domain ("NAME$"): a
// network share's name for a LocalSystem service, the owner of the files it
// creates there.
enum class Principal { System, Administrators, ThisAccount, ComputerAccount, Other };

// One allowing entry of the file's access list.
struct AccessGrant {
  Principal who = Principal::Other;
  std::string name;  // as the event log shows it ("S-1-5-32-545")
  std::uint32_t mask = 0;
};

struct FileSecurity {
  Principal owner = Principal::Other;
  std::string ownerName;
  bool hasAccessList = true;  // none at all lets everyone do everything
  std::vector<AccessGrant> grants;
  // The file itself (GetFileInformationByHandle on a handle opened without
  // following a reparse point) and its volume (GetVolumeInformation).
  bool reparsePoint = false;
  std::uint32_t links = 1;
  bool volumeKeepsAccessLists = true;  // FILE_PERSISTENT_ACLS: not FAT, exFAT, ...
  bool onShare = false;  // a network share: the computer account is the program's own
};

// Rights that change or remove a file or its rights: writing, appending,
// its attributes, deleting, the access list, the owner, and the generic
// ones that include them.
inline constexpr std::uint32_t kChangeRights =
    0x0002 | 0x0004 | 0x0010 | 0x0100 | 0x10000 | 0x40000 | 0x80000 | 0x40000000 | 0x10000000;
// Whoever can read the lock file can open it and hold its byte.
inline constexpr std::uint32_t kOpenRights = 0x0001 | 0x80000000;

struct OwnFileVerdict {
  // Why the file may not be used as it is, as a phrase after "it" ("belongs
  // to S-1-5-21-...-1004"); empty when it may.
  std::string refusal;
  // The program's own file whose rights are only too wide: the writer gives
  // it the program's rights and then uses it.
  bool narrowable = false;
};

// The one judgement of the log writer and of -check. For the lock file
// reading counts as much as writing. A volume without access lists protects
// no file whatever is judged: its files are used as they are.
OwnFileVerdict JudgeOwnFile(const FileSecurity& security, bool lockFile);

// The refusal alone, whether or not narrowing would mend it.
inline std::string OwnFileRefusal(const FileSecurity& security, bool lockFile) {
  return JudgeOwnFile(security, lockFile).refusal;
}

}  // namespace kestro
