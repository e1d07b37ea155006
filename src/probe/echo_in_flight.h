#pragma once
// The request a sweep now awaits, and what makes a datagram about it. The
// rules hold for every address family: the request carries its own type.
#include <cstdint>

namespace kestro {

// The request as it went out, from its type on.
struct EchoInFlight {
  const unsigned char* message = nullptr;
  int length = 0;
};

// An answer (`length` bytes from its type on) is to the request when it has
// the request's length and, from the identifier on, the request's bytes:
// identifier, sequence, send time and data. Type, code and checksum are left
// to the caller. The random data make it proof: no one else saw them.
bool EchoesRequest(const EchoInFlight& request, const unsigned char* icmp, int length);

// An error's quote of a request (`length` bytes from its type on, as far as
// the sender quoted it) is of the request in flight when it holds at least
// the 8-byte header and every quoted byte but the checksum is the request's.
bool QuotesRequest(const EchoInFlight& request, const unsigned char* quoted, int length);

}  // namespace kestro
