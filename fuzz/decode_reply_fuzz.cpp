// Feeds arbitrary datagrams to the judgement of what the raw socket hands
// over, the one parser fed from the network. Input: 4 bytes of source
// address, one byte of choices, 4 bytes of tick count, then the datagram;
// its byte count is whatever is left, and the datagram sits in a buffer of
// exactly that size so that a read past it shows.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_system.h"
#include "probe/decode_reply.h"
#include "probe/echo_message.h"

namespace {

kestro::testing::FakeSystem& System() { return kestro::testing::FuzzSystem(); }

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool IsError(std::uint8_t type) {
  return type == 3 || type == 4 || type == 5 || type == 11 || type == 12;
}

// The bytes from `at` to the end, as a request in flight: its type made 8
// and, from the choices, some bytes more or fewer than the datagram holds.
std::vector<unsigned char> RequestFrom(const unsigned char* d, std::size_t count, std::size_t at,
                                       std::uint8_t choices) {
  std::vector<unsigned char> r(d + at, d + count);
  if (!r.empty()) r[0] = kestro::kEchoRequest;
  if (choices & 4) r.resize(r.size() + (choices >> 4));
  if (choices & 8 && r.size() > 12) r.resize(r.size() - (choices >> 4 & 3));
  return r;
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
  const unsigned char* d = datagram.get();
  const std::size_t h = count > 0 ? (d[0] & 0x0F) * 4u : 0;

  // Half the inputs are from the probed host, the others from elsewhere.
  const std::uint32_t probed = choices & 1 ? source : source ^ 0x01000000u;
  // Now and then the request in flight is the one the datagram answers or
  // the one an error quotes, else one of 12 zero bytes.
  std::vector<unsigned char> request(12, 0);
  request[0] = kestro::kEchoRequest;
  if (choices & 2 && count >= h + 8) {
    const std::size_t quote = h + 8 + (count > h + 8 ? (d[h + 8] & 0x0F) * 4u : 0);
    if (d[h] == kestro::kEchoReply && count >= h + 12) request = RequestFrom(d, count, h, choices);
    else if (count >= quote + 12) request = RequestFrom(d, count, quote, choices);
  }
  kestro::EchoInFlight inFlight;
  inFlight.message = request.data();
  inFlight.length = static_cast<int>(request.size());

  kestro::PingStatistics stats;
  stats.TotalCount = stats.TimeoutCount = 7;
  const int result = kestro::DecodeReply(stats, d, static_cast<int>(count), source, probed, inFlight);
  const std::string log = sys.files.contents["/var/log/kestro/Kestro-2.txt"];
  sys.files.contents.clear();
  sys.plan.ClearCalls();  // the list of calls would grow without end

  if (result != kestro::kKeepWaiting && result != kestro::kStopWaiting) __builtin_trap();
  const bool taken = stats.TimeoutCount == 6;
  if (!taken && stats.TimeoutCount != 7) __builtin_trap();
  if (taken) {
    // An answer is taken only from the probed host, echoing the request in
    // flight whole from its identifier on; it ends the wait and is logged.
    if (source != probed || count != h + request.size() || d[h] != kestro::kEchoReply ||
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
    if (result != kestro::kStopWaiting || !IsError(d[h]) || count < q + 20 || d[q + 9] != 1 ||
        std::memcmp(d + q + 16, &probed, 4) != 0)
      __builtin_trap();
    const std::size_t at = q + (d[q] & 0x0F) * 4u;
    const std::size_t n = count - at < request.size() ? count - at : request.size();
    if (at + 8 > count || d[at] != request[0] || d[at + 1] != request[1] ||
        std::memcmp(d + at + 4, request.data() + 4, n - 4) != 0)
      __builtin_trap();
  }
  // Nothing else ends the wait.
  if (result == kestro::kStopWaiting && !taken && !error) __builtin_trap();
  return 0;
}
