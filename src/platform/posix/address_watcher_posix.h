#pragma once
#include <set>
#include <string>

#include "platform/address_watcher.h"

struct nlmsghdr;

namespace kestro {

// Address changes from rtnetlink; the table from getifaddrs. Every IPv4
// change counts, as Windows hears them; an IPv6 change counts only when a
// usable address appears or disappears, not when the system rotates its
// temporary addresses or an address changes its flags or lifetimes.
class PosixAddressWatcher : public AddressWatcher {
 public:
  bool WaitForChange() override;
  bool Snapshot(std::string* table) override;

 private:
  bool Changes(const nlmsghdr* message);
  static bool Notes(const nlmsghdr* message, std::set<std::string>* usable);
  static bool LoadUsable6(std::set<std::string>* usable);
  bool Subscribe();

  int socket_ = -1;
  // The usable IPv6 addresses, by interface index and bytes.
  std::set<std::string> usable6_;
};

}  // namespace kestro
