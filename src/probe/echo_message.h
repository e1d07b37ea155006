#pragma once
// The ICMP echo message as bytes. Multi-byte fields are little-endian, as
// the host writes them; the peer echoes them unchanged.
//
//   0      1      2      3      4             6             8                12
//   +------+------+------+------+------+------+------+------+------+------+----
//   | type | code |  checksum   |  identifier |  sequence   |   send time   | data
//   +------+------+------+------+------+------+------+------+------+------+----
#include <cstddef>
#include <cstdint>

#include "platform/icmp_family.h"

namespace kestro {

inline constexpr std::size_t kEchoHeaderSize = 12;  // with the send time
inline constexpr std::uint8_t kEchoRequest = kIcmp4.echoRequest;
inline constexpr std::uint8_t kEchoReply = kIcmp4.echoReply;
inline constexpr std::uint8_t kEchoRequest6 = kIcmp6.echoRequest;

inline std::uint16_t ReadLe16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t ReadLe32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline void WriteLe16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void WriteLe32(unsigned char* p, std::uint32_t v) {
  WriteLe16(p, static_cast<std::uint16_t>(v));
  WriteLe16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

// The identifier of the request in flight: 0 at start, raised before each
// request, never reset in the life of the process.
std::uint16_t CurrentEchoIdentifier();
std::uint16_t NextEchoIdentifier();

// The Internet checksum (RFC 1071) over little-endian words.
std::uint16_t InternetChecksum(const unsigned char* buffer, std::size_t length);

// Writes type 8, code 0, a zero checksum and sequence, the next identifier
// and random data bytes (0 to 254) from offset 12 to `length`.
void FillEchoRequest(unsigned char* buffer, std::size_t length);

// Stamps the send time and sequence and puts the checksum in place.
void SealEchoRequest(unsigned char* buffer, std::size_t length, std::uint32_t tick,
                     std::uint16_t sequence);

}  // namespace kestro
