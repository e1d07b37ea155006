#pragma once
// Reading the text format of registry exports ("REGEDIT4" and "Windows
// Registry Editor Version 5.00"), which serves as the settings store where
// there is no registry.
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

inline constexpr char kRegedit4[] = "REGEDIT4";
inline constexpr char kRegedit5[] = "Windows Registry Editor Version 5.00";

// Parses an export: "[key]" lines, "name"=... value lines with "string",
// dword:, hex: and hex(n): data, "-" deletions, ";" comments, and hex data
// continued over lines by a trailing backslash. Lines that cannot be read are
// skipped. `wideHexText`: the texts in hex(1) and hex(2) data are UTF-16LE,
// as version 5 writes them.
RegKeys ParseRegeditText(const std::string& content, bool wideHexText = false);

// Reads a whole export file as regedit imports one: 8-bit text (a UTF-8
// byte order mark is skipped) or UTF-16LE after its byte order mark, made
// UTF-8; its first line "REGEDIT4" or "Windows Registry Editor Version
// 5.00". An empty file holds no keys. False for anything else, with `why`
// as a phrase that follows the file's name ("does not begin with ...").
bool ReadRegeditFile(const std::string& bytes, RegKeys* keys, std::string* why);

}  // namespace kestro
