#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "drive/CommandTrace.h"
#include "platform/File.h"

namespace brenmark {

// The environment variable that names the file to trace every command to
// (brenmark-cli, the desktop programs and the exposed devices read it).
inline constexpr const char* kTraceVariable = "BRENMARK_TRACE";

// One traced command as a line of text, without the line break: local time,
// drive, command name, command block in hex, direction and transfer length,
// outcome, duration; the fields set apart by " | ", e.g.
// "2025-03-01 14:02:07.123456 | virtual-cd | WRITE(10) | 2A 00 00 00 00 13 00 00 01 00 | out 2048 | GOOD | 0.412 ms".
// The outcome is GOOD, else the outcome's text: the sense with its meaning
// ("3/0C/00 write error"), or the transport failure with the system's error
// number and the host and driver status.
std::string TraceLine(const TracedCommand& command);

// A trace kept in a text file, one line per command, added to its end. Each
// line is written with one call to the system, so several processes may
// trace to the same file at once without mixing their lines.
class CommandTraceFile final : public CommandTrace {
 public:
  // Opens `path` to add to (created when missing, never through a link);
  // null, with `error` saying why, when it cannot.
  static std::shared_ptr<CommandTraceFile> Open(const std::filesystem::path& path, std::string& error);

  // A line that cannot be written is lost; the command itself is not affected.
  void Record(const TracedCommand& command) override;

 private:
  explicit CommandTraceFile(platform::File file) : file_(std::move(file)) {}

  std::mutex mutex_;
  platform::File file_;
};

}  // namespace brenmark
