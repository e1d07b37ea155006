#include "platform/program_file_security.h"

namespace kestro {
namespace {

bool Trusted(Principal who, const std::string& name) {
  return who != Principal::Other || name == kTrustedInstallerSid;
}

std::uint32_t FolderRights(FolderRole role) {
  switch (role) {
    case FolderRole::HoldsProgram: return kFolderReplaceRights | kAddFileRight;
    case FolderRole::HoldsMissingFolder: return kFolderReplaceRights | kAddFolderRight;
    case FolderRole::Above: break;
  }
  return kFolderReplaceRights;
}

std::string::size_type ShareRootLength(const std::string& path, std::string::size_type from) {
  const std::string::size_type server = path.find('\\', from);
  if (server == std::string::npos || server == from) return 0;
  const std::string::size_type share = path.find('\\', server + 1);
  return share == std::string::npos || share == server + 1 ? 0 : share + 1;
}

bool HasDotEntry(const std::string& path) {
  for (std::string::size_type start = 0; start <= path.size();) {
    std::string::size_type end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    const std::string entry = path.substr(start, end - start);
    if (entry == "." || entry == "..") return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

std::string ProgramRefusal(const FileSecurity& security, const std::string& folder, FolderRole role,
                           bool hostKeepsAccessLists) {
  const std::string lies = folder.empty() ? "" : "lies in \"" + folder + "\", which ";
  if (!security.volumeKeepsAccessLists) {
    if (!hostKeepsAccessLists) return "";
    return lies + "is on a volume that keeps no access lists (FAT, exFAT), where every user may change "
                  "it, unlike the volume of Kestro.exe";
  }
  if (!Trusted(security.owner, security.ownerName)) return lies + "belongs to " + security.ownerName;
  if (!security.hasAccessList) return lies + "may be written by every user";
  const std::uint32_t rights = folder.empty() ? kProgramChangeRights : FolderRights(role);
  for (const AccessGrant& grant : security.grants) {
    if (!Trusted(grant.who, grant.name) && (grant.mask & rights) != 0)
      return lies + "may be written by " + grant.name;
  }
  return "";
}

namespace {

std::string EntryRefusal(const PathEntry& entry, const std::string& folder, FolderRole role,
                         bool hostKeepsAccessLists) {
  for (const FileSecurity& security : entry.security) {
    const std::string why = ProgramRefusal(security, folder, role, hostKeepsAccessLists);
    if (!why.empty()) return why;
  }
  if (entry.unreadable.empty()) return "";
  return (folder.empty() ? "" : "lies in \"" + folder + "\", which ") + entry.unreadable;
}

}  // namespace

std::string PathRefusal(const std::vector<PathEntry>& folders, const PathEntry& program,
                        FolderRole deepest, bool hostKeepsAccessLists) {
  if (!program.path.empty() && !program.missing) {
    const std::string why = EntryRefusal(program, "", FolderRole::Above, hostKeepsAccessLists);
    if (!why.empty()) return why;
  }
  for (std::size_t i = 0; i < folders.size() && !folders[i].missing; ++i) {
    const FolderRole role = i + 1 == folders.size()  ? deepest
                            : folders[i + 1].missing ? FolderRole::HoldsMissingFolder
                                                     : FolderRole::Above;
    const std::string why = EntryRefusal(folders[i], folders[i].path, role, hostKeepsAccessLists);
    if (!why.empty()) return why;
  }
  return "";
}

std::string::size_type WalkableRootLength(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return 3;
  if (path.compare(0, 4, "\\\\?\\") == 0) {
    // The system takes such a path as it stands: "." and ".." are names.
    if (HasDotEntry(path.substr(4))) return 0;
    if (path.compare(4, 4, "UNC\\") == 0) return ShareRootLength(path, 8);
    const std::string rest = path.substr(4);
    return rest.size() >= 3 && rest[1] == ':' && rest[2] == '\\' ? 7 : 0;
  }
  if (path.compare(0, 4, "\\\\.\\") == 0 || path.compare(0, 2, "\\\\") != 0) return 0;
  return ShareRootLength(path, 2);
}

}  // namespace kestro
