#pragma once
// The ICMPv6 datagram ("ping") socket, which Linux grants to the same groups
// as the IPv4 one (net.ipv4.ping_group_range), dressed as the raw ICMPv6
// socket: both hand over messages from the ICMPv6 header on. As over IPv4
// the kernel puts the socket's port in place of each request's identifier,
// which is put back; ICMPv6 errors come through the error queue.
#include <cstdint>

#include "platform/posix/ping_socket_posix.h"
#include "platform/sockets.h"

namespace kestro {

// Where the request an error returns goes: after the error's ICMPv6 header
// and the request's own IPv6 header.
inline constexpr int kReturnedRequestOffset6 = 8 + 40;

// socket(AF_INET6, SOCK_DGRAM, IPPROTO_ICMPV6): the descriptor, or -1 with errno.
int OpenPingSocket6();

// One pending ICMPv6 error, else one answer, as the raw socket would have
// read it: the byte count, or -1 with errno (EMSGSIZE when it does not fit,
// EAGAIN when nothing is there).
int ReceivePing6(const PingSocket& sent, int fd, unsigned char* buffer, int size,
                 Ipv6Address* source);

// Writes the ICMPv6 error `type`/`code` in front of the request it concerns,
// which lies at buffer + 48 (`returned` bytes): type, code, checksum 0, 4
// unused bytes, the request's IPv6 header (to `target`), the request.
// Returns its length.
int BuildIcmp6Error(unsigned char* buffer, int returned, std::uint8_t type, std::uint8_t code,
                    const unsigned char* target);

}  // namespace kestro
