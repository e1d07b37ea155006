// Prints the sizes and key offsets of the system structures the platform
// layer hands to Windows, as this build lays them out, so that a script can
// hold them against the architecture's ABI; then takes the startup
// information through the platform layer, as the program does before it
// starts a command, and tells how much of the block the system wrote.
//   layout_tool
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

void Size(const char* name, std::size_t size) { std::printf("%s %u\n", name, static_cast<unsigned>(size)); }
void Field(const char* name, std::size_t offset) { std::printf("  @%s %u\n", name, static_cast<unsigned>(offset)); }

}  // namespace

int main() {
  kestro::SetPlatform(kestro::SystemPlatform());

  Size("pointer", sizeof(void*));
  Size("HANDLE", sizeof(HANDLE));
  Size("SOCKET", sizeof(SOCKET));
  Size("STARTUPINFOA", sizeof(STARTUPINFOA));
  Field("dwFlags", offsetof(STARTUPINFOA, dwFlags));
  Field("hStdInput", offsetof(STARTUPINFOA, hStdInput));
  Size("PROCESS_INFORMATION", sizeof(PROCESS_INFORMATION));
  Field("dwProcessId", offsetof(PROCESS_INFORMATION, dwProcessId));
  Size("WSADATA", sizeof(WSADATA));
  Size("hostent", sizeof(hostent));
  Field("h_addrtype", offsetof(hostent, h_addrtype));
  Field("h_length", offsetof(hostent, h_length));
  Field("h_addr_list", offsetof(hostent, h_addr_list));
  Size("sockaddr_in", sizeof(sockaddr_in));
  Field("sin_addr", offsetof(sockaddr_in, sin_addr));
  Size("fd_set", sizeof(fd_set));
  Field("fd_array", offsetof(fd_set, fd_array));
  Size("timeval", sizeof(timeval));
  Size("MIB_IPADDRROW", sizeof(MIB_IPADDRROW));
  Field("table", offsetof(MIB_IPADDRTABLE, table));
  Size("SERVICE_STATUS", sizeof(SERVICE_STATUS));
  Size("SERVICE_TABLE_ENTRYA", sizeof(SERVICE_TABLE_ENTRYA));
  Size("SERVICE_DESCRIPTIONA", sizeof(SERVICE_DESCRIPTIONA));
  Size("SYSTEMTIME", sizeof(SYSTEMTIME));
  Size("WIN32_FILE_ATTRIBUTE_DATA", sizeof(WIN32_FILE_ATTRIBUTE_DATA));

  // The system states the size it wrote in the first field; everything
  // after it must be left as it was.
  kestro::StartupInfoBlock block;
  std::memset(block.bytes, 0xA5, sizeof block.bytes);
  kestro::Os().children->CaptureStartupInfo(&block);
  std::uint32_t cb = 0;
  std::memcpy(&cb, block.bytes, sizeof cb);
  std::size_t untouched = 0;
  for (std::size_t i = cb; i < sizeof block.bytes; ++i) untouched += block.bytes[i] == 0xA5;
  std::printf("startup information: %u bytes written, %u of the block's %u left untouched\n",
              static_cast<unsigned>(cb), static_cast<unsigned>(untouched),
              static_cast<unsigned>(sizeof block.bytes));
  return 0;
}
