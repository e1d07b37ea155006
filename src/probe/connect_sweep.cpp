#include "probe/connect_sweep.h"

#include "log/write_log.h"
#include "platform/platform.h"
#include "probe/ipv6_text.h"
#include "probe/probe_address.h"
#include "probe/probe_host.h"

namespace kestro {
namespace {

// The host or the network said no: a reset, or an ICMP unreachable.
bool Refusal(int error) {
  return error == kSocketRefused || error == kSocketHostUnreachable ||
         error == kSocketNetUnreachable;
}

// What one sweep holds; released on every way out.
class ConnectSweep {
 public:
  explicit ConnectSweep(PingStatistics& stats) : stats_(stats) {}
  ~ConnectSweep() {
    CloseSocket();
    if (started_) Os().sockets->Cleanup();
  }

  int Run(const std::string& host, int port, int count, int seconds, int milliseconds);

 private:
  int Fail(int code, const std::string& message) { return FailSweep(stats_, code, message); }
  void CloseSocket() {
    if (open_) Os().sockets->Close(socket_);
    open_ = false;
  }
  // One connect and its line; false when a failure ended the sweep.
  bool Attempt(int sequence, int seconds, int milliseconds);
  // "refused" or "timed out" for a connect that did not answer, else empty.
  std::string AwaitConnect(int seconds, int milliseconds);

  PingStatistics& stats_;
  bool started_ = false;
  bool open_ = false;
  SocketHandle socket_ = 0;
  ProbeAddress target_;
  std::string where_;  // "Connect to ADDRESS: port PORT"
  int port_ = 0;
};

int ConnectSweep::Run(const std::string& host, int port, int count, int seconds,
                      int milliseconds) {
  stats_.TotalCount = count;
  stats_.TimeoutCount = count;
  stats_.PacketSize = 0;  // no data is sent
  stats_.Timeout = static_cast<float>(seconds + milliseconds / 1000);
  stats_.ProbePort = port;
  port_ = port;

  Sockets& sockets = *Os().sockets;
  if (sockets.Startup(kWinsockVersion) != 0)
    return Fail(kProbeStartupFailed, "WSAStartup failed: " + std::to_string(Os().lastError->Get()));
  started_ = true;
  target_ = ResolveProbeAddress(host);
  if (!target_.found) return Fail(kProbeUnresolved, "Unable to resolve " + host);
  const std::string address =
      target_.ipv6 ? FormatIpv6(target_.ipv6Address) : sockets.FormatAddress(target_.ipv4);
  where_ = "Connect to " + address + ": port " + std::to_string(port);

  for (int i = 0; i < count; ++i) {
    if (!Attempt(i, seconds, milliseconds)) return stats_.ErrorCode;
    Os().clock->SleepMs(1000);
  }
  stats_.FinishSweep();
  stats_.BytesPerSecond = 0.0f;
  return 0;
}

bool ConnectSweep::Attempt(int sequence, int seconds, int milliseconds) {
  Sockets& sockets = *Os().sockets;
  Clock& clock = *Os().clock;
  if (!sockets.OpenTcp(target_.ipv6, &socket_)) {
    Fail(kProbeSocketFailed, "WSASocket() failed: " + std::to_string(sockets.LastSocketError()));
    return false;
  }
  open_ = true;
  const std::uint32_t start = clock.TickCount();
  const int started = target_.ipv6 ? sockets.StartConnect6(socket_, target_.ipv6Address, port_)
                                   : sockets.StartConnect(socket_, target_.ipv4, port_);
  std::string outcome;
  if (started < 0) {
    const int error = sockets.LastSocketError();
    if (!Refusal(error)) {
      CloseSocket();
      Fail(kProbeSendFailed, "connect failed: " + std::to_string(error));
      return false;
    }
    outcome = "refused";
  } else if (started == 0) {
    outcome = AwaitConnect(seconds, milliseconds);
  }
  // Modulo 2^32: right across the wrap of the tick count.
  const std::uint32_t elapsed = clock.TickCount() - start;
  CloseSocket();  // at once, nothing sent

  const std::string line = where_ + " tcp_seq = " + std::to_string(sequence);
  if (!outcome.empty()) {
    WriteLog(line + " " + outcome);
    return true;
  }
  stats_.RecordReply(elapsed);
  WriteLog(line + " time: " + std::to_string(elapsed) + " ms ");
  return true;
}

std::string ConnectSweep::AwaitConnect(int seconds, int milliseconds) {
  Sockets& sockets = *Os().sockets;
  // A failed wait counts as a time-out, as in the echo sweep.
  const ConnectWait wait = sockets.WaitConnected(socket_, seconds, milliseconds);
  if (wait == ConnectWait::TimedOut || wait == ConnectWait::WaitFailed) return "timed out";
  const int error = sockets.ConnectError(socket_);
  // In the exception set the connect failed, whatever the error reads.
  if (wait == ConnectWait::Writable && error == 0) return "";
  return error == kSocketTimedOut ? "timed out" : "refused";
}

}  // namespace

std::string ProbePortProblem(std::uint32_t port) {
  if (port <= kMaxProbePort) return "";
  return "ProbePort " + std::to_string(port) + " is above 65535: the sweep sends echo requests";
}

int ProbeConnect(PingStatistics& stats, const std::string& host, int port, int count,
                 int timeoutSeconds, int timeoutMilliseconds) {
  ConnectSweep sweep(stats);
  return sweep.Run(host, port, count, timeoutSeconds, timeoutMilliseconds);
}

}  // namespace kestro
