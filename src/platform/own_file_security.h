#pragma once
// Whether a log or lock file that is there already may be used on Windows,
// judged from its owner and its access list, the way the Linux build judges
// its owner and mode: only SYSTEM, the Administrators group or this
// program's own account may own it or be able to change it.
#include <cstdint>
#include <string>
#include <vector>

namespace kestro {

enum class Principal { System, Administrators, ThisAccount, Other };

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
};

// Rights that change or remove a file or its rights: writing, appending,
// its attributes, deleting, the access list, the owner, and the generic
// ones that include them.
inline constexpr std::uint32_t kChangeRights =
    0x0002 | 0x0004 | 0x0010 | 0x0100 | 0x10000 | 0x40000 | 0x80000 | 0x40000000 | 0x10000000;
// Whoever can read the lock file can open it and hold its byte.
inline constexpr std::uint32_t kOpenRights = 0x0001 | 0x80000000;

// Why the file may not be used, as a phrase after "it" ("belongs to
// S-1-5-21-...-1004"); empty when it may. For the lock file reading counts
// as much as writing.
std::string OwnFileRefusal(const FileSecurity& security, bool lockFile);

}  // namespace kestro
