#include "platform/posix/event_log_posix.h"

#include <syslog.h>

#include <mutex>

namespace kestro {
namespace {
// openlog keeps the pointer: the ident must outlive every entry.
const char kIdent[] = "Kestro";
std::once_flag opened;
}  // namespace

EventSource PosixEventLog::RegisterSource(const std::string&) {
  std::call_once(opened, [] { openlog(kIdent, LOG_PID, LOG_DAEMON); });
  return 1;
}

bool PosixEventLog::Report(EventSource, std::uint16_t type, std::uint16_t, std::uint32_t,
                           const std::vector<std::string>& strings) {
  const int priority = type == 1 ? LOG_ERR : type == 2 ? LOG_WARNING : LOG_INFO;
  std::string text;
  for (const std::string& s : strings) text += (text.empty() ? "" : " ") + s;
  syslog(priority, "%s", text.c_str());
  return true;
}

void PosixEventLog::DeregisterSource(EventSource) {
  // closelog would close the connection under other threads' entries; the
  // connection stays open for the life of the process instead.
}

}  // namespace kestro
