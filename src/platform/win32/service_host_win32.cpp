#include "platform/win32/service_host_win32.h"

#include <windows.h>

#include <vector>

namespace kestro {
namespace {

// The service manager calls plain functions: the routines wait here.
ServiceMainRoutine serviceMain = nullptr;
ControlHandlerRoutine controlHandler = nullptr;

void WINAPI ServiceMainEntry(DWORD argc, LPSTR* argv) {
  serviceMain(static_cast<int>(argc), argv);
}

void WINAPI ControlHandlerEntry(DWORD control) { controlHandler(control); }

}  // namespace

bool Win32ServiceHost::RunDispatcher(const std::string& name, ServiceMainRoutine main) {
  serviceMain = main;
  std::vector<char> serviceName(name.begin(), name.end());
  serviceName.push_back('\0');
  SERVICE_TABLE_ENTRYA table[] = {{serviceName.data(), ServiceMainEntry}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherA(table) != FALSE;
}

StatusHandle Win32ServiceHost::RegisterHandler(const std::string& name,
                                               ControlHandlerRoutine handler) {
  controlHandler = handler;
  return reinterpret_cast<StatusHandle>(RegisterServiceCtrlHandlerA(name.c_str(), ControlHandlerEntry));
}

bool Win32ServiceHost::SetStatus(StatusHandle handle, const ServiceStatusRecord& record) {
  SERVICE_STATUS status;
  status.dwServiceType = record.serviceType;
  status.dwCurrentState = record.currentState;
  status.dwControlsAccepted = record.controlsAccepted;
  status.dwWin32ExitCode = record.win32ExitCode;
  status.dwServiceSpecificExitCode = record.serviceSpecificExitCode;
  status.dwCheckPoint = record.checkPoint;
  status.dwWaitHint = record.waitHint;
  return SetServiceStatus(reinterpret_cast<SERVICE_STATUS_HANDLE>(handle), &status) != FALSE;
}

EventHandle Win32ServiceHost::CreateStopEvent() {
  return reinterpret_cast<EventHandle>(CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

void Win32ServiceHost::SignalEvent(EventHandle event) { SetEvent(reinterpret_cast<HANDLE>(event)); }

int Win32ServiceHost::WaitEvent(EventHandle event, std::uint32_t milliseconds) {
  const DWORD r = WaitForSingleObject(reinterpret_cast<HANDLE>(event), milliseconds);
  if (r == WAIT_OBJECT_0) return kWaitSignalled;
  return r == WAIT_TIMEOUT ? kWaitTimedOut : kWaitFailed;
}

void Win32ServiceHost::CloseEvent(EventHandle event) { CloseHandle(reinterpret_cast<HANDLE>(event)); }

// The Windows service manager shows no status text.
void Win32ServiceHost::SetStatusText(const std::string&) {}

}  // namespace kestro
