#pragma once
// The socket layer of the echo sweep, scripted.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <initializer_list>
#include <set>

#include "fakes/fake_clock.h"
#include "platform/icmp_family.h"
#include "platform/sockets.h"
#include "probe/echo_message.h"

namespace kestro::testing {

inline std::uint32_t Ipv4(int a, int b, int c, int d) {
  // Network order: the first byte in the lowest address.
  return static_cast<std::uint32_t>(a | b << 8 | c << 16 | d << 24);
}

// A datagram as the raw socket hands it over: a 20-byte IPv4 header, then
// the ICMP message.
inline std::vector<unsigned char> Datagram(const std::vector<unsigned char>& icmp) {
  std::vector<unsigned char> d(20 + icmp.size(), 0);
  d[0] = 0x45;
  std::copy(icmp.begin(), icmp.end(), d.begin() + 20);
  return d;
}

// An echo answer: the request's bytes with type 0.
inline std::vector<unsigned char> EchoAnswer(std::vector<unsigned char> request) {
  request[0] = kEchoReply;
  return Datagram(request);
}

// An ICMP error of `type` from its ICMP header on, quoting behind an IP
// header of `family` (naming `protocol` and `destination`) the first
// `quoted` bytes of `datagram` (all when more).
inline std::vector<unsigned char> Quoting(const IcmpFamily& family, unsigned char type,
                                          const std::vector<unsigned char>& datagram,
                                          const void* destination, std::size_t quoted,
                                          unsigned char protocol) {
  std::vector<unsigned char> icmp(8 + static_cast<std::size_t>(family.headerSize), 0);
  icmp[0] = type;
  icmp[8] = static_cast<unsigned char>(family.version << 4 | (family.version == 4 ? family.headerSize / 4 : 0));
  icmp[8 + family.protocolAt] = protocol;
  std::memcpy(&icmp[8 + family.destinationAt], destination,
              static_cast<std::size_t>(family.addressSize));
  icmp.insert(icmp.end(), datagram.begin(),
              datagram.begin() + static_cast<long>(std::min(quoted, datagram.size())));
  return icmp;
}

// The error as the raw IPv4 socket hands it over, about a datagram of
// `protocol` to `destination`.
inline std::vector<unsigned char> ErrorAbout(unsigned char type,
                                             const std::vector<unsigned char>& datagram,
                                             std::uint32_t destination,
                                             std::size_t quoted = 1u << 20,
                                             unsigned char protocol = 1) {
  return Datagram(Quoting(kIcmp4, type, datagram, &destination, quoted, protocol));
}

inline Ipv6Address Ipv6(std::initializer_list<unsigned> groups, std::uint32_t scope = 0) {
  // Groups from the front; "::" is written as the zero groups it stands for.
  Ipv6Address a;
  int i = 0;
  for (unsigned g : groups) {
    a.bytes[2 * i] = static_cast<unsigned char>(g >> 8);
    a.bytes[2 * i + 1] = static_cast<unsigned char>(g);
    ++i;
  }
  a.scope = scope;
  return a;
}

// An ICMPv6 echo answer as the ICMPv6 socket hands it over: the request's
// bytes with type 129, no IPv6 header.
inline std::vector<unsigned char> EchoAnswer6(std::vector<unsigned char> request) {
  request[0] = 129;
  return request;
}

// An ICMPv6 error of `type` about a datagram of `next` (58: ICMPv6) to
// `destination`, quoting its first `quoted` bytes after its IPv6 header.
inline std::vector<unsigned char> ErrorAbout6(unsigned char type,
                                              const std::vector<unsigned char>& datagram,
                                              const Ipv6Address& destination,
                                              std::size_t quoted = 1u << 20,
                                              unsigned char next = 58) {
  return Quoting(kIcmp6, type, datagram, destination.bytes, quoted, next);
}

// What one wait for readability sees.
struct WaitEvent {
  enum class Kind { Timeout, Datagram, ReceiveError, WaitFails } kind = Kind::Timeout;
  std::vector<unsigned char> bytes;
  std::uint32_t source = 0;
  Ipv6Address source6;
  std::uint32_t afterMs = 0;  // time passing before the datagram arrives
  int error = 0;
  // Waiting on the socket before the next request is sent: only a poll
  // that does not wait sees it.
  bool queued = false;
  // When set, the bytes are the answer to the request sent as number
  // `answerTo` (from 0) in the life of the fake, changed by `edit` if given.
  int answerTo = -1;
  std::function<void(std::vector<unsigned char>&)> edit;
};

// How one TCP connect goes: connect's result (1 at once, 0 under way, -1
// failed with `error`), then, under way, what the wait sees after `afterMs`
// (a time-out takes the whole wait) and what SO_ERROR reads.
struct ConnectEvent {
  int started = 0;
  ConnectWait wait = ConnectWait::TimedOut;
  std::uint32_t afterMs = 0;
  int error = 0;
};

// Calls: WSAStartup, WSASocketA, gethostbyname, inet_addr, inet_ntoa,
// getaddrinfo, sendto, select, recvfrom, connect, getsockopt, closesocket,
// WSACleanup. A failing call's error is the plan's.
class FakeSockets : public Sockets {
 public:
  FakeSockets(FaultPlan& plan, FakeClock& clock) : plan_(plan), clock_(clock) {}

