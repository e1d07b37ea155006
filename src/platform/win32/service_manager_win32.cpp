#include "platform/win32/service_manager_win32.h"

#include <windows.h>

#include <vector>

namespace kestro {
namespace {
SC_HANDLE Sc(ServiceHandle h) { return reinterpret_cast<SC_HANDLE>(h); }
using ChangeConfig2 = BOOL(WINAPI*)(SC_HANDLE, DWORD, LPVOID);
ChangeConfig2 Config2Of(std::uintptr_t library) {
  return reinterpret_cast<ChangeConfig2>(
      reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(library), "ChangeServiceConfig2A")));
}
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

int Win32ServiceManager::Knows(const std::string& service) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) return -1;
  SC_HANDLE handle = OpenServiceA(manager, service.c_str(), SERVICE_QUERY_STATUS);
  const DWORD error = GetLastError();
  if (handle != nullptr) CloseServiceHandle(handle);
  CloseServiceHandle(manager);
  if (handle != nullptr) return 1;
  if (error == ERROR_SERVICE_DOES_NOT_EXIST || error == ERROR_INVALID_NAME) return 0;
  SetLastError(error);
  return -1;
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

ServiceHandle Win32ServiceManager::CreateOwnService(ServiceHandle manager, const std::string& name,
                                                    const std::string& displayName,
                                                    const std::string& commandLine) {
  return reinterpret_cast<ServiceHandle>(CreateServiceA(
      Sc(manager), name.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
      SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, commandLine.c_str(), nullptr, nullptr,
      "\0\0", nullptr, nullptr));
}

bool Win32ServiceManager::Delete(ServiceHandle service) { return DeleteService(Sc(service)) != FALSE; }

std::uintptr_t Win32ServiceManager::LoadSystemLibrary(const std::string& name) {
  return reinterpret_cast<std::uintptr_t>(LoadLibraryA(name.c_str()));
}

bool Win32ServiceManager::FindChangeConfig2(std::uintptr_t library) {
  return Config2Of(library) != nullptr;
}

bool Win32ServiceManager::ChangeDescription(std::uintptr_t library, ServiceHandle service,
                                            const std::string& description) {
  std::vector<char> text(description.begin(), description.end());
  text.push_back('\0');
  SERVICE_DESCRIPTIONA info;
  info.lpDescription = text.data();
  return Config2Of(library)(Sc(service), SERVICE_CONFIG_DESCRIPTION, &info) != FALSE;
}

bool Win32ServiceManager::ChangeFailureActions(std::uintptr_t library, ServiceHandle service,
                                              std::uint32_t restartDelayMs,
                                              std::uint32_t resetSeconds) {
  SC_ACTION actions[3] = {{SC_ACTION_RESTART, restartDelayMs},
                          {SC_ACTION_RESTART, restartDelayMs},
                          {SC_ACTION_NONE, 0}};
  SERVICE_FAILURE_ACTIONSA info;
  info.dwResetPeriod = resetSeconds;
  info.lpRebootMsg = nullptr;  // unchanged
  info.lpCommand = nullptr;
  info.cActions = 3;
  info.lpsaActions = actions;
  return Config2Of(library)(Sc(service), SERVICE_CONFIG_FAILURE_ACTIONS, &info) != FALSE;
}

void Win32ServiceManager::FreeLibrary(std::uintptr_t library) {
  ::FreeLibrary(reinterpret_cast<HMODULE>(library));
}

}  // namespace kestro
