#include "platform/posix/address_watcher_posix.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_addr.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <set>

namespace kestro {
namespace {

// An IPv6 address the system may use: past duplicate address detection (or
// optimistic during it) and no temporary (privacy) address, which the system
// rotates by itself. A deprecated address is still there and still counts.
bool Usable6(unsigned flags) {
  if (flags & (IFA_F_TEMPORARY | IFA_F_DADFAILED)) return false;
  return !(flags & IFA_F_TENTATIVE) || (flags & IFA_F_OPTIMISTIC);
}

// The address an IPv6 address message is about, as interface index and
// bytes, and its flags; false when it names none.
bool ReadAddress6(const nlmsghdr* h, std::string* key, unsigned* flags) {
  const auto* a = static_cast<const ifaddrmsg*>(NLMSG_DATA(h));
  *flags = a->ifa_flags;
  key->clear();
  int left = static_cast<int>(IFA_PAYLOAD(h));
  for (const rtattr* r = IFA_RTA(a); RTA_OK(r, left); r = RTA_NEXT(r, left)) {
    if (r->rta_type == IFA_ADDRESS && RTA_PAYLOAD(r) == 16)
      key->assign(static_cast<const char*>(RTA_DATA(r)), 16);
    else if (r->rta_type == IFA_FLAGS && RTA_PAYLOAD(r) == sizeof(std::uint32_t))
      *flags = *static_cast<const std::uint32_t*>(RTA_DATA(r));
  }
  if (key->empty()) return false;
  key->append(reinterpret_cast<const char*>(&a->ifa_index), sizeof a->ifa_index);
  return true;
}

}  // namespace

// Whether the message changes the addresses a pass relies on, noting it.
bool PosixAddressWatcher::Changes(const nlmsghdr* h) { return Notes(h, &usable6_); }

// Whether the message changes which IPv6 addresses of `usable` are usable,
// noting it there; every IPv4 message counts.
bool PosixAddressWatcher::Notes(const nlmsghdr* h, std::set<std::string>* usable) {
  if (h->nlmsg_type != RTM_NEWADDR && h->nlmsg_type != RTM_DELADDR) return false;
  if (static_cast<const ifaddrmsg*>(NLMSG_DATA(h))->ifa_family != AF_INET6) return true;
  std::string key;
  unsigned flags = 0;
  if (!ReadAddress6(h, &key, &flags)) return false;
  const bool now = h->nlmsg_type == RTM_NEWADDR && Usable6(flags);
  const bool was = now ? !usable->insert(key).second : usable->erase(key) != 0;
  return now != was;
}

// The usable IPv6 addresses as they are now, from a dump on a socket of its
// own; false when they could not be read to the end. Without them the first
// message about an address present from the start would read as its arrival.
bool PosixAddressWatcher::LoadUsable6(std::set<std::string>* usable) {
  usable->clear();
  const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
  if (fd < 0) return false;
  struct {
    nlmsghdr header;
    ifaddrmsg body;
  } request = {};
  request.header.nlmsg_len = sizeof request;
  request.header.nlmsg_type = RTM_GETADDR;
  request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  request.body.ifa_family = AF_INET6;
  alignas(nlmsghdr) char buffer[8192];
  bool whole = false;
  bool done = send(fd, &request, sizeof request, 0) != static_cast<ssize_t>(sizeof request);
  while (!done) {
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    unsigned left = static_cast<unsigned>(n);
    for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, left); h = NLMSG_NEXT(h, left)) {
      if (h->nlmsg_type == NLMSG_DONE || h->nlmsg_type == NLMSG_ERROR) {
        done = true;
        whole = h->nlmsg_type == NLMSG_DONE;
      } else {
        Notes(h, usable);
      }
    }
  }
  close(fd);
  return whole;
}

// The subscription, between two reads of the usable addresses. A change
// made meanwhile shows as a difference between the two reads, or as a
// message that contradicts the second; a message that agrees with the
// second either came before it or only refreshed an address that was there
// all along, and is no change. Returns whether the two reads differ.
bool PosixAddressWatcher::Subscribe() {
  std::set<std::string> before;
  const bool known = LoadUsable6(&before);
  socket_ = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
  if (socket_ < 0) return false;
  struct sockaddr_nl local = {};
  local.nl_family = AF_NETLINK;
  // Both families: a staging server may be reached over either.
  local.nl_groups = RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR;
  if (bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    close(socket_);
    socket_ = -1;
    return false;
  }
  if (!LoadUsable6(&usable6_)) {
    usable6_ = before;
    return false;
  }
  return known && before != usable6_;
}

bool PosixAddressWatcher::WaitForChange() {
  alignas(nlmsghdr) char buffer[8192];
  if (socket_ < 0) {
    const bool changed = Subscribe();
    if (socket_ < 0) return false;
    if (changed) {
      // One change for all that the subscription's messages tell so far.
      ssize_t n;
      while ((n = recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT)) > 0 || (n < 0 && errno == EINTR)) {
        unsigned left = n > 0 ? static_cast<unsigned>(n) : 0;
        for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, left); h = NLMSG_NEXT(h, left))
          Changes(h);
      }
      if (n < 0 && errno == ENOBUFS) LoadUsable6(&usable6_);
      return true;
    }
  }
  for (;;) {
    ssize_t n = recv(socket_, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == ENOBUFS) {
      // Changes were lost: at least one happened, and what is usable now is
      // read afresh.
      LoadUsable6(&usable6_);
      return true;
    }
    if (n <= 0) return false;
    unsigned left = static_cast<unsigned>(n);
    bool changed = false;
    for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, left); h = NLMSG_NEXT(h, left))
      changed = Changes(h) || changed;
    if (changed) return true;
  }
}

bool PosixAddressWatcher::Snapshot(std::string* table) {
  struct ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  std::set<std::string> rows;
  for (struct ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr) continue;
    const int family = a->ifa_addr->sa_family;
    char address[INET6_ADDRSTRLEN] = "";
    if (family == AF_INET)
      inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr, address, sizeof address);
    else if (family == AF_INET6)
      inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(a->ifa_addr)->sin6_addr, address, sizeof address);
    else
      continue;
    rows.insert(std::string(a->ifa_name) + " " + address);
  }
  freeifaddrs(list);
  table->clear();
  for (const std::string& row : rows) *table += row + "\n";
  return true;
}

}  // namespace kestro
