#include "probe/probe_address.h"

#include "platform/platform.h"
#include "probe/ipv6_text.h"

namespace kestro {

ProbeAddress ResolveProbeAddress(const std::string& host) {
  Sockets& sockets = *Os().sockets;
  ProbeAddress target;
  if (sockets.ResolveName(host, &target.ipv4, &target.family)) {
    target.found = true;
  } else {
    target.family = 2;
    if (sockets.ParseDottedQuad(host, &target.ipv4)) {
      target.found = true;
    } else if (sockets.ResolveName6(WithoutBrackets(host), &target.ipv6Address)) {
      target.found = true;
      target.ipv6 = true;
    }
  }
  return target;
}

}  // namespace kestro
