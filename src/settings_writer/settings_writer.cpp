// Writes what is made from the table of settings:
//   settings_writer policy DIR        Kestro.admx, en-US/Kestro.adml, Kestro.adm in DIR
//   settings_writer docs ROOT [--check]
//                                     the settings sample, configuration.md's table and the
//                                     manual page's list in the tree at ROOT; --check only
//                                     says which differ (exit 1)
//   settings_writer names             every value name, one a line
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "settings_writer/writers.h"

namespace {

using kestro::kSettings;

bool Read(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  *text = all.str();
  return static_cast<bool>(in);
}

bool Write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) std::cerr << "settings_writer: could not write " << path << "\n";
  return static_cast<bool>(out);
}

// `whole` with the lines between the line holding `begin` and the next
// holding `end` replaced by `block`; false when the marks are missing.
bool Replace(std::string& whole, const std::string& begin, const std::string& end,
             const std::string& block) {
  std::size_t from = whole.find(begin);
  if (from == std::string::npos) return false;
  from = whole.find('\n', from);
  if (from == std::string::npos) return false;
  const std::size_t to = whole.find(end, from);
  if (to == std::string::npos) return false;
  const std::size_t lineStart = whole.rfind('\n', to) + 1;
  whole.replace(from + 1, lineStart - from - 1, block);
  return true;
}

// One document: made anew, then written or compared.
bool Document(const std::string& path, const std::string& begin, const std::string& end,
              const std::string& block, bool check) {
  std::string text;
  if (!Read(path, &text)) {
    std::cerr << "settings_writer: could not read " << path << "\n";
    return false;
  }
  std::string made = block;
  if (!begin.empty()) {
    made = text;
    if (!Replace(made, begin, end, block)) {
      std::cerr << "settings_writer: " << path << " lacks the lines \"" << begin << "\" and \""
                << end << "\"\n";
      return false;
    }
  }
  if (made == text) return true;
  if (!check) return Write(path, made);
  std::cerr << path << " is not as the table of settings makes it\n";
  return false;
}

int Docs(const std::string& root, bool check) {
  bool good = Document(root + "/docs/kestro-settings.reg", "", "", kestro::WriteSample(kSettings), check);
  good &= Document(root + "/docs/configuration.md", "<!-- settings table: made by settings_writer",
                   "<!-- end of the settings table -->", kestro::WriteDocTable(kSettings), check);
  good &= Document(root + "/packaging/kestro.8", ".\\\" settings: made by settings_writer",
                   ".\\\" end of the settings", kestro::WriteManList(kSettings), check);
  if (!good && check) std::cerr << "Rewrite them with: settings_writer docs " << root << "\n";
  return good ? 0 : 1;
}

int Policy(const std::string& dir) {
  std::error_code error;
  std::filesystem::create_directories(dir + "/en-US", error);
  const bool good = Write(dir + "/Kestro.admx", kestro::WriteAdmx(kSettings)) &&
                    Write(dir + "/en-US/Kestro.adml", kestro::WriteAdml(kSettings)) &&
                    Write(dir + "/Kestro.adm", kestro::WriteAdm(kSettings));
  return good ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "policy" && argc == 3) return Policy(argv[2]);
  if (mode == "docs" && (argc == 3 || (argc == 4 && std::string(argv[3]) == "--check"))) {
    return Docs(argv[2], argc == 4);
  }
  if (mode == "names" && argc == 2) {
    for (const kestro::SettingRow& row : kSettings) {
      for (int n = 1; n <= kestro::SettingValues(row); ++n) std::cout << kestro::SettingName(row, n) << "\n";
    }
    return 0;
  }
  std::cerr << "usage: settings_writer policy DIR | docs ROOT [--check] | names\n";
  return 2;
}
