#pragma once
#include <map>
#include <string>

#include "platform/last_error.h"

namespace kestro::testing {

class FakeLastError : public LastError {
 public:
  std::uint32_t code = 0;
  std::map<std::uint32_t, std::string> messages;
  std::uint32_t Get() override { return code; }
  bool SystemMessage(std::uint32_t c, std::string* text) override {
    auto m = messages.find(c);
    if (m == messages.end()) return false;
    *text = m->second;
    return true;
  }
  std::string EnglishMessage(std::uint32_t c, std::size_t size) override {
    std::string text;
    SystemMessage(c, &text);
    return text.substr(0, size - 1);
  }
};

}  // namespace kestro::testing
