#pragma once
#include <string>

namespace kestro {

// Exit codes of "-check", one bit per part of what a pass needs.
inline constexpr int kCheckSettings = 16;  // a setting missing or unreadable, or no settings
inline constexpr int kCheckAgent = 32;     // the agent file or the staging server's address
inline constexpr int kCheckFolders = 64;   // the log folder or the metrics file's folder
inline constexpr int kCheckSlots = 128;    // a slot's service or command

// The findings of a check, one line each on standard output, and the exit
// code they add up to.
class CheckReport {
 public:
  // Something a pass would do without: counts under `part`.
  void Problem(int part, const std::string& line);
  // Something in order, said for the administrator's reassurance.
  void Fine(const std::string& line);
  // The last line; returns the exit code.
  int Verdict();
  int Code() const { return code_; }

 private:
  int code_ = 0;
};

// The system's text for the calling thread's last error, or its number.
std::string LastErrorWords();

}  // namespace kestro
