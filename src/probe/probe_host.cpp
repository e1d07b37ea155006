#include "probe/probe_host.h"

#include <string>

#include "log/write_log.h"
#include "platform/platform.h"
#include "probe/decode_reply.h"
#include "probe/echo_message.h"
#include "probe/icmp_path.h"
#include "probe/probe_address.h"

namespace kestro {
namespace {

// Only where it differs from the usual: an administrator who sees it knows the
// program runs without CAP_NET_RAW and relies on net.ipv4.ping_group_range.
constexpr char kDatagramSocketNotice[] = "Raw ICMP socket refused, using an ICMP datagram socket";
// At most this many datagrams are dropped before a request, so that a stream
// arriving as fast as it is read cannot hold the sweep.
constexpr int kDropLimit = 1024;

// What one sweep holds; released on every way out.
class Sweep {
 public:
  explicit Sweep(PingStatistics& stats) : stats_(stats) {}
  ~Sweep() {
    Sockets& sockets = *Os().sockets;
    if (socketOpen_) sockets.Close(socket_);
    if (send_ != nullptr) Os().heap->Free(send_);
    if (receive_ != nullptr) Os().heap->Free(receive_);
    if (started_) sockets.Cleanup();
  }

  int Run(const std::string& host, int packetSize, int count, int seconds, int milliseconds);

 private:
  int Fail(int code, const std::string& message) { return FailSweep(stats_, code, message); }
  int Prepare(const std::string& host, int packetSize);
  void DropQueued();
  void AwaitAnswer(const EchoInFlight& request, int seconds, int milliseconds, bool* failed);

