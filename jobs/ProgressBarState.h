#pragma once

#include <algorithm>
#include <cstdint>

namespace brenmark {

// The arithmetic of a progress bar for front ends that draw their own: a range
// from 0, a position kept inside it, and a step for StepIt.
class ProgressBarState {
 public:
  void SetRange(std::int32_t maximum) {
    maximum_ = std::max<std::int32_t>(maximum, 0);
    position_ = std::clamp(position_, 0, maximum_);
  }
  void SetPos(std::int32_t position) { position_ = std::clamp(position, 0, maximum_); }
  void SetStep(std::int32_t step) { step_ = step; }
  void StepIt() {
    const std::int64_t next = static_cast<std::int64_t>(position_) + step_;
    position_ = static_cast<std::int32_t>(std::clamp<std::int64_t>(next, 0, maximum_));
  }

  std::int32_t position() const { return position_; }
  std::int32_t maximum() const { return maximum_; }
  // Whole percent done; 0 for an empty range.
  int Percent() const {
    return maximum_ == 0 ? 0 : static_cast<int>(static_cast<std::int64_t>(position_) * 100 / maximum_);
  }

 private:
  std::int32_t maximum_ = 100;
  std::int32_t position_ = 0;
  std::int32_t step_ = 10;
};

}  // namespace brenmark
