#include "probe/ipv6_text.h"

#include <cstdio>

namespace kestro {

std::string FormatIpv6(const Ipv6Address& address) {
  const unsigned char* b = address.bytes;
  unsigned groups[8];
  for (int i = 0; i < 8; ++i) groups[i] = static_cast<unsigned>(b[2 * i] << 8 | b[2 * i + 1]);
  // ::ffff:a.b.c.d
  bool mapped = groups[5] == 0xFFFF;
  for (int i = 0; i < 5; ++i) mapped = mapped && groups[i] == 0;
  if (mapped) {
    char text[32];
    std::snprintf(text, sizeof text, "::ffff:%u.%u.%u.%u", b[12], b[13], b[14], b[15]);
    return text;
  }
  int best = -1, bestLength = 1;  // a single zero group is not shortened
  for (int i = 0; i < 8;) {
    int j = i;
    while (j < 8 && groups[j] == 0) ++j;
    if (j - i > bestLength) {
      best = i;
      bestLength = j - i;
    }
    i = j == i ? i + 1 : j;
  }
  std::string text;
  for (int i = 0; i < 8; ++i) {
    if (i == best) {
      text += "::";
      i += bestLength - 1;
      continue;
    }
    if (!text.empty() && text.back() != ':') text += ':';
    char group[8];
    std::snprintf(group, sizeof group, "%x", groups[i]);
    text += group;
  }
  return text;
}

std::string WithoutBrackets(const std::string& host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    return host.substr(1, host.size() - 2);
  return host;
}

}  // namespace kestro
