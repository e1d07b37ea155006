// The settings sample (docs/kestro-settings.reg), the table of
// docs/configuration.md and the list of the manual page.
#include <cstdio>

#include "settings_writer/writers.h"

namespace kestro {
namespace {

constexpr char kSampleHead[] =
    "REGEDIT4\n"
    "\n"
    "; Settings of Kestro (\"Kestro and IP Helper\"), every value but LogDir at its\n"
    "; default.\n"
    "; Windows: reg import kestro-settings.reg (as an administrator).\n"
    "; Linux: copy to /etc/kestro/kestro.reg, or name it in KESTRO_REGISTRY.\n"
    "; Settings are read again at every pass; LogDir only when the program starts.\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\n"
    "; LogDir: the directory of Kestro-2.txt, Kestro-1.txt and Kestro.lck, without\n"
    "; a trailing backslash; missing or empty: C: on Windows, /var/log/kestro on\n"
    "; Linux. It is left out here because the Windows package sets it to its own\n"
    "; <install folder>\\Logs, which an import of \"LogDir\"=\"\" would undo. To choose\n"
    "; another folder, remove the \";\" and name it (on Linux a path such as\n"
    "; /var/log/kestro):\n"
    ";\"LogDir\"=\"D:\\\\Logs\\\\Kestro\"\n";

constexpr char kSampleTail[] =
    "\n"
    "; An example slot: start the service \"AgentCache\" and run a script while the\n"
    "; staging server answers well, stop both when it does not. The script runs\n"
    "; as LocalSystem: keep it where only administrators may change it, as under\n"
    "; the install folder (a folder made under C:\\ lets every user change it, and\n"
    "; Kestro then refuses it). Remove the \";\" to use it.\n"
    ";\"Service1\"=\"AgentCache\"\n"
    ";\"Command1\"=\"C:\\\\Windows\\\\System32\\\\cmd.exe\"\n"
    ";\"Argument1\"=\"cmd.exe /c \\\"C:\\\\Program Files\\\\Kestro\\\\Scripts\\\\agent-cache.cmd\\\"\"\n"
    "\n"
    "; A profile for large sites (docs/fleet.md): timed passes every 5 minutes,\n"
    "; spread, and a change confirmed before acting on it. Remove the \";\" to\n"
    "; use it:\n"
    ";\"PassInterval\"=dword:0000012c\n"
    ";\"PassSplay\"=dword:00000078\n"
    ";\"RecheckDelay\"=dword:0000001e\n"
    ";\"StopAfter1\"=dword:00000002\n"
    ";\"StartAfter1\"=dword:00000002\n"
    "\n"
    "; Rolling out to a fleet: first only observe (no service is started or\n"
    "; stopped, no command run; the log, the status line and the metrics say what\n"
    "; each slot would do), then remove the value and the slots act at the next\n"
    "; pass. EventOnChange: an event entry (ID 958) each time a slot changes its\n"
    "; word.\n"
    ";\"Observe\"=dword:00000001\n"
    ";\"EventOnChange\"=dword:00000001\n"
    "\n"
    "; Judging the staging server by a TCP port it serves, with connects instead\n"
    "; of echo requests, where ICMP is blocked or limited. Remove the \";\" and\n"
    "; name the port to use it:\n"
    ";\"ProbePort\"=dword:000001bb\n";

std::string RegLine(const SettingRow& row, int slot) {
  std::string line = "\"" + SettingName(row, slot) + "\"=";
  if (row.type == SettingType::Text) return line + "\"" + row.defaultText + "\"\n";
  char dword[16];
  std::snprintf(dword, sizeof dword, "dword:%08x", static_cast<unsigned>(row.defaultNumber));
  return line + dword + "\n";
}

std::string Names(const SettingRow& row, const char* between) {
  std::string names;
  for (int n = 1; n <= SettingValues(row); ++n) {
    names += (n == 1 ? "" : between) + SettingName(row, n);
  }
  return names;
}

std::string Range(const SettingRow& row) {
  if (row.type == SettingType::Text) return "at most 253 characters";
  return std::to_string(row.minimum) + " to " + std::to_string(row.maximum) + " " + row.unit;
}

// Text for the manual page: lines of at most 80 bytes, backslashes
// escaped, none beginning with a control character.
std::string ManText(const std::string& text) {
  std::string out, line, word;
  const auto flush = [&] {
    if (line.empty()) return;
    out += (line[0] == '.' || line[0] == '\'' ? "\\&" : "") + line + "\n";
    line.clear();
  };
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != ' ') {
      word += text[i] == '\\' ? std::string("\\e") : std::string(1, text[i]);
      continue;
    }
    if (word.empty()) continue;
    if (!line.empty() && line.size() + 1 + word.size() > 78) flush();
    line += (line.empty() ? "" : " ") + word;
    word.clear();
  }
  flush();
  return out;
}

}  // namespace

std::string WriteSample(const SettingRows& rows) {
  std::string out = kSampleHead;
  for (const SettingRow& row : rows) {
    if (row.read != SettingRead::EachPass) continue;
    out += "; " + std::string(row.title) + (row.perSlot ? " (per slot)" : "") + ": " +
           Range(row) + ".\n";
    for (int n = 1; n <= SettingValues(row); ++n) out += RegLine(row, n);
  }
  return out + kSampleTail;
}

std::string WriteDocTable(const SettingRows& rows) {
  std::string out = "| Value | Type | Default | Range | Read | Meaning |\n";
  out += "|---|---|---|---|---|---|\n";
  for (const SettingRow& row : rows) {
    const std::string shown = DefaultText(row);
    out += "| " + Names(row, ", ") + " | " + TypeName(row) + " | " +
           (shown.empty() ? "empty" : "`" + shown + "`") + " | " + Range(row) + " | " +
           (row.read == SettingRead::EachPass ? "every pass" : "once, at start") + " | **" +
           row.title + ".** " + row.explanation +
           (row.optional && row.read == SettingRead::EachPass
                ? " Optional: missing means the default, without a \"Could not read\" line."
                : "") +
           " |\n";
  }
  return out;
}

std::string WriteManList(const SettingRows& rows) {
  std::string out;
  for (const SettingRow& row : rows) {
    const std::string shown = DefaultText(row);
    out += ".TP\n.B " + Names(row, ", ") + "\n";
    out += ManText(std::string(row.title) + " (" + TypeName(row) + ", default " +
                   (shown.empty() ? "empty" : shown) + ", " + Range(row) +
                   (row.read == SettingRead::EachPass ? "" : ", read once at start") +
                   (row.optional && row.read == SettingRead::EachPass ? ", optional" : "") +
                   "). " + row.explanation);
  }
  return out;
}

}  // namespace kestro
