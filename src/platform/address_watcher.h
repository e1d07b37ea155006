#pragma once
// Changes of the machine's IPv4 address table.
#include <string>

namespace kestro {

class AddressWatcher {
 public:
  virtual ~AddressWatcher() = default;
  // NotifyAddrChange(NULL, NULL): blocks until the table changes. False when
  // the wait fails instead of blocking.
  virtual bool WaitForChange() = 0;
  // The IPv4 address table as comparable text (GetIpAddrTable); false when
  // it cannot be read.
  virtual bool Snapshot(std::string* table) = 0;
};

}  // namespace kestro
