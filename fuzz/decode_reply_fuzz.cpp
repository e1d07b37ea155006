// Feeds arbitrary datagrams to the judgement of what the raw sockets hand
// over, the one parser fed from the network, for IPv4 and (with the choice
// 0x80) for IPv6. Input: 4 bytes of source address, one byte of choices,
// 4 bytes of tick count, then the datagram; its byte count is whatever is
// left, and the datagram sits in a buffer of exactly that size so that a
// read past it shows.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_system.h"
#include "platform/icmp_family.h"
#include "probe/decode_reply.h"

namespace {

kestro::testing::FakeSystem& System() { return kestro::testing::FuzzSystem(); }

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The bytes from `at` to the end, as a request in flight: the family's
// request type and, from the choices, some bytes more or fewer than the
// datagram holds.
std::vector<unsigned char> RequestFrom(const kestro::IcmpFamily& family, const unsigned char* d,
                                       std::size_t count, std::size_t at, std::uint8_t choices) {
  std::vector<unsigned char> r(d + at, d + count);
  r[0] = family.echoRequest;
  if (choices & 4) r.resize(r.size() + (choices >> 4 & 7));
  if (choices & 8 && r.size() > 12) r.resize(r.size() - (choices >> 4 & 3));
  return r;
}

// Judges the datagram as read from the family's socket (IPv4 with its IP
// header in front, IPv6 without) and checks the outcome against the rules.
// The source is the input's 4 bytes, as an IPv4 address or at the end of an
// IPv6 one.
void Judge(const kestro::IcmpFamily& family, const unsigned char* d, std::size_t count,
           std::uint32_t source4, std::uint8_t choices) {
  kestro::testing::FakeSystem& sys = System();
  const std::size_t size = static_cast<std::size_t>(family.addressSize);
  unsigned char source[16] = {0x20, 0x01};
  std::memcpy(source + size - 4, &source4, 4);
  // Half the inputs are from the probed host, the others from elsewhere.
  unsigned char probed[16];
  std::memcpy(probed, source, sizeof probed);
  if (!(choices & 1)) probed[size - 1] ^= 1;
  const std::size_t h =
      family.headerRead && count > 0 ? static_cast<std::size_t>(family.HeaderLength(d)) : 0;
  // Now and then the request in flight is the one the datagram answers or
  // the one an error quotes, else one of 12 zero bytes.
  std::vector<unsigned char> request(12, 0);
  request[0] = family.echoRequest;
  if (choices & 2 && count >= h + 8) {
    const std::size_t quote =
        h + 8 + (count > h + 8 ? static_cast<std::size_t>(family.HeaderLength(d + h + 8)) : 0);
    if (d[h] == family.echoReply && count >= h + 12) request = RequestFrom(family, d, count, h, choices);
    else if (count >= quote + 12) request = RequestFrom(family, d, count, quote, choices);
  }
  kestro::EchoInFlight inFlight;
  inFlight.message = request.data();
  inFlight.length = static_cast<int>(request.size());

  kestro::PingStatistics stats;
  stats.TotalCount = stats.TimeoutCount = 7;
  const int result = kestro::JudgeDatagram(stats, family, d, static_cast<int>(count), source,
                                           probed, inFlight);
  const std::string log = sys.files.contents["/var/log/kestro/Kestro-2.txt"];
  sys.files.contents.clear();
  sys.plan.ClearCalls();  // the list of calls would grow without end

  if (result != kestro::kKeepWaiting && result != kestro::kStopWaiting) __builtin_trap();
  const bool taken = stats.TimeoutCount == 6;
  if (!taken && stats.TimeoutCount != 7) __builtin_trap();
  if (taken) {
    // An answer is taken only from the probed host, echoing the request in
    // flight whole from its identifier on; it ends the wait and is logged.
    if (!(choices & 1) || count != h + request.size() || d[h] != family.echoReply ||
        std::memcmp(d + h + 4, request.data() + 4, request.size() - 4) != 0 ||
        result != kestro::kStopWaiting || log.find(": Ping to ") == std::string::npos)
      __builtin_trap();
  } else if (log.find("Ping to") != std::string::npos) {
    __builtin_trap();
  }
  // An error ends the wait only when it quotes an ICMP datagram to the
  // probed host whose quoted bytes, checksum aside, are the request's.
  const bool error = log.find("non-echo type") != std::string::npos;
  if (error) {
    const std::size_t q = h + 8;
    if (result != kestro::kStopWaiting || !family.IsError(d[h]) ||
        count < q + static_cast<std::size_t>(family.headerSize) || d[q] >> 4 != family.version ||
        d[q + static_cast<std::size_t>(family.protocolAt)] != family.protocol ||
        std::memcmp(d + q + family.destinationAt, probed, size) != 0)
      __builtin_trap();
    const std::size_t at = q + static_cast<std::size_t>(family.HeaderLength(d + q));
    const std::size_t n = count - at < request.size() ? count - at : request.size();
    if (at + 8 > count || d[at] != request[0] || d[at + 1] != request[1] ||
        std::memcmp(d + at + 4, request.data() + 4, n - 4) != 0)
      __builtin_trap();
  }
  // Nothing else ends the wait.
  if (result == kestro::kStopWaiting && !taken && !error) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 9) return 0;
  kestro::testing::FakeSystem& sys = System();
  const std::uint32_t source = Le32(data);
  const std::uint8_t choices = data[4];
  sys.clock.tick = Le32(data + 5);
  const std::size_t count = size - 9;
  std::unique_ptr<unsigned char[]> datagram(new unsigned char[count ? count : 1]);
  if (count) std::memcpy(datagram.get(), data + 9, count);
  Judge(choices & 0x80 ? kestro::kIcmp6 : kestro::kIcmp4, datagram.get(), count, source, choices);
  return 0;
}
