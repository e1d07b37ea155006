// Kestro.admx and its en-US/Kestro.adml: ADMX schema 1.0, machine policies
// under one key, a category "Kestro" with one subcategory per slot. Every
// value is a policy of its own, so that each can be set or left alone; the
// three values of a slot row share their texts and their presentation.
#include "settings_writer/writers.h"

namespace kestro {
namespace {

constexpr char kXmlHead[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
constexpr char kNamespaces[] =
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" revision=\"1.0\" "
    "schemaVersion=\"1.0\" xmlns=\"http://schemas.microsoft.com/GroupPolicy/2006/07/"
    "PolicyDefinitions\"";
constexpr char kSupported[] = "SUPPORTED_WindowsXPSP3";

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Category(int slot) { return slot == 0 ? "Kestro" : "Slot" + std::to_string(slot); }

std::string Element(const SettingRow& row, const std::string& value) {
  if (row.type == SettingType::Number) {
    return "        <decimal id=\"" + std::string(row.name) + "\" valueName=\"" + value +
           "\" minValue=\"" + std::to_string(row.minimum) + "\" maxValue=\"" +
           std::to_string(row.maximum) + "\" required=\"true\" />\n";
  }
  return "        <text id=\"" + std::string(row.name) + "\" valueName=\"" + value +
         "\" maxLength=\"" + std::to_string(kPolicyTextLength) + "\" />\n";
}

std::string String(const std::string& id, const std::string& text) {
  return "      <string id=\"" + id + "\">" + Escaped(text) + "</string>\n";
}

}  // namespace

std::string WriteAdmx(const SettingRows& rows) {
  std::string out = kXmlHead;
  out += "<!-- Kestro and IP Helper: made from the program's table of settings. -->\n";
  out += std::string("<policyDefinitions ") + kNamespaces + ">\n";
  out += "  <policyNamespaces>\n";
  out += "    <target prefix=\"kestro\" namespace=\"Morvane.Policies.Kestro\" />\n";
  out += "  </policyNamespaces>\n";
  out += "  <resources minRequiredRevision=\"1.0\" />\n";
  out += "  <supportedOn>\n    <definitions>\n";
  out += std::string("      <definition name=\"") + kSupported + "\" displayName=\"$(string." +
         kSupported + ")\" />\n";
  out += "    </definitions>\n  </supportedOn>\n";
  out += "  <categories>\n    <category name=\"Kestro\" displayName=\"$(string.Kestro)\" />\n";
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const std::string name = Category(slot);
    out += "    <category name=\"" + name + "\" displayName=\"$(string." + name + ")\">\n";
    out += "      <parentCategory ref=\"Kestro\" />\n    </category>\n";
  }
  out += "  </categories>\n  <policies>\n";
  // The single values first, then each slot's.
  for (int slot = 0; slot <= kSlotCount; ++slot) {
    for (const SettingRow& row : rows) {
      if (row.perSlot != (slot != 0)) continue;
      const std::string value = SettingName(row, slot);
      out += "    <policy name=\"" + value + "\" class=\"Machine\" displayName=\"$(string." +
             row.name + ")\" explainText=\"$(string." + row.name + "_Explain)\" presentation=\"$(presentation." +
             row.name + ")\" key=\"" + Escaped(kTemplateKeyPath) + "\">\n";
      out += "      <parentCategory ref=\"" + Category(slot) + "\" />\n";
      out += std::string("      <supportedOn ref=\"") + kSupported + "\" />\n";
      out += "      <elements>\n" + Element(row, value) + "      </elements>\n";
      out += "    </policy>\n";
    }
  }
  out += "  </policies>\n</policyDefinitions>\n";
  return out;
}

std::string WriteAdml(const SettingRows& rows) {
  std::string out = kXmlHead;
  out += std::string("<policyDefinitionResources ") + kNamespaces + ">\n";
  out += "  <displayName>Kestro and IP Helper</displayName>\n";
  out += "  <description>The settings of Kestro and IP Helper as machine policies.</description>\n";
  out += "  <resources>\n    <stringTable>\n";
  out += String(kSupported, "At least Windows XP Professional with SP3");
  out += String("Kestro", "Kestro");
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    out += String(Category(slot), "Slot " + std::to_string(slot));
  }
  for (const SettingRow& row : rows) {
    out += String(row.name, row.title);
    out += String(std::string(row.name) + "_Explain", Explanation(row));
  }
  out += "    </stringTable>\n    <presentationTable>\n";
  for (const SettingRow& row : rows) {
    out += "      <presentation id=\"" + std::string(row.name) + "\">\n";
    if (row.type == SettingType::Number) {
      out += "        <decimalTextBox refId=\"" + std::string(row.name) + "\" defaultValue=\"" +
             DefaultText(row) + "\">" + Escaped(row.title) + "</decimalTextBox>\n";
    } else {
      out += "        <textBox refId=\"" + std::string(row.name) + "\">\n          <label>" +
             Escaped(row.title) + "</label>\n";
      out += "        </textBox>\n";
    }
    out += "      </presentation>\n";
  }
  out += "    </presentationTable>\n  </resources>\n</policyDefinitionResources>\n";
  return out;
}

}  // namespace kestro
