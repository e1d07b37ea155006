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
// that need attention to the log. Returns 0 also when the service manager or
// the service cannot be opened; `inState`, when given, tells the truth: true
// only when the service is known to be in the state asked for.
int SetServiceState(std::string name, char action, bool* inState = nullptr);

}  // namespace kestro
