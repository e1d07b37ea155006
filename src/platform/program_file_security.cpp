#include "platform/program_file_security.h"

namespace kestro {
namespace {

bool Trusted(Principal who, const std::string& name) {
  return who != Principal::Other || name == kTrustedInstallerSid;
}

}  // namespace

std::string ProgramRefusal(const FileSecurity& security, const std::string& folder) {
  const std::string lies = folder.empty() ? "" : "lies in \"" + folder + "\", which ";
  if (!Trusted(security.owner, security.ownerName)) return lies + "belongs to " + security.ownerName;
  if (!security.hasAccessList) return lies + "may be written by every user";
  const std::uint32_t rights = folder.empty() ? kProgramChangeRights : kFolderReplaceRights;
  for (const AccessGrant& grant : security.grants) {
    if (!Trusted(grant.who, grant.name) && (grant.mask & rights) != 0)
      return lies + "may be written by " + grant.name;
  }
  return "";
}

}  // namespace kestro
