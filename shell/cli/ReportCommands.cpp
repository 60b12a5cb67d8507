// `brenmark-cli device-info` and `disc-info`: the desktop's reports, their
// text on the standard output.
#include <cstdio>
#include <optional>
#include <string>

#include "platform/Terminal.h"
#include "reports/DeviceReport.h"
#include "reports/DiscReport.h"
#include "shell/cli/CliCommand.h"
#include "shell/cli/CliSession.h"

namespace brenmark::cli {
namespace {

// Holds back the report's one message box, so that the report text can go to
// the standard output and a failure message to the terminal front end.
class HeldMessage final : public UserPrompt {
 public:
  void ShowMessage(const std::string& text, MessageIcon icon) override {
    message_ = text;
    icon_ = icon;
  }
  bool AskYesNo(const std::string&) override { return false; }

  void PrintReport(std::FILE* out) const {
    platform::WriteText(out, message_);
    std::fflush(out);
  }
  void ForwardTo(UserPrompt& prompt) const {
    if (!message_.empty()) prompt.ShowMessage(message_, icon_);
  }

 private:
  std::string message_;
  MessageIcon icon_ = MessageIcon::Plain;
};

using Report = bool (*)(DriveRegistry&, UserPrompt&);

int RunReport(CliSession& session, const std::vector<std::string>& arguments, Report report,
              const char* name) {
  if (!arguments.empty()) {
    session.Complain(std::string(name) + " takes no arguments");
    return kExitUsage;
  }
  const auto drive = session.SelectDrive();
  if (!drive) return kExitFailed;
  // A report keeps its drive while it queries it; with no drive there is
  // nothing to hold, and the report says so itself.
  std::optional<DriveLeases::Lease> lease;
  if (*drive >= 0) {
    lease = session.leases().TryAcquire(*drive);
    if (!lease) {
      session.prompt().ShowMessage(session.leases().RefusalMessage(*drive), MessageIcon::Warning);
      return kExitFailed;
    }
  }
  HeldMessage message;
  if (!report(session.registry(), message)) {
    message.ForwardTo(session.prompt());
    return kExitFailed;
  }
  message.PrintReport(session.out());
  return kExitDone;
}

}  // namespace

int RunDeviceInfo(CliSession& session, const std::vector<std::string>& arguments) {
  return RunReport(session, arguments, ShowDeviceReport, "device-info");
}

int RunDiscInfo(CliSession& session, const std::vector<std::string>& arguments) {
  return RunReport(session, arguments, ShowDiscReport, "disc-info");
}

}  // namespace brenmark::cli
