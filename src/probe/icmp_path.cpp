#include "probe/icmp_path.h"

#include "platform/platform.h"
#include "probe/decode_reply.h"
#include "probe/echo_message.h"

namespace kestro {

void IcmpPath::Seal(unsigned char* request, int length, std::uint32_t tick,
                    std::uint16_t sequence) {
  SealEchoRequest(request, static_cast<std::size_t>(length), tick, sequence);
}

bool Ipv4Path::Adopt(SocketHandle*, IcmpSocketKind*, bool*) { return true; }

int Ipv4Path::Send(SocketHandle socket, const unsigned char* data, int length) {
  return Os().sockets->SendTo(socket, data, length, address_, family_);
}

int Ipv4Path::Receive(SocketHandle socket, unsigned char* buffer, int size) {
  return Os().sockets->ReceiveFrom(socket, buffer, size, &source_);
}

int Ipv4Path::Judge(PingStatistics& stats, const unsigned char* datagram, int count,
                    const EchoInFlight& request) {
  return DecodeReply(stats, datagram, count, source_, address_, request);
}

bool Ipv6Path::Adopt(SocketHandle* socket, IcmpSocketKind* kind, bool* open) {
  Sockets& sockets = *Os().sockets;
  sockets.Close(*socket);
  *open = sockets.OpenRawIcmp6(socket, kind);
  return *open;
}

void Ipv6Path::Seal(unsigned char* request, int length, std::uint32_t tick,
                    std::uint16_t sequence) {
  request[0] = kIcmp6.echoRequest;
  IcmpPath::Seal(request, length, tick, sequence);
  // The ICMPv6 checksum covers the addresses, which the stack chooses.
  WriteLe16(request + 2, 0);
}

int Ipv6Path::Send(SocketHandle socket, const unsigned char* data, int length) {
  return Os().sockets->SendTo6(socket, data, length, address_);
}

int Ipv6Path::Receive(SocketHandle socket, unsigned char* buffer, int size) {
  return Os().sockets->ReceiveFrom6(socket, buffer, size, &source_);
}

int Ipv6Path::Judge(PingStatistics& stats, const unsigned char* datagram, int count,
                    const EchoInFlight& request) {
  return DecodeReply6(stats, datagram, count, source_, address_, request);
}

}  // namespace kestro