  std::map<std::string, std::uint32_t> names;
  std::map<std::string, Ipv6Address> names6;
  std::vector<std::string> looked6;  // the texts looked up for IPv6
  Ipv6Address sentTo6;
  int opened6 = 0;
  std::deque<WaitEvent> events;
  // When set, every request is answered after this many ms (before other events).
  int answerAfterMs = -1;
  std::uint32_t answerFrom = 0;  // 0: the address the request went to
  // When set with answerAfterMs, the answer is an ICMP error of this type
  // quoting the request.
  unsigned char rejectType = 0;
  std::vector<std::vector<unsigned char>> sent;
  std::vector<std::uint32_t> sentTicks;
  std::uint32_t sentTo = 0;
  int sentFamily = 0;
  int shortSendBy = 0;
  int startups = 0;
  int cleanups = 0;
  std::set<SocketHandle> open;
  std::vector<std::pair<int, int>> waits;  // the waits that may take time
  int polls = 0;                            // those that may not
  // The socket OpenRawIcmp reports; a datagram socket hands over the same
  // bytes, since the platform dresses its answers as the raw socket's.
  IcmpSocketKind socketKind = IcmpSocketKind::Raw;
  IcmpSocketKind socketKind6 = IcmpSocketKind::Raw;

  int Startup(std::uint16_t version) override {
    if (plan_.Enter("WSAStartup")) return 10091;
    lastVersion = version;
    ++startups;
    return 0;
  }
  void Cleanup() override {
    plan_.Enter("WSACleanup");
    ++cleanups;
  }
  bool OpenRawIcmp(SocketHandle* socket, IcmpSocketKind* kind) override {
    if (Failing("WSASocketA")) return false;
    *socket = next_++;
    *kind = socketKind;
    open.insert(*socket);
    return true;
  }
  bool ResolveName(const std::string& host, std::uint32_t* address, int* family) override {
    if (plan_.Enter("gethostbyname")) return false;
    auto n = names.find(host);
    if (n == names.end()) return false;
    *address = n->second;
    *family = 2;
    return true;
  }
  bool ParseDottedQuad(const std::string& host, std::uint32_t* address) override {
    if (plan_.Enter("inet_addr")) return false;
    int a, b, c, d;
    char end;
    if (std::sscanf(host.c_str(), "%d.%d.%d.%d%c", &a, &b, &c, &d, &end) != 4) return false;
    *address = Ipv4(a, b, c, d);
    return true;
  }
  std::string FormatAddress(std::uint32_t address) override {
    if (plan_.Enter("inet_ntoa")) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address & 0xFF, address >> 8 & 0xFF,
                  address >> 16 & 0xFF, address >> 24);
    return text;
  }
  int SendTo(SocketHandle socket, const unsigned char* data, int length, std::uint32_t address,
             int family) override {
    if (Failing("sendto") || !open.count(socket)) return -1;
    const std::vector<unsigned char> message(data, data + length);
    sentTo = address;
    sentFamily = family;
    WaitEvent* answer = Sent(message);
    if (answer != nullptr) {
      answer->bytes = rejectType != 0 ? ErrorAbout(rejectType, message, address)
                                      : EchoAnswer(message);
      answer->source = answerFrom != 0 ? answerFrom : address;
    }
    return length - shortSendBy;
  }
  int WaitReadable(SocketHandle, int seconds, int milliseconds) override {
    if (Failing("select")) return -1;
    if (seconds == 0 && milliseconds == 0) {
      ++polls;
      return !events.empty() && events.front().queued ? 1 : 0;
    }
    waits.emplace_back(seconds, milliseconds);
    if (events.empty() || events.front().kind == WaitEvent::Kind::Timeout) {
      if (!events.empty()) events.pop_front();
      clock_.Advance(static_cast<std::uint32_t>(seconds * 1000 + milliseconds));
      return 0;
    }
    if (events.front().kind == WaitEvent::Kind::WaitFails) {
      events.pop_front();
      return -1;
    }
    // A datagram due after the time-out is not seen by this wait.
    const std::uint32_t timeout = static_cast<std::uint32_t>(seconds * 1000 + milliseconds);
    if (events.front().afterMs > timeout) {
      events.front().afterMs -= timeout;
      clock_.Advance(timeout);
      return 0;
    }
    clock_.Advance(events.front().afterMs);
    return 1;
  }
  int ReceiveFrom(SocketHandle, unsigned char* buffer, int size, std::uint32_t* source) override {
    if (Failing("recvfrom")) return -1;
    WaitEvent e = events.front();
    events.pop_front();
    if (e.kind == WaitEvent::Kind::ReceiveError) {
      error_ = e.error;
      return -1;
    }
    if (e.answerTo >= 0) e.bytes = EchoAnswer(sent.at(static_cast<std::size_t>(e.answerTo)));
    if (e.edit) e.edit(e.bytes);
    if (static_cast<int>(e.bytes.size()) > size) {
      error_ = kSocketMessageTooLong;
      return -1;
    }
    if (!e.bytes.empty()) std::memcpy(buffer, e.bytes.data(), e.bytes.size());
    *source = e.source;
    received6_ = e.source6;
    return static_cast<int>(e.bytes.size());
  }
  bool OpenRawIcmp6(SocketHandle* socket, IcmpSocketKind* kind) override {
    if (Failing("WSASocketA")) return false;
    *socket = next_++;
    *kind = socketKind6;
    open.insert(*socket);
    ++opened6;
    return true;
  }
  bool ResolveName6(const std::string& host, Ipv6Address* address) override {
    if (plan_.Enter("getaddrinfo")) return false;
    looked6.push_back(host);
    auto n = names6.find(host);
    if (n == names6.end()) return false;
    *address = n->second;
    return true;
  }
  int SendTo6(SocketHandle socket, const unsigned char* data, int length,
              const Ipv6Address& address) override {
    if (Failing("sendto") || !open.count(socket)) return -1;
    const std::vector<unsigned char> message(data, data + length);
    sentTo6 = address;
    WaitEvent* answer = Sent(message);
    if (answer != nullptr) {
      answer->bytes = rejectType != 0 ? ErrorAbout6(rejectType, message, address)
                                      : EchoAnswer6(message);
      answer->source6 = address;
    }
    return length - shortSendBy;
  }
  int ReceiveFrom6(SocketHandle socket, unsigned char* buffer, int size,
                   Ipv6Address* source) override {
    std::uint32_t ignored = 0;
    const int n = ReceiveFrom(socket, buffer, size, &ignored);
    *source = received6_;
    return n;
  }
  // The connects to come; none left: every connect times out.
  std::deque<ConnectEvent> connects;
  std::vector<bool> tcpSockets;  // each opened: IPv6
  std::vector<int> connectPorts;
  std::uint32_t connectedTo = 0;

