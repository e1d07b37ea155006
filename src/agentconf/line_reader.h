#pragma once
#include <cstddef>
#include <string>

#include "platform/shared_file.h"

namespace kestro {

// Reads a file as the C runtime's text mode and fgets see it: CR LF becomes
// LF, and each line comes in pieces of at most `maxChars` characters, a
// piece ending after its LF or when it is full.
class LineReader {
 public:
  LineReader(ReadHandle handle, std::size_t maxChars) : handle_(handle), maxChars_(maxChars) {}

  // The next piece; false at the end of the file or after a failed read.
  bool Next(std::string* piece);

 private:
  bool NextChar(char* c);

  ReadHandle handle_;
  std::size_t maxChars_;
  char buffer_[4096];
  std::size_t length_ = 0;
  std::size_t position_ = 0;
  int pushedBack_ = -1;  // a character read ahead, or -1
  bool failed_ = false;  // a read failed: the file ends there
};

}  // namespace kestro
