#include "settings/monitor_settings.h"

#include "log/write_log.h"
#include "platform/platform.h"
#include "platform/settings_key.h"

namespace kestro {
namespace {

void ReportUnreadable(const char* name) {
  WriteLog(std::string("Could not read ") + kSettingsKeyPath + "\\" + name);
}

void ReadNumber(RegKey key, const char* name, std::uint32_t& field) {
  std::uint32_t value = 0;
  if (Os().registry->QueryDword(key, name, &value)) {
    field = value;
  } else {
    ReportUnreadable(name);
  }
}

void ReadText(RegKey key, const char* name, std::string& field) {
  std::string value;
  if (Os().registry->QueryText(key, name, kRegistryTextSize, &value)) {
    field = value;
  } else {
    ReportUnreadable(name);
  }
}

// Missing means empty and is no fault; a value that is there but cannot be
// read is reported as any other.
void ReadOptionalText(RegKey key, const char* name, std::string& field) {
  Registry& registry = *Os().registry;
  std::string value;
  if (registry.QueryText(key, name, kRegistryTextSize, &value)) {
    field = value;
  } else if (!registry.HasValue(key, name)) {
    field.clear();
  } else {
    ReportUnreadable(name);
  }
}

// The same for a number: missing means `fallback`.
void ReadOptionalNumber(RegKey key, const char* name, std::uint32_t fallback, std::uint32_t& field) {
  std::uint32_t value = 0;
  if (Os().registry->QueryDword(key, name, &value)) {
    field = value;
  } else if (!Os().registry->HasValue(key, name)) {
    field = fallback;
  } else {
    ReportUnreadable(name);
  }
}

}  // namespace

ActionSlot MonitorSettings::Slot(int number) const {
  const int i = number - 1;
  ActionSlot slot;
  slot.Service = Service[i];
  slot.PingResponse = PingResponse[i];
  slot.PingTimeOut = PingTimeOut[i];
  slot.Command = Command[i];
  slot.Argument = Argument[i];
  slot.StopAfter = StopAfter[i];
  slot.StartAfter = StartAfter[i];
  return slot;
}

void LoadSettings(MonitorSettings& s) {
  Registry& registry = *Os().registry;
  RegKey key = 0;
  if (!registry.OpenKey(kSettingsKeyPath, &key)) {
    // A missing key is silent; a settings store that was refused is not.
    const std::string problem = registry.OpenKeyProblem();
    if (!problem.empty()) WriteLog(problem);
    return;
  }

  // The query order is also the order of the "Could not read " lines.
  ReadNumber(key, "PingPacketSize", s.PingPacketSize);
  ReadNumber(key, "PingResponse1", s.PingResponse[0]);
  ReadNumber(key, "PingResponse2", s.PingResponse[1]);
  ReadNumber(key, "PingResponse3", s.PingResponse[2]);
  ReadNumber(key, "PingTimeOut1", s.PingTimeOut[0]);
  ReadNumber(key, "PingTimeOut2", s.PingTimeOut[1]);
  ReadNumber(key, "PingTimeOut3", s.PingTimeOut[2]);
  ReadNumber(key, "PingDelay", s.PingDelay);
  ReadNumber(key, "NumberOfPingSweeps", s.NumberOfPingSweeps);
  ReadText(key, "Service1", s.Service[0]);
  ReadText(key, "Service2", s.Service[1]);
  ReadText(key, "Service3", s.Service[2]);
  ReadText(key, "Command1", s.Command[0]);
  ReadText(key, "Command2", s.Command[1]);
  ReadText(key, "Command3", s.Command[2]);
  ReadText(key, "Argument1", s.Argument[0]);
  ReadText(key, "Argument2", s.Argument[1]);
  ReadText(key, "Argument3", s.Argument[2]);
  ReadOptionalText(key, "MetricsFile", s.MetricsFile);
  ReadOptionalNumber(key, "PassSplay", 0, s.PassSplay);
  ReadOptionalNumber(key, "StopAfter1", 1, s.StopAfter[0]);
  ReadOptionalNumber(key, "StopAfter2", 1, s.StopAfter[1]);
  ReadOptionalNumber(key, "StopAfter3", 1, s.StopAfter[2]);
  ReadOptionalNumber(key, "StartAfter1", 1, s.StartAfter[0]);
  ReadOptionalNumber(key, "StartAfter2", 1, s.StartAfter[1]);
  ReadOptionalNumber(key, "StartAfter3", 1, s.StartAfter[2]);
  ReadOptionalNumber(key, "RecheckDelay", 0, s.RecheckDelay);
  ReadOptionalNumber(key, "ProbePort", 0, s.ProbePort);

  registry.CloseKey(key);
}

}  // namespace kestro
