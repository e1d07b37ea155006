#include "log/log_diversion.h"

namespace kestro {
namespace {
std::vector<std::string>* divertedTo = nullptr;
}  // namespace

void DivertLog(std::vector<std::string>* sink) { divertedTo = sink; }

bool Diverted(const std::string& text) {
  if (divertedTo == nullptr) return false;
  divertedTo->push_back(text);
  return true;
}

}  // namespace kestro
