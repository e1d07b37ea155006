#include "platform/win32/service_manager_win32.h"

#include <windows.h>

#include <vector>

namespace kestro {
namespace {
SC_HANDLE Sc(ServiceHandle h) { return reinterpret_cast<SC_HANDLE>(h); }
}  // namespace

ServiceHandle Win32ServiceManager::OpenManager() {
  return reinterpret_cast<ServiceHandle>(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

bool Win32ServiceManager::DisplayName(ServiceHandle manager, const std::string& service,
                                      std::size_t size, std::string* name) {
  std::vector<char> buffer(size, '\0');
  DWORD length = static_cast<DWORD>(size);
  if (!GetServiceDisplayNameA(Sc(manager), service.c_str(), buffer.data(), &length)) return false;
  *name = std::string(buffer.data(), strnlen(buffer.data(), size));
  return true;
}

ServiceHandle Win32ServiceManager::OpenNamedService(ServiceHandle manager, const std::string& service) {
  return reinterpret_cast<ServiceHandle>(OpenServiceA(Sc(manager), service.c_str(), SERVICE_ALL_ACCESS));
}

bool Win32ServiceManager::QueryState(ServiceHandle service, std::uint32_t* state) {
  SERVICE_STATUS status;
  if (!QueryServiceStatus(Sc(service), &status)) return false;
  *state = status.dwCurrentState;
  return true;
}

bool Win32ServiceManager::Start(ServiceHandle service) {
  return StartServiceA(Sc(service), 0, nullptr) != FALSE;
}

bool Win32ServiceManager::ControlStop(ServiceHandle service) {
  SERVICE_STATUS status;
  return ControlService(Sc(service), SERVICE_CONTROL_STOP, &status) != FALSE;
}

void Win32ServiceManager::CloseHandle(ServiceHandle handle) { CloseServiceHandle(Sc(handle)); }

}  // namespace kestro
