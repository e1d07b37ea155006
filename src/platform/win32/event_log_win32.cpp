#include "platform/win32/event_log_win32.h"

#include <windows.h>

namespace kestro {

EventSource Win32EventLog::RegisterSource(const std::string& name) {
  return reinterpret_cast<EventSource>(RegisterEventSourceA(nullptr, name.c_str()));
}

bool Win32EventLog::Report(EventSource source, std::uint16_t type, std::uint16_t category,
                           std::uint32_t eventId, const std::vector<std::string>& strings) {
  std::vector<const char*> texts;
  for (const std::string& s : strings) texts.push_back(s.c_str());
  return ReportEventA(reinterpret_cast<HANDLE>(source), type, category, eventId, nullptr,
                      static_cast<WORD>(texts.size()), 0, texts.data(), nullptr) != FALSE;
}

void Win32EventLog::DeregisterSource(EventSource source) {
  DeregisterEventSource(reinterpret_cast<HANDLE>(source));
}

}  // namespace kestro
