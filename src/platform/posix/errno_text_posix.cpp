#include "platform/errno_text.h"

#include <cstring>

namespace kestro {

std::string ErrnoText(int error) {
  char buffer[256];
  // The GNU strerror_r returns its text, which may not be in the buffer.
  return strerror_r(error, buffer, sizeof buffer);
}

}  // namespace kestro
