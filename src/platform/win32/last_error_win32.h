#pragma once
#include "platform/last_error.h"

namespace kestro {

class Win32LastError : public LastError {
 public:
  std::uint32_t Get() override;
  bool SystemMessage(std::uint32_t code, std::string* text) override;
  std::string EnglishMessage(std::uint32_t code, std::size_t size) override;
};

}  // namespace kestro
