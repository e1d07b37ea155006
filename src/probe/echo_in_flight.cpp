#include "probe/echo_in_flight.h"

#include <cstring>

namespace kestro {
namespace {
constexpr int kIdentifierOffset = 4;
constexpr int kHeaderSize = 8;  // type, code, checksum, identifier, sequence
}  // namespace

bool EchoesRequest(const EchoInFlight& request, const unsigned char* icmp, int length) {
  return request.length >= kHeaderSize && length == request.length &&
         std::memcmp(icmp + kIdentifierOffset, request.message + kIdentifierOffset,
                     static_cast<std::size_t>(length - kIdentifierOffset)) == 0;
}

bool QuotesRequest(const EchoInFlight& request, const unsigned char* quoted, int length) {
  if (length < kHeaderSize || request.length < kHeaderSize) return false;
  // A router may quote less than the whole request, never other bytes. The
  // checksum is not compared, in an answer neither.
  const int compared = length < request.length ? length : request.length;
  return quoted[0] == request.message[0] && quoted[1] == request.message[1] &&
         std::memcmp(quoted + kIdentifierOffset, request.message + kIdentifierOffset,
                     static_cast<std::size_t>(compared - kIdentifierOffset)) == 0;
}

}  // namespace kestro
