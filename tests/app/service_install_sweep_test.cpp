// Installation and removal with every platform call failing in turn.
#include "app/service_install.h"
#include "fakes/fault_sweep.h"

namespace kestro {
namespace {

using namespace testing;

const std::string kName = "Kestro and IP Helper";

// The operation's result, or the exit code of the process it ended, and
// where the description went.
Expected Facts(FakeSystem& sys, int (*operation)()) {
  std::string result;
  try {
    result = "result:" + std::to_string(operation());
  } catch (const ProcessExit& e) {
    result = "exit:" + std::to_string(e.code);
  }
  std::string description = "description:none";
  const RegValues* key = sys.registry.Key("SYSTEM\\CurrentControlSet\\Services\\Kestro");
  if (key != nullptr && key->count("Description")) description = "description:" + key->at("Description").text;
  auto created = sys.services.created.find("Kestro");
  if (created != sys.services.created.end() && !created->second.description.empty())
    description = "description:" + created->second.description;
  const bool recovery = created != sys.services.created.end() && !created->second.recovery.empty();
  return {result, description, "recovery:" + (recovery ? created->second.recovery : "none")};
}

TEST(ServiceInstallSweep, EveryFailedCallEndsAsDesigned) {
  Oracle o;
  const std::string description =
      "description:IP helper for checking networked status. Start/stop services or run commands.";
  // Restarted a minute after a crash, the count of crashes kept for a day.
  o.otherwise = {"result:0", "out:" + kName + " installed.\n", description, "recovery:60000ms,86400s"};
  const Expected none = {"description:none", "!out:installed", "recovery:none"};
  o.byCall["GetModuleFileNameA"] = none + Expected{"result:1",
      "out:Unable to install " + kName + " - The data area passed to a system call is too small. (0x7a)\n"};
  o.byCall["RegCreateKeyExA"] = none + Expected{"exit:1", "out:RegCreateKeyEx failed: 5\n"};
  o.byCall["RegSetValueExA"] = none + Expected{"exit:1", "out:RegSetValueEx failed: 5\n"};
  o.byCall["OpenSCManagerA"] = none + Expected{"result:4", "out:OpenSCManager failed - Access is denied. (0x5)\n"};
  o.byCall["CreateServiceA"] = none + Expected{
      "result:2", "out:CreateService failed - The specified service already exists. (0x431)\n"};
  // Without the description call the display name is written as the description.
  const Expected fallback = {"result:0", "out:" + kName + " installed.\n", "description:" + kName,
                             "recovery:none"};
  o.byCall["LoadLibraryA"] = fallback;
  o.byCall["GetProcAddress"] = fallback;
  o.byCall["ChangeServiceConfig2A#1"] = {
      "result:8", "description:none", "recovery:60000ms,86400s",
      "out:ChangeServiceConfig2 failed - Access is denied. (0x5)\n" + kName + " installed.\n"};
  // Recovery actions refused: one line, still installed with code 0.
  o.byCall["ChangeServiceConfig2A#2"] = {
      "result:0", description, "recovery:none",
      "out:Setting the recovery actions failed - Access is denied. (0x5)\n" + kName + " installed.\n"};
  SweepCalls(
      [](FakeSystem& sys) {
        return [&sys] { return Facts(sys, InstallService); };
      },
      o);
}

TEST(ServiceRemoveSweep, EveryFailedCallEndsAsDesigned) {
  const std::string stopping = "out:Stopping " + kName + ".";
  Oracle o;
  o.otherwise = {"result:0", stopping + "..\n" + kName + " stopped.\n" + kName + " removed.\n"};
  o.byCall["OpenSCManagerA"] = {"result:4", "out:OpenSCManager failed - Access is denied. (0x5)\n"};
  o.byCall["OpenServiceA"] = {"result:2",
      "out:OpenService failed - The specified service does not exist as an installed service. (0x424)\n"};
  o.byCall["ControlService"] = {"result:0", "!out:Stopping", "out:" + kName + " removed.\n"};
  o.byCall["DefinedElsewhere"] = {"result:4", "!out:Stopping",
      "out:Finding where the service is defined failed - Access is denied. (0x5): nothing was removed.\n"};
  // A failed query ends the wait with the state last seen, still stopping.
  for (int k = 1; k <= 3; ++k)
    o.byCall["QueryServiceStatus#" + std::to_string(k)] = {
        "result:0", stopping + std::string(k - 1, '.') + "\n" + kName + " failed to stop.\n" + kName +
                        " removed.\n"};
  o.byCall["DeleteService"] = {
      "result:1", stopping + "..\n" + kName + " stopped.\n",
      "out:DeleteService failed - The specified service has been marked for deletion. (0x430)\n"};
  SweepCalls(
      [](FakeSystem& sys) {
        FakeService s;
        s.displayName = kName;
        s.states = {kServiceRunning};
        s.afterStop = {kServiceStopPending, kServiceStopPending, kServiceStopped};
        sys.services.services["Kestro"] = s;
        return [&sys] { return Facts(sys, RemoveService); };
      },
      o);
}

}  // namespace
}  // namespace kestro
