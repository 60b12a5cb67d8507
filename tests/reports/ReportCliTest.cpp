#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "reports/DeviceReport.h"
#include "reports/DiscReport.h"
#include "tests/endtoend/EndToEndSupport.h"
#include "tests/support/VirtualRecorderRegistry.h"

namespace brenmark {
namespace {

using endtoend::ProcessOutput;

// brenmark-cli on virtual recorders of its own, next to an in-process registry
// whose recorders hold the same blank discs.
class ReportCli : public testsupport::VirtualRecorderRegistry<> {
 protected:
  ProcessOutput Cli(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {BRENMARK_CLI_PATH, "--data-dir", cliFolder.path().string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return endtoend::RunProgram(argv);
  }

  std::string InProcessReport(int drive, const std::string& command) {
    registry->currentDrive = drive;
    prompt.messages.clear();
    if (command == "device-info") {
      EXPECT_TRUE(ShowDeviceReport(*registry, prompt));
    } else {
      EXPECT_TRUE(ShowDiscReport(*registry, prompt));
    }
    return prompt.messages.empty() ? std::string() : prompt.messages.back().text;
  }

  endtoend::ScratchFolder cliFolder{"reports-cli"};
};

TEST_F(ReportCli, PrintsTheReportTextsOfBothRecorders) {
  const std::string names[] = {"virtual-cd", "virtual-dvd"};
  for (int drive = 0; drive < 2; ++drive) {
    for (const std::string command : {"device-info", "disc-info"}) {
      SCOPED_TRACE(names[drive] + " " + command);
      const ProcessOutput output = Cli({"--drive", names[drive], command});
      EXPECT_EQ(output.exitStatus, 0) << output.err;
      EXPECT_EQ(output.out, InProcessReport(drive, command));
      EXPECT_EQ(output.err, "");
    }
  }
}

TEST_F(ReportCli, FailureMessagesArePrintedAsMessagesAndTheRunFails) {
  struct Case {
    const char* fault;
    const char* command;
    const char* message;
  };
  const Case cases[] = {
      {"MODESENSE10", "device-info", kCapabilitiesFailedText},
  };
  for (const Case& c : cases) {
    const ProcessOutput output = Cli({"--drive", "virtual-dvd", "--fault", c.fault, c.command});
    EXPECT_EQ(output.exitStatus, 1);
    EXPECT_EQ(output.out, "");
    EXPECT_EQ(output.err, std::string(c.message) + "\n");
  }
  // A tray left empty by an earlier run.
  ASSERT_EQ(Cli({"--drive", "virtual-dvd", "tray", "empty"}).exitStatus, 0);
  const ProcessOutput noDisc = Cli({"--drive", "virtual-dvd", "disc-info"});
  EXPECT_EQ(noDisc.exitStatus, 1);
  EXPECT_EQ(noDisc.out, "");
  EXPECT_EQ(noDisc.err, std::string(kNoMediaText) + "\n");
  EXPECT_EQ(Cli({"disc-info", "extra"}).exitStatus, 2);
}

}  // namespace
}  // namespace brenmark
