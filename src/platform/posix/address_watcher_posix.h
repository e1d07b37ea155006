#pragma once
#include "platform/address_watcher.h"

namespace kestro {

// Address changes from rtnetlink (RTMGRP_IPV4_IFADDR); the table from getifaddrs.
class PosixAddressWatcher : public AddressWatcher {
 public:
  bool WaitForChange() override;
  bool Snapshot(std::string* table) override;

 private:
  int socket_ = -1;
};

}  // namespace kestro
