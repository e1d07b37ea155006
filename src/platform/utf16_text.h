#pragma once
// UTF-16LE, as Windows writes its text files and registry data, made the
// 8-bit text (UTF-8) that the rest of the program works with.
#include <string>

namespace kestro {

// Converts little-endian UTF-16 `bytes` to UTF-8. False when they are not
// UTF-16: an odd count of bytes, or a surrogate without its partner.
bool Utf16LeToUtf8(const std::string& bytes, std::string* text);

}  // namespace kestro
