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

#include "fuzz_system.h"
#include "probe/decode_reply.h"
#include "probe/echo_message.h"

namespace {

kestro::testing::FakeSystem& System() { return kestro::testing::FuzzSystem(); }

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
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

  // Half the inputs are from the probed host, the others from elsewhere.
  const std::uint32_t probed = choices & 1 ? source : source ^ 0x01000000u;
  // Now and then, the request in flight is the one the datagram names.
  if (choices & 2 && count > 0) {
    const std::size_t h = (datagram[0] & 0x0F) * 4u;
    if (count >= h + 6) {
      const std::uint16_t id = kestro::ReadLe16(datagram.get() + h + 4);
      while (kestro::CurrentEchoIdentifier() != id) kestro::NextEchoIdentifier();
    }
  }

  kestro::PingStatistics stats;
  stats.TotalCount = stats.TimeoutCount = 7;
  const int result = kestro::DecodeReply(stats, datagram.get(), static_cast<int>(count), source, probed);
  const std::string log = sys.files.contents["/var/log/kestro/Kestro-2.txt"];
  sys.files.contents.clear();
  sys.plan.ClearCalls();  // the list of calls would grow without end

  if (result != kestro::kKeepWaiting && result != kestro::kStopWaiting) __builtin_trap();
  const bool taken = stats.TimeoutCount == 6;
  if (!taken && stats.TimeoutCount != 7) __builtin_trap();
  // An answer is taken only from the probed host, carrying the identifier
  // in flight, whole up to its send time; it ends the wait and is logged.
  if (taken) {
    const std::size_t h = (datagram[0] & 0x0F) * 4u;
    if (source != probed || count < h + 12 || datagram[h] != 0 ||
        kestro::ReadLe16(datagram.get() + h + 4) != kestro::CurrentEchoIdentifier() ||
        result != kestro::kStopWaiting || log.find(": Ping to ") == std::string::npos)
      __builtin_trap();
  } else if (log.find("Ping to") != std::string::npos) {
    __builtin_trap();
  }
  return 0;
}
