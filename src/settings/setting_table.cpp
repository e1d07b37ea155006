#include "settings/setting_table.h"

#include "platform/settings_key.h"

namespace kestro {
namespace {

using S = MonitorSettings;
constexpr SettingType kNumber = SettingType::Number;
constexpr SettingType kText = SettingType::Text;
constexpr SettingRead kEachPass = SettingRead::EachPass;

// A row of each kind, the fields left out empty.
constexpr SettingRow Number(const char* name, std::uint32_t S::*field, std::uint32_t fallback,
                            std::uint32_t minimum, std::uint32_t maximum, const char* unit,
                            const char* title, const char* explanation, bool optional = false) {
  return {name, false, kNumber, optional, kEachPass, fallback, "", minimum, maximum, unit,
          title, explanation, field, nullptr, nullptr, nullptr};
}
constexpr SettingRow Numbers(const char* stem, std::uint32_t (S::*field)[kSlotCount],
                             std::uint32_t fallback, std::uint32_t minimum, std::uint32_t maximum,
                             const char* unit, const char* title, const char* explanation,
                             bool optional = false) {
  return {stem, true, kNumber, optional, kEachPass, fallback, "", minimum, maximum, unit,
          title, explanation, nullptr, field, nullptr, nullptr};
}
constexpr SettingRow Texts(const char* stem, std::string (S::*field)[kSlotCount],
                           const char* title, const char* explanation) {
  return {stem, true, kText, false, kEachPass, 0, "", 0, 0, "", title, explanation,
          nullptr, nullptr, nullptr, field};
}

}  // namespace

// In the order of the queries, which is also that of the "Could not read"
// lines; LogDir, read by the log writer, first as the documents list it.
constexpr SettingRow kRows[] = {
    {kLogDirValue, false, kText, true, SettingRead::OncePerProcess, 0, "", 0, 0, "",
     "Folder of the log files",
     "The folder of Kestro-2.txt, Kestro-1.txt and the lock file Kestro.lck, without a "
     "trailing backslash; the folder must exist. Missing or empty: C: on Windows (the "
     "Windows package sets its own <install folder>\\Logs), /var/log/kestro on Linux. "
     "Read once, when the program starts: restart the service after changing it.",
     nullptr, nullptr, nullptr, nullptr},
    Number("PingPacketSize", &S::PingPacketSize, 1024, 0, 4084, "bytes",
           "Data bytes per echo request",
           "The number of data bytes in each echo request, 0 to 4084. Larger, the sweep fails "
           "with code 16; over IPv4, above 4064 the answers no longer fit and the sweep fails "
           "with code 64."),
    Numbers("PingResponse", &S::PingResponse, 20, 0, 2000, "milliseconds",
            "Highest mean answer time of a healthy sweep",
            "The slot counts as failed when the sweep's mean time (AvgTime: the answer times "
            "in milliseconds plus 2 for every unanswered request, divided by all requests) "
            "lies above this. 0: no such limit."),
    Numbers("PingTimeOut", &S::PingTimeOut, 1, 0, 1000, "requests",
            "Most unanswered requests of a healthy sweep",
            "The slot counts as failed when more echo requests than this went unanswered. "
            "0: no such limit."),
    Number("PingDelay", &S::PingDelay, 5, 0, 3600, "seconds",
           "Wait before the sweep",
           "Seconds to wait between reading the staging server's name and the sweep."),
    Number("NumberOfPingSweeps", &S::NumberOfPingSweeps, 7, 1, 1000, "requests",
           "Echo requests per sweep",
           "Echo requests per sweep, one after the other, each awaited up to 2 seconds and "
           "followed by a pause of 1 second."),
    Texts("Service", &S::Service, "Service the slot starts or stops",
          "The key name (not the display name) of the service the slot starts when the "
          "staging server answers well enough and stops when it does not; on Linux a "
          "systemd unit. Empty: no service."),
    Texts("Command", &S::Command, "Program the slot runs",
          "The program file the slot runs at every pass, used as given: a full path, no "
          "search path. It must be a program only administrators may change. Empty: no "
          "command."),
    Texts("Argument", &S::Argument, "Command line of the slot's program",
          "The whole command line the slot's program receives, by convention beginning "
          "with the program's name; \" start\" or \" stop\" is appended."),
    {"MetricsFile", false, kText, true, kEachPass, 0, "", 0, 0, "",
     "File of the metrics",
     "A file ending in .prom that every pass replaces with its figures, for the textfile "
     "collector of a Prometheus exporter. Missing or empty: none.",
     nullptr, nullptr, &S::MetricsFile, nullptr},
    Number("PassSplay", &S::PassSplay, 0, 0, 3600, "seconds",
           "Random wait before a pass",
           "A pass started by the program's start, the hourly schedule or an address change "
           "first waits a random time of 0 to this many seconds, drawn anew for each pass, so "
           "that a site's machines do not sweep in the same seconds. 0: no wait.",
           true),
    Numbers("StopAfter", &S::StopAfter, 1, 0, 100, "sweeps",
            "Failed sweeps in a row before the slot stops",
            "The slot changes from start to stop only after this many sweeps in a row failed "
            "its limits; until then it goes on acting \"start\". 0 counts as 1. Set "
            "RecheckDelay with it.",
            true),
    Numbers("StartAfter", &S::StartAfter, 1, 0, 100, "sweeps",
            "Healthy sweeps in a row before the slot starts again",
            "The slot changes from stop back to start only after this many sweeps in a row "
            "met its limits. 0 counts as 1.",
            true),
    Number("RecheckDelay", &S::RecheckDelay, 0, 0, 3600, "seconds",
           "Next pass while a slot is stopped or a change pending",
           "After a pass in which a slot with a service or a command acted \"stop\" or has a "
           "change pending, the next pass is due this many seconds later plus a random time "
           "of up to half of it (at most 3600 in all, and never later than PassInterval; "
           "PassSplay does not apply), instead of an hour. 0: the hourly schedule.",
           true),
    Number("PassInterval", &S::PassInterval, 0, 0, 86400, "seconds",
           "Time between timed passes",
           "A timed pass is due when the last pass ended more than this many seconds ago, "
           "held back by PassSplay as the hourly one. 0: 3600; below 60 counts as 60, above "
           "86400 as 86400. It sets how soon an outage that changes no address is seen, and "
           "the load at the staging server: NumberOfPingSweeps requests a machine every "
           "PassInterval seconds on average.",
           true),
    Number("Observe", &S::Observe, 0, 0, 1, "",
           "Only observe: start, stop and run nothing",
           "1 (any value but 0): every pass sweeps, judges and counts StopAfterN and "
           "StartAfterN as usual, but no service is started or stopped and no command is run; "
           "each slot with a service or a command logs one line of what it would have done, "
           "and the status line and the metrics file say so. Set back to 0, the next pass "
           "acts on the word the slot has counted to.",
           true),
    Number("EventOnChange", &S::EventOnChange, 0, 0, 1, "",
           "An event entry when a slot changes its word",
           "1 (any value but 0): one event entry (event ID 958; Linux: syslog) each time a "
           "slot with a service or a command changes the word it acts on, the first pass "
           "after the start included and a change that Observe only logs: the slot, the new "
           "word, the service and command, the sweep's TimeoutCount and AvgTime and the "
           "slot's limits.",
           true),
    Number("ProbePort", &S::ProbePort, 0, 0, 65535, "",
           "TCP port of the staging server to sweep instead of echo requests",
           "1 to 65535: the sweep connects NumberOfPingSweeps times to this TCP port of the "
           "staging server instead of sending echo requests, with the same time-out, pause "
           "and judgement; no data is sent, and no privilege is needed. Use it where the "
           "server or a firewall blocks or limits ICMP. 0: echo requests; above 65535: a "
           "line at most once an hour, and echo requests.",
           true),
};
const SettingRows kSettings = {kRows, sizeof kRows / sizeof kRows[0]};

std::string SettingName(const SettingRow& row, int slot) {
  return row.perSlot ? row.name + std::to_string(slot) : std::string(row.name);
}

int SettingValues(const SettingRow& row) { return row.perSlot ? kSlotCount : 1; }

const SettingRow* FindSetting(const std::string& name, int* slot) {
  for (const SettingRow& row : kSettings) {
    for (int n = 1; n <= SettingValues(row); ++n) {
      if (SettingName(row, n) != name) continue;
      *slot = n;
      return &row;
    }
  }
  return nullptr;
}

std::uint32_t* NumberField(const SettingRow& row, MonitorSettings& s, int slot) {
  if (row.number) return &(s.*row.number);
  if (row.numbers) return &(s.*row.numbers)[slot - 1];
  return nullptr;
}

std::string* TextField(const SettingRow& row, MonitorSettings& s, int slot) {
  if (row.text) return &(s.*row.text);
  if (row.texts) return &(s.*row.texts)[slot - 1];
  return nullptr;
}

}  // namespace kestro
