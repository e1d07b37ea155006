#pragma once
// Whether a slot's program on Windows may be run, judged from the owner and
// access list of the file and of each folder above it, the way the Linux
// build judges owner and mode: only SYSTEM, the Administrators group,
// TrustedInstaller (the owner of the system's own programs) or this
// program's own account may own them or be able to change or replace them.
#include <cstdint>
#include <string>

#include "platform/own_file_security.h"

namespace kestro {

inline constexpr char kTrustedInstallerSid[] = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// Rights that change the program: writing, appending, deleting, its access
// list, its owner, and the generic ones that include them.
inline constexpr std::uint32_t kProgramChangeRights =
    0x0002 | 0x0004 | 0x10000 | 0x40000 | 0x80000 | 0x40000000 | 0x10000000;
// Rights that replace an entry of a folder: deleting a child, and the
// folder's own delete, access list and owner. Adding entries (users may
// create folders in C:\) replaces none.
inline constexpr std::uint32_t kFolderReplaceRights = 0x0040 | 0x10000 | 0x40000 | 0x80000 | 0x10000000;

// Why the program may not be run, as a phrase after "it" ("may be written
// by S-1-5-11"); empty when it may. For a folder above it, `folder` is the
// folder's path ("lies in \"C:\\Tools\", which belongs to S-1-5-21-...").
std::string ProgramRefusal(const FileSecurity& security, const std::string& folder);

}  // namespace kestro
