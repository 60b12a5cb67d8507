#pragma once

#include <string>

#include "shell/desktop/JobEndNotifier.h"

namespace brenmark::win32 {

// Tells a job's end in a message box of its own, owned by no window (the main
// window is gone), brought to the foreground; returns once it is closed.
class JobEndMessage final : public desktop::JobEndNotifier {
 public:
  void TellJobEnded(const std::string& summary, const std::string& body) override;
};

}  // namespace brenmark::win32
