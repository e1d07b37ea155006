#pragma once
#include "platform/event_log.h"

namespace kestro {

class Win32EventLog : public EventLog {
 public:
  EventSource RegisterSource(const std::string& name) override;
  bool Report(EventSource source, std::uint16_t type, std::uint16_t category,
              std::uint32_t eventId, const std::vector<std::string>& strings) override;
  void DeregisterSource(EventSource source) override;
};

}  // namespace kestro
