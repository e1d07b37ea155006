#include "app/check_report.h"

#include <cstdio>

#include "log/last_error_text.h"
#include "platform/platform.h"

namespace kestro {
namespace {

// A name from a file or the settings may hold any byte; control bytes are
// shown as \xNN, so that every finding stays one line.
std::string Shown(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", b);
      shown += escaped;
    } else {
      shown += c;
    }
  }
  return shown;
}

void Print(const std::string& line) {
  Console& console = *Os().console;
  console.Write(Stream::Output, Shown(line) + "\n");
  console.Flush(Stream::Output);
}

}  // namespace

void CheckReport::Problem(int part, const std::string& line) {
  code_ |= part;
  Print(line);
}

void CheckReport::Fine(const std::string& line) { Print(line); }

int CheckReport::Verdict() {
  if (code_ == 0) {
    Print("Check passed: a pass has everything it needs.");
    return 0;
  }
  std::string parts;
  const auto add = [&](int part, const char* name) {
    if (code_ & part) parts += (parts.empty() ? "" : ", ") + std::string(name);
  };
  add(kCheckSettings, "settings");
  add(kCheckAgent, "staging server");
  add(kCheckFolders, "folders");
  add(kCheckSlots, "slots");
  Print("Check failed (exit code " + std::to_string(code_) + "): " + parts);
  return code_;
}

std::string LastErrorWords() {
  const std::uint32_t code = Os().lastError->Get();
  char buffer[256];
  const std::string text = GetLastErrorText(buffer, sizeof buffer);
  return text.empty() ? "error " + std::to_string(code) : text;
}

}  // namespace kestro
