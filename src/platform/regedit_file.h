#pragma once
// Reading the text format of registry exports ("REGEDIT4"), which serves as
// the settings store where there is no registry.
#include <cstdint>
#include <map>
#include <string>

namespace kestro {

struct RegValue {
  enum class Type { Text, ExpandText, Dword, Other };
  Type type = Type::Other;
  std::uint32_t number = 0;
  std::string text;  // the bytes of a text value, without its terminating NUL
};

struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

using RegValues = std::map<std::string, RegValue, CaseInsensitiveLess>;
// Keys by full path, such as "HKEY_LOCAL_MACHINE\SOFTWARE\Morvane\Kestro".
using RegKeys = std::map<std::string, RegValues, CaseInsensitiveLess>;

// Parses an export: "[key]" lines, "name"=... value lines with "string",
// dword:, hex: and hex(n): data, "-" deletions, ";" comments, and hex data
// continued over lines by a trailing backslash. Lines that cannot be read are
// skipped.
RegKeys ParseRegeditText(const std::string& content);

}  // namespace kestro
