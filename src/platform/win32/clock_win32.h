#pragma once
#include "platform/clock.h"

namespace kestro {

class Win32Clock : public Clock {
 public:
  LocalTime Now() override;
  std::int32_t UnixTime() override;
  void SleepMs(std::uint32_t milliseconds) override;
  std::uint32_t TickCount() override;
};

}  // namespace kestro
