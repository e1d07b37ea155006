#pragma once
#include "platform/address_watcher.h"

namespace kestro {

class Win32AddressWatcher : public AddressWatcher {
 public:
  bool WaitForChange() override;
  bool Snapshot(std::string* table) override;
};

}  // namespace kestro
