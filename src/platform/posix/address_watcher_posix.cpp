#include "platform/posix/address_watcher_posix.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <set>

namespace kestro {

bool PosixAddressWatcher::WaitForChange() {
  if (socket_ < 0) {
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
  }
  alignas(nlmsghdr) char buffer[8192];
  for (;;) {
    ssize_t n = recv(socket_, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == ENOBUFS) return true;  // changes were lost: at least one happened
    if (n <= 0) return false;
    unsigned left = static_cast<unsigned>(n);
    for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, left); h = NLMSG_NEXT(h, left)) {
      if (h->nlmsg_type == RTM_NEWADDR || h->nlmsg_type == RTM_DELADDR) return true;
    }
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
