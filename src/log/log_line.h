#pragma once
#include <string>

#include "platform/clock.h"

namespace kestro {

// "YYYY/MM/DD hh:mm:ss:mmm", always 23 characters for a valid time.
std::string FormatTimeStamp(const LocalTime& time);

// The bytes of one log line: stamp, ": ", the message up to its first NUL,
// and the line end. Every line feed, the added one included, is stored as
// CR LF, as a text-mode write on Windows stores it. Other control characters
// (below 0x20 but the tab, and 0x7F), which could come from a file anybody
// may have written, are shown as "\x1b", so that the log shown on a
// terminal is the log as written.
std::string FormatLogLine(const std::string& stamp, const std::string& message);

}  // namespace kestro
