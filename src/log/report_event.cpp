#include "log/report_event.h"

#include "log/log_diversion.h"
#include "platform/platform.h"

namespace kestro {

void ReportToEventLog(const std::string& text, std::uint16_t type, std::uint32_t messageId) {
  if (Diverted(text)) return;
  EventLog& log = *Os().eventLog;
  EventSource source = log.RegisterSource(kEventSourceName);
  if (source == 0) return;
  // The insertion string ends at its first NUL, as the C string it stands for.
  log.Report(source, type, kEventCategory, messageId, {std::string(text.c_str())});
  log.DeregisterSource(source);
}

}  // namespace kestro
