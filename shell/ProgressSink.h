#pragma once

#include <cstdint>
#include <string>

namespace brenmark {

// The only ways a job touches its progress window. Each call returns once the
// front end has applied it.
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
};

}  // namespace brenmark
