#pragma once
#include <string>

namespace kestro {

// Return codes of SetServiceState, one bit per outcome; 0 is success.
inline constexpr int kServiceQueryFailed = 1;
inline constexpr int kServicePreWaitQueryFailed = 2;
inline constexpr int kServiceDidNotStop = 4;
inline constexpr int kServiceStopRefused = 8;
inline constexpr int kServiceDidNotStart = 16;
inline constexpr int kServiceStartRefused = 32;
inline constexpr int kServiceUnsettled = 64;

// Brings the service `name` to running ('1') or stopped ('0') and waits for
// it, about 121 seconds at most. Progress goes to standard output, situations
// that need attention to the log.
int SetServiceState(std::string name, char action);

}  // namespace kestro
