#pragma once
#include <cstdint>
#include <string>

#include "platform/service_host.h"

namespace kestro {

inline constexpr char kServiceName[] = "Kestro";
inline constexpr int kExitDispatcherFailed = 8;

// Service states, controls and types as the service manager knows them.
inline constexpr std::uint32_t kServiceOwnProcess = 0x10;
inline constexpr std::uint32_t kAcceptStop = 1;
inline constexpr std::uint32_t kControlStop = 1;

// Hands the process to the service manager; ends it with 0 when the service
// has stopped, or with 8 when the dispatcher cannot start.
[[noreturn]] void RunServiceMode();

void ServiceMain(int argc, char** argv);
void ServiceWorker(int argc, char** argv);
void ServiceControlHandler(std::uint32_t control);
void ServiceStop();
bool ReportServiceStatus(std::uint32_t state, std::uint32_t exitCode, std::uint32_t waitHint);
void ReportServiceError(const std::string& call);

// Starts the service host's state afresh, for tests.
void ResetServiceMode();
// The record as last reported.
ServiceStatusRecord CurrentServiceStatus();

}  // namespace kestro
