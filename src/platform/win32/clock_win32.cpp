#include "platform/win32/clock_win32.h"

#include <windows.h>

#include <ctime>

namespace kestro {

LocalTime Win32Clock::Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  LocalTime t;
  t.year = st.wYear;
  t.month = st.wMonth;
  t.day = st.wDay;
  t.hour = st.wHour;
  t.minute = st.wMinute;
  t.second = st.wSecond;
  t.millisecond = st.wMilliseconds;
  return t;
}

std::int32_t Win32Clock::UnixTime() { return static_cast<std::int32_t>(std::time(nullptr)); }

void Win32Clock::SleepMs(std::uint32_t milliseconds) { Sleep(milliseconds); }

std::uint32_t Win32Clock::TickCount() { return GetTickCount(); }

}  // namespace kestro
