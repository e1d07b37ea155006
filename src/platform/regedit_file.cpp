#include "platform/regedit_file.h"

#include <cctype>
#include <cstdlib>
#include <vector>

#include "platform/utf16_text.h"

namespace kestro {
namespace {

std::string Trim(const std::string& s) {
  std::string::size_type b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

// A value line whose data is written in hex: the only kind that an export
// continues over several lines.
bool StartsHexValue(const std::string& trimmed) {
  if (trimmed.empty() || (trimmed[0] != '"' && trimmed[0] != '@')) return false;
  std::string::size_type i = 1;
  if (trimmed[0] == '"') {
    // Past the closing quote of the name; a backslash escapes one character.
    while (i < trimmed.size() && trimmed[i] != '"') i += trimmed[i] == '\\' ? 2 : 1;
    if (i >= trimmed.size()) return false;
    ++i;
  }
  while (i < trimmed.size() && std::isspace(static_cast<unsigned char>(trimmed[i]))) ++i;
  if (i >= trimmed.size() || trimmed[i] != '=') return false;
  ++i;
  while (i < trimmed.size() && std::isspace(static_cast<unsigned char>(trimmed[i]))) ++i;
  return trimmed.compare(i, 3, "hex") == 0;
}

// Logical lines: CR LF or LF ends a line. A trailing backslash joins the next
// line only within hex data; a comment, a key or a text that happens to end
// in a backslash ("; logs go to C:\Logs\") stays one line, so the value
// after it is not swallowed.
std::vector<std::string> LogicalLines(const std::string& content) {
  std::vector<std::string> lines;
  std::string current;
  bool continuing = false;
  std::string::size_type pos = 0;
  while (pos < content.size()) {
    std::string::size_type end = content.find('\n', pos);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string trimmed = Trim(line);
    const bool hexData = continuing || StartsHexValue(trimmed);
    if (hexData && !trimmed.empty() && trimmed.back() == '\\') {
      current += trimmed.substr(0, trimmed.size() - 1);
      continuing = true;
      continue;
    }
    current += continuing ? trimmed : line;
    lines.push_back(current);
    current.clear();
    continuing = false;
  }
  if (continuing) lines.push_back(current);
  return lines;
}

// A quoted string starting at `pos` (at the opening quote). Sets `end` past
// the closing quote.
bool ParseQuoted(const std::string& s, std::string::size_type pos, std::string* out,
                 std::string::size_type* end) {
  if (pos >= s.size() || s[pos] != '"') return false;
  out->clear();
  for (std::string::size_type i = pos + 1; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      *out += s[++i];
    } else if (s[i] == '"') {
      *end = i + 1;
      return true;
    } else {
      *out += s[i];
    }
  }
  return false;
}

bool ParseHexBytes(const std::string& s, std::vector<unsigned char>* bytes) {
  std::string::size_type i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ',' || std::isspace(static_cast<unsigned char>(s[i])))) ++i;
    if (i >= s.size()) break;
    std::string::size_type j = i;
    while (j < s.size() && std::isxdigit(static_cast<unsigned char>(s[j]))) ++j;
    if (j == i || j - i > 2) return false;
    bytes->push_back(static_cast<unsigned char>(std::strtoul(s.substr(i, j - i).c_str(), nullptr, 16)));
    i = j;
  }
  return true;
}

// Text data up to its first NUL character: 8-bit bytes, or UTF-16LE ones
// (`wide`, as a "Windows Registry Editor Version 5.00" file writes them).
bool TextOfBytes(const std::vector<unsigned char>& bytes, bool wide, std::string* text) {
  std::string raw(bytes.begin(), bytes.end());
  if (!wide) {
    *text = raw.substr(0, raw.find('\0'));
    return true;
  }
  std::string::size_type end = 0;
  while (end + 1 < raw.size() && (raw[end] != '\0' || raw[end + 1] != '\0')) end += 2;
  if (end + 1 < raw.size()) raw.resize(end);
  return Utf16LeToUtf8(raw, text);
}

