#pragma once

#include <string>

namespace brenmark::desktop {

// Tells the user how a job ended once the main window is gone (the user left
// while it ran): a desktop notification, or a message of its own. Called on
// the user-interface thread; returns once the notice has been handed on.
class JobEndNotifier {
 public:
  virtual ~JobEndNotifier() = default;
  // `summary`: the program and the job; `body`: how it ended and where its disc is kept.
  virtual void TellJobEnded(const std::string& summary, const std::string& body) = 0;
};

}  // namespace brenmark::desktop
