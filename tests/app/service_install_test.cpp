// Installing and removing the service: each step failing in turn, with its
// message and exit code, and every handle closed.
#include <gtest/gtest.h>

#include "app/service_install.h"
#include "fakes/fake_system.h"

namespace kestro {
namespace {

using testing::FakeService;
using testing::FakeSystem;
using testing::ProcessExit;

class ServiceInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.Install();
    sys.module.path = "C:\\Kestro\\Kestro.exe";
    sys.lastError.code = 5;
    sys.lastError.messages[5] = "Access is denied.\r\n";
  }
  void TearDown() override {
    EXPECT_EQ(0, sys.services.open);
    EXPECT_EQ(0, sys.services.librariesLoaded);
  }
  int Code(int (*operation)()) {
    try {
      return operation();
    } catch (const ProcessExit& e) {
      return 100 + e.code;  // ended the process
    }
  }
  FakeSystem sys;
};

TEST_F(ServiceInstallTest, InstallsTheServiceAndTheEventSource) {
  EXPECT_EQ(0, Code(InstallService));
  EXPECT_EQ("Kestro and IP Helper installed.\n", sys.console.out);
  const auto& created = sys.services.created.at("Kestro");
  EXPECT_EQ("Kestro and IP Helper", created.displayName);
  EXPECT_EQ("C:\\Kestro\\Kestro.exe -service", created.commandLine);
  EXPECT_EQ("IP helper for checking networked status. Start/stop services or run commands.",
            created.description);
  EXPECT_EQ("60000ms,86400s", created.recovery);
  const RegValues* source = sys.registry.Key(kEventSourceKey);
  ASSERT_NE(nullptr, source);
  EXPECT_EQ(RegValue::Type::ExpandText, source->at("EventMessageFile").type);
  EXPECT_EQ("C:\\Kestro\\Kestro.exe", source->at("EventMessageFile").text);
  EXPECT_EQ(7u, source->at("TypesSupported").number);
  EXPECT_EQ(RegValue::Type::ExpandText, source->at("CategoryMessageFile").type);
  EXPECT_EQ("C:\\Kestro\\Kestro.exe", source->at("CategoryMessageFile").text);
  EXPECT_EQ(1u, source->at("CategoryCount").number);
}

TEST_F(ServiceInstallTest, OnA64BitWindowsTheKeysMadeAreClosedAsOpenedOnes) {
  sys.registry.views = true;
  EXPECT_EQ(0, Code(InstallService));
  EXPECT_EQ(1u, sys.registry.Key(kEventSourceKey)->at("CategoryCount").number);
  EXPECT_EQ(0, sys.registry.OpenCount());
}

TEST_F(ServiceInstallTest, PathWithBlanksIsQuoted) {
  EXPECT_EQ("\"C:\\Program Files\\Kestro\\Kestro.exe\" -service",
            ServiceCommandLine("C:\\Program Files\\Kestro\\Kestro.exe"));
  EXPECT_EQ("C:\\Kestro\\Kestro.exe -service", ServiceCommandLine("C:\\Kestro\\Kestro.exe"));
  sys.module.path = "C:\\Program Files\\Kestro\\Kestro.exe";
  EXPECT_EQ(0, Code(InstallService));
  EXPECT_EQ("\"C:\\Program Files\\Kestro\\Kestro.exe\" -service",
            sys.services.created.at("Kestro").commandLine);
  // The message file is a path, not a command line: it stays unquoted.
  EXPECT_EQ("C:\\Program Files\\Kestro\\Kestro.exe",
            sys.registry.Key(kEventSourceKey)->at("EventMessageFile").text);
}

