#pragma once

#include <string>

#include "shell/desktop/JobEndNotifier.h"

namespace brenmark::gui {

// Tells a job's end as a desktop notification (org.freedesktop.Notifications
// on the session bus), once the main window is gone. Where no notification
// service answers, the notice goes to standard error instead.
class DesktopNotifier final : public desktop::JobEndNotifier {
 public:
  void TellJobEnded(const std::string& summary, const std::string& body) override;
};

}  // namespace brenmark::gui
