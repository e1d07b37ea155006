#pragma once
// The Application event log.
#include <cstdint>
#include <string>
#include <vector>

namespace kestro {

using EventSource = std::uintptr_t;

class EventLog {
 public:
  virtual ~EventLog() = default;
  // RegisterEventSourceA on the local computer; 0 on failure.
  virtual EventSource RegisterSource(const std::string& name) = 0;
  // ReportEventA with no user SID and no raw data.
  virtual bool Report(EventSource source, std::uint16_t type, std::uint16_t category,
                      std::uint32_t eventId, const std::vector<std::string>& strings) = 0;
  // DeregisterEventSource.
  virtual void DeregisterSource(EventSource source) = 0;
};

}  // namespace kestro
