/* A Windows service for tests: takes about 1.5 s to start and to stop, so
   that waits are seen, and stops on request. */
#include <windows.h>

static SERVICE_STATUS_HANDLE handle;
static SERVICE_STATUS status;
static HANDLE stopEvent;

static void Report(DWORD state) {
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  SetServiceStatus(handle, &status);
}

static void WINAPI Handler(DWORD control) {
  if (control == SERVICE_CONTROL_STOP) {
    Report(SERVICE_STOP_PENDING);
    SetEvent(stopEvent);
  } else {
    SetServiceStatus(handle, &status);
  }
}

static void WINAPI Main(DWORD argc, LPSTR* argv) {
  (void)argc;
  (void)argv;
  stopEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
  handle = RegisterServiceCtrlHandlerA("KestroTestSvc", Handler);
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwWaitHint = 5000;
  Report(SERVICE_START_PENDING);
  Sleep(1500);
  Report(SERVICE_RUNNING);
  WaitForSingleObject(stopEvent, INFINITE);
  Sleep(1500);
  Report(SERVICE_STOPPED);
}

int main(void) {
  SERVICE_TABLE_ENTRYA table[] = {{(LPSTR) "KestroTestSvc", Main}, {NULL, NULL}};
  return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