  PingStatistics& stats_;
  bool started_ = false;
  bool socketOpen_ = false;
  SocketHandle socket_ = 0;
  unsigned char* send_ = nullptr;
  unsigned char* receive_ = nullptr;
  // The way to the host: over IPv4 when it has an IPv4 address, else IPv6.
  Ipv4Path ipv4_;
  Ipv6Path ipv6_;
  IcmpPath* path_ = &ipv4_;
};

int Sweep::Run(const std::string& host, int packetSize, int count, int seconds,
               int milliseconds) {
  stats_.TotalCount = count;
  stats_.TimeoutCount = count;
  stats_.PacketSize = packetSize;
  stats_.Timeout = static_cast<float>(seconds + milliseconds / 1000);
  if (const int failed = Prepare(host, packetSize)) return failed;

  const int length = packetSize + static_cast<int>(kEchoHeaderSize);
  std::uint16_t sequence = 0;
  for (int i = 0; i < count; ++i) {
    DropQueued();
    FillEchoRequest(send_, static_cast<std::size_t>(length));
    path_->Seal(send_, length, Os().clock->TickCount(), sequence++);
    const int sent = path_->Send(socket_, send_, length);
    if (sent < 0) {
      const int error = Os().sockets->LastSocketError();
      if (error != kSocketTimedOut)
        return Fail(kProbeSendFailed, "sendto failed: " + std::to_string(error));
      // The next request follows at once: no wait, no pause.
      stats_.AppendErrorText("sendto timed out");
      WriteLog("sendto timed out");
      continue;
    }
    if (sent < length) WriteLog("Got less bytes back than written");

    bool failed = false;
    EchoInFlight request;
    request.message = send_;
    request.length = length;
    AwaitAnswer(request, seconds, milliseconds, &failed);
    if (failed) return stats_.ErrorCode;
    Os().clock->SleepMs(1000);
  }
  stats_.FinishSweep();
  return 0;
}

// Everything before the first request: the socket layer, the socket, the
// path to the host and the buffers. 0, or ErrorCode after a failure.
int Sweep::Prepare(const std::string& host, int packetSize) {
  // A message that does not fit the buffers is refused before anything is
  // sent, rather than cut to another size than the one configured.
  if (packetSize < 0 || packetSize > kMaxPacketSize)
    return Fail(kProbeAllocFailed, "PacketSize " + std::to_string(packetSize) +
                                       " does not fit the 4096-byte buffer");

  Sockets& sockets = *Os().sockets;
  if (sockets.Startup(kWinsockVersion) != 0)
    return Fail(kProbeStartupFailed, "WSAStartup failed: " + std::to_string(Os().lastError->Get()));
  started_ = true;

  IcmpSocketKind kind = IcmpSocketKind::Raw;
  if (!sockets.OpenRawIcmp(&socket_, &kind))
    return Fail(kProbeSocketFailed, "WSASocket() failed: " + std::to_string(sockets.LastSocketError()));
  socketOpen_ = true;
  if (kind == IcmpSocketKind::Datagram) WriteLog(kDatagramSocketNotice);

  const ProbeAddress target = ResolveProbeAddress(host);
  if (!target.found) return Fail(kProbeUnresolved, "Unable to resolve " + host);
  ipv4_.Aim(target.ipv4, target.family);
  ipv6_.Aim(target.ipv6Address);
  if (target.ipv6) path_ = &ipv6_;
  // The line about a datagram socket is written once.
  const IcmpSocketKind first = kind;
  if (!path_->Adopt(&socket_, &kind, &socketOpen_))
    return Fail(kProbeSocketFailed, "WSASocket() failed: " + std::to_string(sockets.LastSocketError()));
  if (kind == IcmpSocketKind::Datagram && first != kind) WriteLog(kDatagramSocketNotice);

  send_ = Os().heap->AllocZeroed(kProbeBufferSize);
  if (send_ != nullptr) receive_ = Os().heap->AllocZeroed(kProbeBufferSize);
  if (send_ == nullptr || receive_ == nullptr)
    return Fail(kProbeAllocFailed, "HeapAlloc failed " + std::to_string(Os().lastError->Get()));
  return 0;
}

// Nothing that waits on the socket before a request is sent can be its
// answer: late answers, other programs' pings, or a stream of datagrams sent
// during the pause to fill the socket's queue, so that the answer would find
// no room and be dropped.
void Sweep::DropQueued() {
  Sockets& sockets = *Os().sockets;
  for (int i = 0; i < kDropLimit && sockets.WaitReadable(socket_, 0, 0) == 1; ++i) {
    // A datagram too large for the buffer is gone all the same; any other
    // failure, should it last, is the wait's to report.
    if (path_->Receive(socket_, receive_, kProbeBufferSize) < 0 &&
        sockets.LastSocketError() != kSocketMessageTooLong)
      return;
  }
}

void Sweep::AwaitAnswer(const EchoInFlight& request, int seconds, int milliseconds,
                        bool* failed) {
  Sockets& sockets = *Os().sockets;
  Clock& clock = *Os().clock;
  // The time-out bounds the whole wait for this request: datagrams that are
  // read and ignored (other programs' pings, late answers) must not keep it,
  // and with it the sweep, waiting on and on.
  const long long limit = seconds * 1000LL + milliseconds;
  const std::uint32_t start = clock.TickCount();
  int waitSeconds = seconds;
  int waitMilliseconds = milliseconds;
  for (;;) {
    // A failed wait counts as a time-out.
    if (sockets.WaitReadable(socket_, waitSeconds, waitMilliseconds) != 1) return;
    const int count = path_->Receive(socket_, receive_, kProbeBufferSize);
    if (count < 0) {
      const int error = sockets.LastSocketError();
      if (error != kSocketTimedOut) {
        Fail(kProbeReceiveFailed, "recvfrom failed: " + std::to_string(error));
        *failed = true;
        return;
      }
      Os().console->Write(Stream::Output, "timed out\n");
    } else if (path_->Judge(stats_, receive_, count, request) == kStopWaiting) {
      return;
    }
    // Modulo 2^32: right across the wrap of the tick count.
    const long long left = limit - static_cast<long long>(clock.TickCount() - start);
    if (left <= 0) return;
    waitSeconds = static_cast<int>(left / 1000);
    waitMilliseconds = static_cast<int>(left % 1000);
  }
}

}  // namespace

int FailSweep(PingStatistics& stats, int code, const std::string& message) {
  stats.AppendErrorText(message);
  WriteLog(message);
  stats.ErrorCode += code;
  return stats.ErrorCode;
}

int ProbeHost(PingStatistics& stats, const std::string& host, int packetSize, int count,
              int timeoutSeconds, int timeoutMilliseconds) {
  Sweep sweep(stats);
  return sweep.Run(host, packetSize, count, timeoutSeconds, timeoutMilliseconds);
}

}  // namespace kestro
