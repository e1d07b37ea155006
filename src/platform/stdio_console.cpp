#include "platform/stdio_console.h"

#include <cstdio>

namespace kestro {

void StdioConsole::Write(Stream stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream == Stream::Error ? stderr : stdout);
}

void StdioConsole::Flush(Stream stream) { std::fflush(stream == Stream::Error ? stderr : stdout); }

}  // namespace kestro
