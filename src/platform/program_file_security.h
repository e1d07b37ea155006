#pragma once
// Whether a slot's program on Windows may be run, judged from the owner and
// access list of the file and of each folder above it, the way the Linux
// build judges owner and mode: only SYSTEM, the Administrators group,
// TrustedInstaller (the owner of the system's own programs) or this
// program's own account may own them or be able to change or replace them.
#include <cstdint>
#include <string>
#include <vector>

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
inline constexpr std::uint32_t kAddFileRight = 0x0002;     // FILE_ADD_FILE
inline constexpr std::uint32_t kAddFolderRight = 0x0004;   // FILE_ADD_SUBDIRECTORY

// What a folder is to the program. Windows loads a program's DLLs from its
// own folder first, so whoever may add a file there chooses code that runs
// with it; whoever may add the missing folder on the way owns what is below.
enum class FolderRole { Above, HoldsProgram, HoldsMissingFolder };

// Why the program may not be run, as a phrase after "it" ("may be written
// by S-1-5-11"); empty when it may. For a folder above it, `folder` is the
// folder's path ("lies in \"C:\\Tools\", which belongs to S-1-5-21-...").
// A volume without access lists lets every user change what lies on it:
// refused unless this program's own (`hostKeepsAccessLists` false) is such
// a volume too, when nothing is protected anyway.
std::string ProgramRefusal(const FileSecurity& security, const std::string& folder,
                           FolderRole role = FolderRole::Above, bool hostKeepsAccessLists = true);

// One entry of a program's path as the system showed it, opened from the
// root down: the entry itself and, for a link (a symbolic link, a
// junction), what it leads to.
struct PathEntry {
  std::string path;
  bool missing = false;
  std::string unreadable;  // why its owner and rights could not be read
  std::vector<FileSecurity> security;
};

// The refusal of a walked path: the program first (unless missing or not
// asked for: an empty path), then the folders from the root down to the
// first missing one. The deepest folder takes `deepest`; the last one
// before a missing folder holds that missing folder. Whatever is missing,
// the folders that are there are judged: a program that appears later must
// appear in folders only the administrators may change.
std::string PathRefusal(const std::vector<PathEntry>& folders, const PathEntry& program,
                        FolderRole deepest, bool hostKeepsAccessLists);

// How long the root of a full Windows path is ("C:\", "\\server\share\",
// either after "\\?\" or as "\\?\UNC\server\share\"); 0 for a form whose
// folders cannot be walked by its text (a volume's name, a device, "." or
// ".." left in a path the system takes literally).
std::string::size_type WalkableRootLength(const std::string& path);

}  // namespace kestro
