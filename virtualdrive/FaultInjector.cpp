#include "virtualdrive/FaultInjector.h"

#include "virtualdrive/VirtualRecorder.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace brenmark::virtualdrive {

namespace {

constexpr std::uint8_t kWrite10 = 0x2A;
constexpr std::uint8_t kWrite12 = 0xAA;

std::string Upper(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return result;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value, int base = 10) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  return ec == std::errc() && ptr == end;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t begin = 0;
  while (true) {
    const std::size_t at = text.find(separator, begin);
    parts.push_back(text.substr(begin, at == std::string_view::npos ? std::string_view::npos : at - begin));
    if (at == std::string_view::npos) break;
    begin = at + 1;
  }
  return parts;
}

std::optional<Sense> ParseSense(std::string_view text) {
  const auto parts = Split(text, '/');
  if (parts.size() != 3) return std::nullopt;
  unsigned key = 0;
  unsigned asc = 0;
  unsigned ascq = 0;
  if (!ParseNumber(parts[0], key, 16) || !ParseNumber(parts[1], asc, 16) || !ParseNumber(parts[2], ascq, 16) ||
      key > 0x0F || asc > 0xFF || ascq > 0xFF) {
    return std::nullopt;
  }
  return Sense{static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(asc), static_cast<std::uint8_t>(ascq)};
}

FaultParseResult Fail(std::string_view text, const std::string& why) {
  return {std::nullopt, "fault \"" + std::string(text) + "\": " + why};
}

}  // namespace

FaultParseResult ParseFaultSpec(std::string_view text) {
  const auto fields = Split(text, ':');
  FaultSpec spec;
  if (Upper(fields[0]) == "BUFFERFULL") {
    if (fields.size() != 2) return Fail(text, "bufferfull takes one count");
    spec.kind = FaultSpec::Kind::BufferFull;
    std::uint32_t count = 0;
    if (Upper(fields[1]) == "ALWAYS") {
      spec.count.reset();
    } else if (ParseNumber(fields[1], count) && count > 0) {
      spec.count = count;
    } else {
      return Fail(text, "the count must be a positive number or \"always\"");
    }
    return {spec, {}};
  }
  const std::size_t equals = fields[0].find('=');
  if (Upper(fields[0].substr(0, equals)) == "READOFFSET") {
    if (fields.size() != 1 || equals == std::string_view::npos) return Fail(text, "readoffset takes one value: readoffset=N");
    std::string_view value = fields[0].substr(equals + 1);
    const bool plus = value.starts_with('+');
    if (plus) value.remove_prefix(1);
    if ((plus && value.starts_with('-')) || !ParseNumber(value, spec.readOffset) || spec.readOffset < -kMostReadOffsetSamples ||
        spec.readOffset > kMostReadOffsetSamples) {
      return Fail(text, "the read offset must be a number of samples, such as 6 or -30");
    }
    spec.kind = FaultSpec::Kind::ReadOffset;
    spec.count.reset();
    return {spec, {}};
  }
  const auto opcode = VirtualRecorder::OpcodeNamed(fields[0]);
  if (!opcode) return Fail(text, "unknown command \"" + std::string(fields[0]) + "\"");
  spec.opcode = *opcode;
  spec.sense = VirtualRecorder::DefaultFaultSense(*opcode);
  bool countGiven = false;
  for (std::size_t index = 1; index < fields.size(); ++index) {
    const std::string_view field = fields[index];
    const std::string upper = Upper(field);
    const std::size_t equals = field.find('=');
    const std::string name = Upper(field.substr(0, equals));
    const std::string_view value = equals == std::string_view::npos ? std::string_view{} : field.substr(equals + 1);
    const bool countField = upper == "ONCE" || upper == "ALWAYS" || name == "COUNT";
    if (countField && countGiven) return Fail(text, "once, always and count= exclude each other");
    if (upper == "ONCE") {
      spec.count = 1;
      countGiven = true;
    } else if (upper == "ALWAYS") {
      spec.count.reset();
      countGiven = true;
    } else if (upper == "CORRUPT") {
      if (*opcode != kWrite10 && *opcode != kWrite12) return Fail(text, "only WRITE10 and WRITE12 can corrupt");
      spec.corrupt = true;
    } else if (upper == "TRANSPORT") {
      spec.transportFailure = true;
    } else if (name == "COUNT") {
      std::uint32_t count = 0;
      if (!ParseNumber(value, count) || count == 0) return Fail(text, "count must be a positive number");
      spec.count = count;
      countGiven = true;
    } else if (name == "HOST") {
      unsigned status = 0;
      if (!ParseNumber(value, status, 16) || status == 0 || status > 0xFF)
        return Fail(text, "host must be a host adapter status in hex, 01 to FF");
      spec.hostStatus = static_cast<std::uint8_t>(status);
      spec.transportFailure = true;
    } else if (name == "AFTER") {
      if (!ParseNumber(value, spec.passFirst)) return Fail(text, "after must be a number of commands");
    } else if (name == "FROM") {
      std::int32_t lba = 0;
      if (!ParseNumber(value, lba) || lba < 0) return Fail(text, "from must be a block address (0 or more)");
      spec.fromLba = lba;
    } else if (name == "SENSE") {
      const auto sense = ParseSense(value);
      if (!sense) return Fail(text, "sense must be KEY/ASC/ASCQ in hex");
      spec.sense = *sense;
    } else {
      return Fail(text, "unknown option \"" + std::string(field) + "\"");
    }
  }
  if (spec.corrupt && spec.transportFailure) return Fail(text, "a corrupting write answers GOOD, not a transport failure");
  if (spec.fromLba && !countGiven && !spec.corrupt) spec.count.reset();
  return {spec, {}};
}

void FaultInjector::Arm(const FaultSpec& spec) { faults_.push_back({spec, spec.count, 0}); }

std::optional<FaultSpec> FaultInjector::Take(std::uint8_t opcode, std::int32_t lba, std::int32_t blocks) {
  for (Armed& armed : faults_) {
    const FaultSpec& spec = armed.spec;
    if (spec.kind != FaultSpec::Kind::FailCommand || spec.opcode != opcode) continue;
    if (spec.fromLba && (blocks <= 0 || static_cast<std::int64_t>(lba) + blocks <= *spec.fromLba)) continue;
    if (armed.passed < spec.passFirst) {
      ++armed.passed;
      continue;
    }
    if (!Use(armed)) continue;
    return spec;
  }
  return std::nullopt;
}

bool FaultInjector::TakeBufferFull() {
  for (Armed& armed : faults_) {
    if (armed.spec.kind == FaultSpec::Kind::BufferFull && Use(armed)) return true;
  }
  return false;
}

std::int32_t FaultInjector::TakeReadOffset() {
  std::int32_t offset = 0;
  for (Armed& armed : faults_) {
    if (armed.spec.kind != FaultSpec::Kind::ReadOffset) continue;
    ++armed.met;
    offset = armed.spec.readOffset;
  }
  return offset;
}

bool FaultInjector::Use(Armed& armed) {
  if (armed.left && *armed.left == 0) return false;
  if (armed.left) --*armed.left;
  ++armed.met;
  return true;
}

std::vector<std::size_t> FaultInjector::NeverMet() const {
  std::vector<std::size_t> unmet;
  for (std::size_t index = 0; index < faults_.size(); ++index) {
    if (faults_[index].met == 0) unmet.push_back(index);
  }
  return unmet;
}

}  // namespace brenmark::virtualdrive
