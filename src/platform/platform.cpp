#include "platform/platform.h"

namespace kestro {
namespace {
Platform current;
}

const Platform& Os() { return current; }
void SetPlatform(const Platform& platform) { current = platform; }

}  // namespace kestro
