// Kestro.adm, for Group Policy consoles that predate ADMX: the same policies
// under the same key, in the same categories. Windows reads it as ANSI text
// with CRLF line ends.
#include "settings_writer/writers.h"

namespace kestro {
namespace {

// A string of the [strings] section: quoted, so without quotes of its own.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) out += c == '"' ? '\'' : c;
  return out + "\"";
}

void Policy(std::string& out, const SettingRow& row, int slot, const std::string& indent) {
  const std::string value = SettingName(row, slot);
  out += indent + "POLICY !!" + row.name + "\n";
  out += indent + "  #if version >= 4\n";
  out += indent + "    SUPPORTED !!SUPPORTED_WindowsXPSP3\n";
  out += indent + "  #endif\n";
  out += indent + "  EXPLAIN !!" + row.name + "_Explain\n";
  out += indent + "  PART !!" + row.name;
  if (row.type == SettingType::Number) {
    out += " NUMERIC REQUIRED\n";
    out += indent + "    VALUENAME \"" + value + "\"\n";
    out += indent + "    DEFAULT " + DefaultText(row) + "\n";
    out += indent + "    MIN " + std::to_string(row.minimum) + "\n";
    out += indent + "    MAX " + std::to_string(row.maximum) + "\n";
    out += indent + "    SPIN 1\n";
  } else {
    out += " EDITTEXT\n";
    out += indent + "    VALUENAME \"" + value + "\"\n";
    out += indent + "    MAXLEN " + std::to_string(kPolicyTextLength) + "\n";
  }
  out += indent + "  END PART\n";
  out += indent + "END POLICY\n";
}

}  // namespace

std::string WriteAdm(const SettingRows& rows) {
  std::string out = "; Kestro and IP Helper: made from the program's table of settings.\n";
  out += "CLASS MACHINE\n\nCATEGORY !!Kestro\n";
  out += std::string("  KEYNAME \"") + kTemplateKeyPath + "\"\n";
  for (const SettingRow& row : rows) {
    if (!row.perSlot) Policy(out, row, 0, "  ");
  }
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    out += "  CATEGORY !!Slot" + std::to_string(slot) + "\n";
    out += std::string("    KEYNAME \"") + kTemplateKeyPath + "\"\n";
    for (const SettingRow& row : rows) {
      if (row.perSlot) Policy(out, row, slot, "    ");
    }
    out += "  END CATEGORY\n";
  }
  out += "END CATEGORY\n\n[strings]\n";
  out += "Kestro=\"Kestro\"\n";
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    out += "Slot" + std::to_string(slot) + "=\"Slot " + std::to_string(slot) + "\"\n";
  }
  out += "SUPPORTED_WindowsXPSP3=\"At least Windows XP Professional with SP3\"\n";
  for (const SettingRow& row : rows) {
    out += std::string(row.name) + "=" + Quoted(row.title) + "\n";
    out += std::string(row.name) + "_Explain=" + Quoted(Explanation(row)) + "\n";
  }
  std::string crlf;
  for (char c : out) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return crlf;
}

}  // namespace kestro
