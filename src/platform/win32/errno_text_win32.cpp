#include "platform/errno_text.h"

#include <string.h>

namespace kestro {

std::string ErrnoText(int error) {
  char buffer[256];
  if (strerror_s(buffer, sizeof buffer, error) != 0) buffer[0] = '\0';
  return buffer;
}

}  // namespace kestro
