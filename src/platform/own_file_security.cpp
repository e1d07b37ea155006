#include "platform/own_file_security.h"

namespace kestro {
namespace {

bool IsOwn(Principal who, const FileSecurity& security) {
  return who == Principal::ComputerAccount ? security.onShare : who != Principal::Other;
}

}  // namespace

OwnFileVerdict JudgeOwnFile(const FileSecurity& security, bool lockFile) {
  // A link is judged itself, never by its target, as on Linux: a second
  // hard link or a reparse point may lead to a file of someone else's.
  if (security.reparsePoint) return {"is a reparse point (a link)", false};
  if (security.links > 1) return {"has " + std::to_string(security.links) + " links", false};
  if (!security.volumeKeepsAccessLists) return {};
  if (!IsOwn(security.owner, security)) return {"belongs to " + security.ownerName, false};
  if (!security.hasAccessList) return {"may be written by every user", true};
  const std::uint32_t rights = kChangeRights | (lockFile ? kOpenRights : 0);
  for (const AccessGrant& grant : security.grants) {
    if (IsOwn(grant.who, security) || (grant.mask & rights) == 0) continue;
    if ((grant.mask & kChangeRights) == 0) return {"may be opened by " + grant.name, true};
    return {"may be written or deleted by " + grant.name, true};
  }
  return {};
}

}  // namespace kestro
