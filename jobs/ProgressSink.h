#pragma once

#include <cstdint>
#include <string>

namespace brenmark {

// The only ways a job touches its progress window. No call waits for the user
// or a busy window: GetPos answers with what the job last set, and the front
// end shows the state as soon as it can.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void SetStatus(const std::string& text) = 0;
  virtual void SetRange(std::int32_t maximum) = 0;
  virtual void SetRange16(std::uint16_t maximum) = 0;
  virtual void SetPos(std::int32_t position) = 0;
  virtual std::int32_t GetPos() = 0;
  virtual void SetStep(std::int32_t step) = 0;
  virtual void StepIt() = 0;
  virtual void EnableClose(bool enabled) = 0;
  // A notice of the job's own that needs no answer, added to the window's
  // text so that the job goes on at once. False when the window has no place
  // for notices: the caller shows it as a message then.
  virtual bool ShowNotice(const std::string& text) {
    (void)text;
    return false;
  }
};

}  // namespace brenmark
