#include "probe/decode_reply.h"

#include <cstdio>
#include <string>

#include "log/write_log.h"
#include "platform/platform.h"
#include "probe/echo_message.h"

namespace kestro {

int DecodeReply(PingStatistics& stats, const unsigned char* datagram, int count,
                std::uint32_t source, std::uint32_t probed) {
  char line[160];
  const int h = count > 0 ? (datagram[0] & 0x0F) * 4 : 0;
  if (count < 1 || count < h + 8) {
    // Nothing of this datagram can be judged; the answer may still come.
    WriteLog("Too few bytes from " + Os().sockets->FormatAddress(source) + "\n");
    return kKeepWaiting;
  }
  const unsigned char* icmp = datagram + h;
  // A request is not an answer: our own coming back when the server is this
  // machine, or another host pinging us. Ending the wait on it would count a
  // healthy server as silent.
  if (icmp[0] == kEchoRequest) return kKeepWaiting;
  if (icmp[0] != kEchoReply) {
    std::snprintf(line, sizeof line, "non-echo type %d recvd", icmp[0]);
    WriteLog(line);
    return kStopWaiting;
  }
  // The raw socket sees every echo answer reaching this machine: those to
  // our earlier requests, and those to other programs' pings of any host.
  // Only the answer of the probed host to the request in flight counts; an
  // exact match also stays right when the 16-bit identifier wraps.
  if (ReadLe16(icmp + 4) != CurrentEchoIdentifier() || source != probed) return kKeepWaiting;
  // Too short to carry the send time: no time can be taken from it.
  if (count < h + static_cast<int>(kEchoHeaderSize)) return kKeepWaiting;

  const std::uint32_t time = Os().clock->TickCount() - ReadLe32(icmp + 8);
  stats.RecordReply(time);
  std::snprintf(line, sizeof line, "Ping to %s: Got %d bytes icmp_seq = %d time: %d ms ",
                Os().sockets->FormatAddress(source).c_str(), count, ReadLe16(icmp + 6),
                static_cast<int>(time));
  WriteLog(line);
  return kStopWaiting;
}

}  // namespace kestro
