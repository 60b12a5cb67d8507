#include "drive/CommandTraceFile.h"

#include <cstdio>
#include <ctime>
#include <utility>

#include "drive/CommandNames.h"
#include "platform/LocalTime.h"

namespace brenmark {
namespace {

std::string TimeText(std::chrono::system_clock::time_point time) {
  const auto sinceEpoch = std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch());
  const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
  const std::tm local = platform::LocalTime(static_cast<std::time_t>(seconds.count()));
  char text[40];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(text + length, sizeof text - length, ".%06lld",
                static_cast<long long>((sinceEpoch - seconds).count()));
  return text;
}

std::string CdbText(const TracedCommand& command) {
  std::string text;
  for (std::size_t at = 0; at < command.cdbLength; ++at) {
    char byte[4];
    std::snprintf(byte, sizeof byte, at == 0 ? "%02X" : " %02X", unsigned{command.cdb[at]});
    text += byte;
  }
  return text;
}

const char* DirectionText(DataDirection direction) {
  switch (direction) {
    case DataDirection::In: return "in";
    case DataDirection::Out: return "out";
    case DataDirection::None: break;
  }
  return "none";
}

std::string DurationText(std::chrono::microseconds duration) {
  const long long micros = duration.count();
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%03lld ms", micros / 1000, micros % 1000);
  return text;
}

}  // namespace

std::string TraceLine(const TracedCommand& command) {
  const std::string outcome = command.outcome.good() ? "GOOD" : command.outcome.Text();
  return TimeText(command.sentAt) + " | " + command.drive + " | " + CommandName(command.opcode()) + " | " +
         CdbText(command) + " | " + DirectionText(command.direction) + " " + std::to_string(command.length) + " | " +
         outcome + " | " + DurationText(command.duration);
}

std::shared_ptr<CommandTraceFile> CommandTraceFile::Open(const std::filesystem::path& path, std::string& error) {
  platform::File file;
  if (!file.OpenForAppending(path)) {
    error = file.lastError();
    return nullptr;
  }
  return std::shared_ptr<CommandTraceFile>(new CommandTraceFile(std::move(file)));
}

void CommandTraceFile::Record(const TracedCommand& command) {
  const std::string line = TraceLine(command) + "\n";
  std::lock_guard lock(mutex_);
  file_.Append(line.data(), line.size());
}

}  // namespace brenmark
