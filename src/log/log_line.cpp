#include "log/log_line.h"

#include <cstdio>
#include <cstring>

namespace kestro {

std::string FormatTimeStamp(const LocalTime& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d:%03d", t.year, t.month,
                t.day, t.hour, t.minute, t.second, t.millisecond);
  return text;
}

std::string FormatLogLine(const std::string& stamp, const std::string& message) {
  std::string line = stamp + ": ";
  line.reserve(line.size() + message.size() + 2);
  for (char c : message) {
    if (c == '\0') break;
    if (c == '\n') {
      line += "\r\n";
    } else if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f) {
      static const char kHex[] = "0123456789abcdef";
      const unsigned char b = static_cast<unsigned char>(c);
      line += "\\x";
      line += kHex[b >> 4];
      line += kHex[b & 0xf];
    } else {
      line += c;
    }
  }
  line += "\r\n";
  return line;
}

}  // namespace kestro
