#include "log/log_line.h"

#include <cstdio>
#include <cstring>

namespace kestro {
namespace {

// Also for a time outside the fields' widths.
std::string PrintedTimeStamp(const LocalTime& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d:%03d", t.year, t.month,
                t.day, t.hour, t.minute, t.second, t.millisecond);
  return text;
}

}  // namespace

std::string FormatTimeStamp(const LocalTime& t) {
  // Every line is stamped: a valid time by hand, digit by digit.
  const struct {
    int value, width, limit;
    char after;
  } parts[] = {{t.year, 4, 10000, '/'},  {t.month, 2, 100, '/'},  {t.day, 2, 100, ' '},
               {t.hour, 2, 100, ':'},    {t.minute, 2, 100, ':'}, {t.second, 2, 100, ':'},
               {t.millisecond, 3, 1000, '\0'}};
  char stamp[24];
  char* at = stamp;
  for (const auto& part : parts) {
    if (part.value < 0 || part.value >= part.limit) return PrintedTimeStamp(t);
    for (int i = part.width - 1, v = part.value; i >= 0; --i, v /= 10) at[i] = static_cast<char>('0' + v % 10);
    at += part.width;
    *at++ = part.after;
  }
  return std::string(stamp, at - 1 - stamp);
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
