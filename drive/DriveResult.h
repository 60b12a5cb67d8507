#pragma once

#include <optional>
#include <utility>

#include "drive/CommandOutcome.h"

namespace brenmark {

// What a drive operation gives back: its value, or the answer that kept it
// from one (the drive's sense, or why the transport failed). Every operation
// of a drive handle answers with one of these, so a caller that needs to say
// why a step failed has the answer at hand without asking again.
template <typename T>
class [[nodiscard]] DriveResult {
 public:
  DriveResult(T value) : value_(std::move(value)) {}  // NOLINT: implicit on purpose
  // A failure; an outcome that reads as good is taken as a transport failure,
  // since a good answer without a value means the request was never made.
  DriveResult(CommandOutcome failure) : failure_(std::move(failure)) {  // NOLINT: implicit on purpose
    if (failure_.good()) failure_ = CommandOutcome(TransportResult::TransportFailure);
  }

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  const T& operator*() const { return *value_; }
  T& operator*() { return *value_; }
  const T* operator->() const { return &*value_; }
  T* operator->() { return &*value_; }
  T value_or(T otherwise) const { return value_ ? *value_ : std::move(otherwise); }
  // Good when the operation succeeded, else what the drive or transport answered.
  const CommandOutcome& outcome() const { return failure_; }

 private:
  std::optional<T> value_;
  CommandOutcome failure_;
};

// The value of an operation that only succeeds or fails.
struct Done {};
using DriveStatus = DriveResult<Done>;

}  // namespace brenmark