TEST_F(ServiceInstallTest, EachFailingStep) {
  struct Row {
    const char* call;
    int nth;
    int code;
    std::string out;
  };
  for (const Row& r : std::vector<Row>{
           {"GetModuleFileNameA", 1, 1, "Unable to install Kestro and IP Helper - Access is denied. (0x5)\n"},
           {"RegCreateKeyExA", 1, 101, "RegCreateKeyEx failed: 5\n"},
           {"RegSetValueExA", 1, 101, "RegSetValueEx failed: 5\n"},
           {"RegSetValueExA", 2, 101, "RegSetValueEx failed: 5\n"},
           {"RegSetValueExA", 4, 101, "RegSetValueEx failed: 5\n"},
           {"OpenSCManagerA", 1, 4, "OpenSCManager failed - Access is denied. (0x5)\n"},
           {"CreateServiceA", 1, 2, "CreateService failed - Access is denied. (0x5)\n"},
           {"ChangeServiceConfig2A", 1, 8,
            "ChangeServiceConfig2 failed - Access is denied. (0x5)\nKestro and IP Helper installed.\n"},
       }) {
    FakeSystem fresh;
    fresh.Install();
    fresh.lastError.code = 5;
    fresh.lastError.messages[5] = "Access is denied.\r\n";
    fresh.plan.Fail(r.call, r.nth, false, 5);
    int code;
    try {
      code = InstallService();
    } catch (const ProcessExit& e) {
      code = 100 + e.code;
    }
    EXPECT_EQ(r.code, code) << r.call << " " << r.nth;
    EXPECT_EQ(r.out, fresh.console.out) << r.call;
    if (r.code != 101) {
      EXPECT_EQ(0, fresh.services.open) << r.call;
    }
    EXPECT_EQ(0, fresh.services.librariesLoaded) << r.call;
  }
  sys.Install();
}

TEST_F(ServiceInstallTest, InstallingTwiceIsExitCodeTwo) {
  EXPECT_EQ(0, Code(InstallService));
  sys.console.out.clear();
  EXPECT_EQ(2, Code(InstallService));
  EXPECT_EQ(0u, sys.console.out.find("CreateService failed - "));
}

TEST_F(ServiceInstallTest, WithoutChangeServiceConfig2TheDisplayNameIsTheDescription) {
  sys.services.hasChangeConfig2 = false;
  EXPECT_EQ(0, Code(InstallService));
  EXPECT_EQ("Kestro and IP Helper",
            sys.registry.Key("SYSTEM\\CurrentControlSet\\Services\\Kestro")->at("Description").text);
  EXPECT_EQ(1, sys.plan.Count("FreeLibrary"));
  sys.plan.Fail("LoadLibraryA", 2);
  sys.services.services.clear();
  EXPECT_EQ(0, Code(InstallService));
  EXPECT_EQ(1, sys.plan.Count("FreeLibrary"));
}

TEST_F(ServiceInstallTest, RemoveStopsARunningServiceAndWaits) {
  FakeService running;
  running.displayName = "Kestro and IP Helper";
  running.states = {kServiceRunning};
  running.afterStop = {kServiceStopPending, kServiceStopPending, kServiceStopped};
  sys.services.services["Kestro"] = running;
  EXPECT_EQ(0, Code(RemoveService));
  EXPECT_EQ("Stopping Kestro and IP Helper...\nKestro and IP Helper stopped.\nKestro and IP Helper removed.\n",
            sys.console.out);
  EXPECT_EQ(0u, sys.services.services.count("Kestro"));
}

TEST_F(ServiceInstallTest, RemoveAStoppedService) {
  FakeService stopped;
  sys.services.services["Kestro"] = stopped;
  EXPECT_EQ(0, Code(RemoveService));
  EXPECT_EQ("Kestro and IP Helper removed.\n", sys.console.out);
}

TEST_F(ServiceInstallTest, RemoveFailures) {
  EXPECT_EQ(2, Code(RemoveService));
  EXPECT_EQ("OpenService failed - Access is denied. (0x5)\n", sys.console.out);
  sys.services.services["Kestro"] = FakeService();
  sys.console.out.clear();
  sys.plan.Fail("DeleteService");
  EXPECT_EQ(1, Code(RemoveService));
  EXPECT_EQ("DeleteService failed - Access is denied. (0x5)\n", sys.console.out);
  sys.console.out.clear();
  sys.plan.Fail("OpenSCManagerA", 3);
  EXPECT_EQ(4, Code(RemoveService));
  EXPECT_EQ("OpenSCManager failed - Access is denied. (0x5)\n", sys.console.out);
}

TEST_F(ServiceInstallTest, RemoveLeavesAServiceInstalledOtherwiseAsItIs) {
  FakeService packaged;
  packaged.states = {kServiceRunning};
  packaged.definedElsewhere = "/usr/lib/systemd/system/kestro.service";
  sys.services.services["Kestro"] = packaged;
  EXPECT_EQ(kRemoveNotOurs, Code(RemoveService));
  EXPECT_EQ("Kestro and IP Helper was not installed by -installservice "
            "(/usr/lib/systemd/system/kestro.service): nothing was removed.\n",
            sys.console.out);
  EXPECT_EQ(0, sys.plan.Count("ControlService") + sys.plan.Count("DeleteService"));
  EXPECT_EQ(1u, sys.services.services.count("Kestro"));
}

}  // namespace
}  // namespace kestro