  bool OpenTcp(bool ipv6, SocketHandle* socket) override {
    if (Failing("WSASocketA")) return false;
    open.insert(*socket = next_++);
    tcpSockets.push_back(ipv6);
    return true;
  }
  int StartConnect(SocketHandle socket, std::uint32_t address, int port) override {
    connectedTo = address;
    return StartConnect6(socket, Ipv6Address(), port);
  }
  int StartConnect6(SocketHandle, const Ipv6Address&, int port) override {
    connectPorts.push_back(port);
    if (Failing("connect")) return -1;
    connect_ = connects.empty() ? ConnectEvent() : connects.front();
    if (!connects.empty()) connects.pop_front();
    error_ = connect_.error;
    return connect_.started;
  }
  ConnectWait WaitConnected(SocketHandle, int seconds, int milliseconds) override {
    if (Failing("select")) return ConnectWait::WaitFailed;
    waits.emplace_back(seconds, milliseconds);
    const std::uint32_t timeout = static_cast<std::uint32_t>(seconds * 1000 + milliseconds);
    const bool late = connect_.wait == ConnectWait::TimedOut || connect_.afterMs > timeout;
    clock_.Advance(late ? timeout : connect_.afterMs);
    return late ? ConnectWait::TimedOut : connect_.wait;
  }
  int ConnectError(SocketHandle) override { return Failing("getsockopt") ? -1 : connect_.error; }
  int LastSocketError() override { return error_; }
  void Close(SocketHandle socket) override {
    plan_.Enter("closesocket");
    open.erase(socket);
  }

  std::uint16_t lastVersion = 0;

 private:
  // Notes a request sent; the answer to fill in when every request is
  // answered, placed before other events.
  WaitEvent* Sent(const std::vector<unsigned char>& message) {
    sent.push_back(message);
    sentTicks.push_back(clock_.TickCount());
    if (answerAfterMs < 0) return nullptr;
    WaitEvent answer;
    answer.kind = WaitEvent::Kind::Datagram;
    answer.afterMs = static_cast<std::uint32_t>(answerAfterMs);
    events.push_front(answer);
    return &events.front();
  }
  bool Failing(const char* call) {
    std::uint32_t e = 0;
    if (!plan_.Enter(call, &e)) return false;
    error_ = static_cast<int>(e);
    return true;
  }

  FaultPlan& plan_;
  FakeClock& clock_;
  SocketHandle next_ = 100;
  int error_ = 0;
  Ipv6Address received6_;
  ConnectEvent connect_;  // the connect under way
};

}  // namespace kestro::testing
