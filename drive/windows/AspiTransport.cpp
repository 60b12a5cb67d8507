#include "drive/windows/AspiTransport.h"

#include <algorithm>
#include <utility>

#include "drive/windows/AspiRequest.h"

namespace brenmark::windows {
namespace {

static_assert(sizeof(void*) == 4, "the request blocks carry 32-bit addresses");

// How long an aborted request may take to come back before it is given up.
constexpr DWORD kAbortGraceMilliseconds = 2000;

std::uint32_t Address(const void* pointer) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

DWORD Milliseconds(std::uint32_t seconds) {
  return static_cast<DWORD>(std::min<std::uint64_t>(std::uint64_t{seconds} * 1000, INFINITE - 1));
}

}  // namespace

AspiTransport::AspiTransport(std::shared_ptr<AspiLibrary> library, std::uint8_t haId,
                             std::uint8_t targetId, std::uint8_t lun, CommandTimeoutPolicy timeout)
    : library_(std::move(library)), haId_(haId), targetId_(targetId), lun_(lun), timeout_(timeout) {}

AspiTransport::~AspiTransport() = default;

bool AspiTransport::Open() {
  open_ = true;
  return true;
}

void AspiTransport::Close() { open_ = false; }

CommandOutcome AspiTransport::Execute(const ScsiRequest& request) {
  if (!open_ || request.cdb == nullptr) return TransportResult::TransportFailure;
  if (!request_) request_ = std::make_unique<AspiLibrary::Request>();
  AspiLibrary::Request& pending = *request_;
  if (pending.event == nullptr) {
    CommandOutcome failed = CommandOutcome::NotDelivered(static_cast<int>(GetLastError()));
    failed.noCompletionEvent = true;
    // The next command tries to make its event again.
    request_.reset();
    return failed;
  }

  const std::uint32_t length = request.buffer != nullptr ? request.length : 0;
  pending.data.assign(request.buffer, request.buffer + length);
  ScsiRequest sent = request;
  sent.length = length;
  pending.block = BuildExecScsiCmd(haId_, targetId_, lun_, sent, Address(pending.data.data()),
                                   Address(pending.event));
  ResetEvent(pending.event);
  if (library_->Send(pending.block.data()) == kAspiStatusPending &&
      !AwaitCompletion(timeout_(request)))
    return TransportResult::TransportFailure;

  const CommandOutcome outcome = ExecScsiOutcome(pending.block);
  if (request.direction == DataDirection::In && length > 0)
    std::copy(pending.data.begin(), pending.data.end(), request.buffer);
  return outcome;
}

bool AspiTransport::AwaitCompletion(std::uint32_t timeoutSeconds) {
  AspiLibrary::Request& pending = *request_;
  if (WaitForSingleObject(pending.event, Milliseconds(timeoutSeconds)) == WAIT_OBJECT_0) return true;
  AbortBlock abort = BuildAbort(haId_, Address(pending.block.data()));
  library_->Send(abort.data());
  if (WaitForSingleObject(pending.event, kAbortGraceMilliseconds) != WAIT_OBJECT_0)
    library_->Abandon(std::move(request_));
  return false;
}

}  // namespace brenmark::windows