// The data after "=": false when it cannot be read.
bool ParseData(const std::string& data, bool wide, RegValue* value) {
  std::string::size_type end = 0;
  if (!data.empty() && data[0] == '"') {
    if (!ParseQuoted(data, 0, &value->text, &end) || !Trim(data.substr(end)).empty()) return false;
    value->type = RegValue::Type::Text;
    return true;
  }
  if (data.compare(0, 6, "dword:") == 0) {
    const std::string digits = Trim(data.substr(6));
    if (digits.empty() || digits.size() > 8) return false;
    for (char c : digits)
      if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    value->type = RegValue::Type::Dword;
    value->number = static_cast<std::uint32_t>(std::strtoul(digits.c_str(), nullptr, 16));
    return true;
  }
  if (data.compare(0, 3, "hex") == 0) {
    unsigned long kind = 3;  // plain "hex:" is binary
    std::string::size_type colon = data.find(':');
    if (colon == std::string::npos) return false;
    if (data[3] == '(') {
      const std::string::size_type close = data.find(')');
      if (close == std::string::npos || close > colon) return false;
      kind = std::strtoul(data.substr(4, close - 4).c_str(), nullptr, 16);
    }
    std::vector<unsigned char> bytes;
    if (!ParseHexBytes(data.substr(colon + 1), &bytes)) return false;
    if (kind == 1 || kind == 2) {
      value->type = kind == 1 ? RegValue::Type::Text : RegValue::Type::ExpandText;
      if (!TextOfBytes(bytes, wide, &value->text)) return false;
    } else if (kind == 4 && bytes.size() == 4) {
      value->type = RegValue::Type::Dword;
      value->number = bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                      static_cast<std::uint32_t>(bytes[3]) << 24;
    } else {
      value->type = RegValue::Type::Other;
    }
    return true;
  }
  return false;
}

}  // namespace

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
  const std::string::size_type n = a.size() < b.size() ? a.size() : b.size();
  for (std::string::size_type i = 0; i < n; ++i) {
    const int ca = std::tolower(static_cast<unsigned char>(a[i]));
    const int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb;
  }
  return a.size() < b.size();
}

RegKeys ParseRegeditText(const std::string& content, bool wideHexText) {
  RegKeys keys;
  RegValues* section = nullptr;
  for (const std::string& raw : LogicalLines(content)) {
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      section = nullptr;
      if (line.back() != ']') continue;
      std::string path = line.substr(1, line.size() - 2);
      if (!path.empty() && path[0] == '-') {
        keys.erase(path.substr(1));
        continue;
      }
      section = &keys[path];
      continue;
    }
    if (section == nullptr) continue;
    std::string name;
    std::string::size_type end = 0;
    if (line[0] == '@') {
      end = 1;
    } else if (!ParseQuoted(line, 0, &name, &end)) {
      continue;
    }
    const std::string rest = Trim(line.substr(end));
    if (rest.empty() || rest[0] != '=') continue;
    const std::string data = Trim(rest.substr(1));
    if (data == "-") {
      section->erase(name);
      continue;
    }
    RegValue value;
    if (ParseData(data, wideHexText, &value)) (*section)[name] = value;
  }
  return keys;
}

bool ReadRegeditFile(const std::string& bytes, RegKeys* keys, std::string* why) {
  keys->clear();
  if (bytes.empty()) return true;  // no keys, as no file
  std::string text;
  if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
    if (!Utf16LeToUtf8(bytes.substr(2), &text)) {
      *why = "is UTF-16 text that is cut short or broken";
      return false;
    }
  } else {
    text = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
  }
  const std::string first = Trim(text.substr(0, text.find('\n')));
  if (first != kRegedit4 && first != kRegedit5) {
    *why = std::string("does not begin with \"") + kRegedit4 + "\" or \"" + kRegedit5 + "\"";
    return false;
  }
  *keys = ParseRegeditText(text, first == kRegedit5);
  return true;
}

}  // namespace kestro
