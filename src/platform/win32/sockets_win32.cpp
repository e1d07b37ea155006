#include "platform/win32/sockets_win32.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>

namespace kestro {

// A SOCKET is pointer-sized (64 bits on x64) and must survive the trip
// through SocketHandle whole.
static_assert(sizeof(SOCKET) <= sizeof(SocketHandle), "socket handle too small");
static_assert(sizeof(in_addr) == sizeof(std::uint32_t), "IPv4 address is not 32 bits");

namespace {

int SendToAddress(SocketHandle socket, const unsigned char* data, int length, const void* to,
                  int toLength) {
  const int n = sendto(static_cast<SOCKET>(socket), reinterpret_cast<const char*>(data), length, 0,
                       static_cast<const sockaddr*>(to), toLength);
  return n == SOCKET_ERROR ? -1 : n;
}

// recvfrom into `from`, a zeroed address of the socket's family.
int ReceiveFromAddress(SocketHandle socket, unsigned char* buffer, int size, void* from,
                       int fromLength) {
  std::memset(from, 0, static_cast<std::size_t>(fromLength));
  const int n = recvfrom(static_cast<SOCKET>(socket), reinterpret_cast<char*>(buffer), size, 0,
                         static_cast<sockaddr*>(from), &fromLength);
  return n == SOCKET_ERROR ? -1 : n;
}

bool OpenSocket(int family, int protocol, SocketHandle* socket, IcmpSocketKind* kind) {
  const SOCKET s = WSASocketA(family, SOCK_RAW, protocol, nullptr, 0, 0);
  if (s == INVALID_SOCKET) return false;
  *socket = static_cast<SocketHandle>(s);
  *kind = IcmpSocketKind::Raw;
  return true;
}

}  // namespace

int Win32Sockets::Startup(std::uint16_t version) {
  WSADATA data;
  // WSAStartup returns its error instead of setting it; callers read the
  // last error, as after every other call.
  const int error = WSAStartup(version, &data);
  if (error != 0) SetLastError(static_cast<DWORD>(error));
  return error;
}

void Win32Sockets::Cleanup() { WSACleanup(); }

bool Win32Sockets::OpenRawIcmp(SocketHandle* socket, IcmpSocketKind* kind) {
  return OpenSocket(AF_INET, IPPROTO_ICMP, socket, kind);
}

bool Win32Sockets::ResolveName(const std::string& host, std::uint32_t* address, int* family) {
  const hostent* entry = gethostbyname(host.c_str());
  if (entry == nullptr || entry->h_addr_list[0] == nullptr || entry->h_length < 4) return false;
  std::memcpy(address, entry->h_addr_list[0], 4);
  *family = entry->h_addrtype;
  return true;
}

bool Win32Sockets::ParseDottedQuad(const std::string& host, std::uint32_t* address) {
  const unsigned long value = inet_addr(host.c_str());
  if (value == INADDR_NONE) return false;
  *address = value;
  return true;
}

std::string Win32Sockets::FormatAddress(std::uint32_t address) {
  in_addr in;
  in.s_addr = address;
  const char* text = inet_ntoa(in);
  return text != nullptr ? text : "";
}

int Win32Sockets::SendTo(SocketHandle socket, const unsigned char* data, int length,
                         std::uint32_t address, int family) {
  sockaddr_in to;
  std::memset(&to, 0, sizeof to);
  to.sin_family = static_cast<short>(family);
  to.sin_port = 0;
  to.sin_addr.s_addr = address;
  return SendToAddress(socket, data, length, &to, sizeof to);
}

int Win32Sockets::WaitReadable(SocketHandle socket, int seconds, int milliseconds) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(static_cast<SOCKET>(socket), &readable);
  timeval timeout;
  timeout.tv_sec = seconds;
  timeout.tv_usec = milliseconds * 1000;
  const int n = select(0, &readable, nullptr, nullptr, &timeout);
  if (n == SOCKET_ERROR) return -1;
  return FD_ISSET(static_cast<SOCKET>(socket), &readable) ? 1 : 0;
}

int Win32Sockets::ReceiveFrom(SocketHandle socket, unsigned char* buffer, int size,
                              std::uint32_t* source) {
  sockaddr_in from;
  const int n = ReceiveFromAddress(socket, buffer, size, &from, sizeof from);
  if (n >= 0) *source = from.sin_addr.s_addr;
  return n;
}

bool Win32Sockets::OpenRawIcmp6(SocketHandle* socket, IcmpSocketKind* kind) {
  return OpenSocket(AF_INET6, IPPROTO_ICMPV6, socket, kind);
}

bool Win32Sockets::ResolveName6(const std::string& host, Ipv6Address* address) {
  // Looked up when needed, as the program is to start on systems without
  // them (Windows 2000 has them in another DLL).
  typedef int(WSAAPI * GetAddrInfoFunction)(const char*, const char*, const addrinfo*,
                                            addrinfo**);
  typedef void(WSAAPI * FreeAddrInfoFunction)(addrinfo*);
  const HMODULE ws2 = GetModuleHandleA("ws2_32.dll");
  if (ws2 == nullptr) return false;
  const GetAddrInfoFunction get = reinterpret_cast<GetAddrInfoFunction>(
      reinterpret_cast<void*>(GetProcAddress(ws2, "getaddrinfo")));
  const FreeAddrInfoFunction release = reinterpret_cast<FreeAddrInfoFunction>(
      reinterpret_cast<void*>(GetProcAddress(ws2, "freeaddrinfo")));
  if (get == nullptr || release == nullptr) return false;
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET6;
  addrinfo* found = nullptr;
  if (get(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  sockaddr_in6 in6;
  std::memcpy(&in6, found->ai_addr, sizeof in6);
  std::memcpy(address->bytes, &in6.sin6_addr, 16);
  address->scope = in6.sin6_scope_id;
  release(found);
  return true;
}

int Win32Sockets::SendTo6(SocketHandle socket, const unsigned char* data, int length,
                          const Ipv6Address& address) {
  sockaddr_in6 to;
  std::memset(&to, 0, sizeof to);
  to.sin6_family = AF_INET6;
  std::memcpy(&to.sin6_addr, address.bytes, 16);
  to.sin6_scope_id = address.scope;
  return SendToAddress(socket, data, length, &to, sizeof to);
}

int Win32Sockets::ReceiveFrom6(SocketHandle socket, unsigned char* buffer, int size,
                               Ipv6Address* source) {
  sockaddr_in6 from;
  const int n = ReceiveFromAddress(socket, buffer, size, &from, sizeof from);
  if (n < 0) return n;
  std::memcpy(source->bytes, &from.sin6_addr, 16);
  source->scope = from.sin6_scope_id;
  return n;
}

int Win32Sockets::LastSocketError() { return WSAGetLastError(); }

void Win32Sockets::Close(SocketHandle socket) { closesocket(static_cast<SOCKET>(socket)); }

}  // namespace kestro
