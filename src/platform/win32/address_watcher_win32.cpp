#include "platform/win32/address_watcher_win32.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstdio>
#include <set>
#include <vector>

namespace kestro {

bool Win32AddressWatcher::WaitForChange() { return NotifyAddrChange(nullptr, nullptr) == NO_ERROR; }

bool Win32AddressWatcher::Snapshot(std::string* table) {
  ULONG size = 0;
  if (GetIpAddrTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER) return false;
  std::vector<unsigned char> buffer(size);
  auto* rows = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
  if (GetIpAddrTable(rows, &size, FALSE) != NO_ERROR) return false;
  std::set<std::string> lines;
  for (DWORD i = 0; i < rows->dwNumEntries; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%lu %08lx %08lx", static_cast<unsigned long>(rows->table[i].dwIndex),
                  static_cast<unsigned long>(rows->table[i].dwAddr),
                  static_cast<unsigned long>(rows->table[i].dwMask));
    lines.insert(line);
  }
  table->clear();
  for (const std::string& l : lines) *table += l + "\n";
  return true;
}

}  // namespace kestro
