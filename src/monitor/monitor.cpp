#include "monitor/monitor.h"

#include "monitor/last_address_change.h"
#include "platform/platform.h"

namespace kestro {

Monitor::Monitor() {
  LastAddressChange = Os().clock->UnixTime();
  LoadSettings();
}

void Monitor::LoadSettings() { kestro::LoadSettings(Settings); }

}  // namespace kestro
