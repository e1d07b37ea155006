#include "platform/utf16_text.h"

#include <cstdint>

namespace kestro {
namespace {

void AppendUtf8(std::uint32_t c, std::string* text) {
  if (c < 0x80) {
    *text += static_cast<char>(c);
  } else if (c < 0x800) {
    *text += static_cast<char>(0xC0 | (c >> 6));
    *text += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *text += static_cast<char>(0xE0 | (c >> 12));
    *text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *text += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *text += static_cast<char>(0xF0 | (c >> 18));
    *text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *text += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

bool Utf16LeToUtf8(const std::string& bytes, std::string* text) {
  if (bytes.size() % 2 != 0) return false;
  text->clear();
  text->reserve(bytes.size() / 2);
  const auto unit = [&bytes](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
  };
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    std::uint32_t c = unit(i);
    if (c >= 0xDC00 && c <= 0xDFFF) return false;  // a second half first
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 2 >= bytes.size()) return false;
      const std::uint32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    AppendUtf8(c, text);
  }
  return true;
}

}  // namespace kestro
