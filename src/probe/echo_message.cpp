#include "probe/echo_message.h"

#include <cstring>

#include "platform/platform.h"

namespace kestro {
namespace {
// Only the thread that runs the sweep touches it.
std::uint16_t echoIdentifier = 0;
}  // namespace

std::uint16_t CurrentEchoIdentifier() { return echoIdentifier; }
std::uint16_t NextEchoIdentifier() { return ++echoIdentifier; }

std::uint16_t InternetChecksum(const unsigned char* buffer, std::size_t length) {
  std::uint32_t sum = 0;
  std::size_t i = 0;
  for (; i + 1 < length; i += 2) sum += ReadLe16(buffer + i);
  if (i < length) sum += buffer[i];
  sum = (sum >> 16) + (sum & 0xFFFF);
  sum += sum >> 16;
  return static_cast<std::uint16_t>(~sum);
}

void FillEchoRequest(unsigned char* buffer, std::size_t length) {
  buffer[0] = kEchoRequest;
  buffer[1] = 0;
  WriteLe16(buffer + 2, 0);
  WriteLe16(buffer + 4, NextEchoIdentifier());
  WriteLe16(buffer + 6, 0);
  Random& random = *Os().random;
  for (std::size_t i = kEchoHeaderSize; i < length; ++i)
    buffer[i] = static_cast<unsigned char>(random.Next() % 255);
}

void SealEchoRequest(unsigned char* buffer, std::size_t length, std::uint32_t tick,
                     std::uint16_t sequence) {
  WriteLe16(buffer + 2, 0);
  WriteLe32(buffer + 8, tick);
  WriteLe16(buffer + 6, sequence);
  WriteLe16(buffer + 2, InternetChecksum(buffer, length));
}

}  // namespace kestro
