#include "platform/own_file_security.h"

namespace kestro {

std::string OwnFileRefusal(const FileSecurity& security, bool lockFile) {
  if (security.owner == Principal::Other) return "belongs to " + security.ownerName;
  if (!security.hasAccessList) return "may be written by every user";
  const std::uint32_t rights = kChangeRights | (lockFile ? kOpenRights : 0);
  for (const AccessGrant& grant : security.grants) {
    if (grant.who != Principal::Other || (grant.mask & rights) == 0) continue;
    if ((grant.mask & kChangeRights) == 0) return "may be opened by " + grant.name;
    return "may be written or deleted by " + grant.name;
  }
  return "";
}

}  // namespace kestro
