#include "virtualdrive/FaultInjector.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace brenmark::virtualdrive {

namespace {

struct NamedOpcode {
  std::string_view name;
  std::uint8_t opcode;
};

constexpr NamedOpcode kOpcodes[] = {
    {"STARTSTOPUNIT", 0x1B},     {"INQUIRY", 0x12},          {"GETCONFIGURATION", 0x46},
    {"READDISCINFORMATION", 0x51}, {"READTRACKINFORMATION", 0x52}, {"READTOC", 0x43},
    {"READTOCPMAATIP", 0x43},    {"READCAPACITY", 0x25},     {"MODESENSE10", 0x5A},
    {"MODESENSE", 0x5A},         {"MODESELECT10", 0x55},     {"MODESELECT", 0x55},
    {"SETCDSPEED", 0xBB},        {"RESERVETRACK", 0x53},     {"SYNCHRONIZECACHE", 0x35},
    {"CLOSETRACKSESSION", 0x5B}, {"CLOSETRACK", 0x5B},       {"CLOSESESSION", 0x5B},
    {"READCD", 0xBE},            {"WRITE10", 0x2A},          {"WRITE12", 0xAA},
    {"READBUFFERCAPACITY", 0x5C},
};

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

Sense DefaultSense(std::uint8_t opcode) {
  if (opcode == 0x2A || opcode == 0xAA) return sense::kWriteError;
  if (opcode == 0xBE) return sense::kUnrecoveredReadError;
  return Sense{0x04, 0x44, 0x00};
}

FaultParseResult Fail(std::string_view text, const std::string& why) {
  return {std::nullopt, "fault \"" + std::string(text) + "\": " + why};
}

}  // namespace

std::optional<std::uint8_t> OpcodeNamed(std::string_view name) {
  const std::string upper = Upper(name);
  for (const NamedOpcode& entry : kOpcodes) {
    if (entry.name == upper) return entry.opcode;
  }
  if (upper.size() > 2 && upper.compare(0, 2, "0X") == 0) {
    unsigned value = 0;
    if (ParseNumber(std::string_view(upper).substr(2), value, 16) && value <= 0xFF) {
      return static_cast<std::uint8_t>(value);
    }
  }
  return std::nullopt;
}

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
  const auto opcode = OpcodeNamed(fields[0]);
  if (!opcode) return Fail(text, "unknown command \"" + std::string(fields[0]) + "\"");
  spec.opcode = *opcode;
  spec.sense = DefaultSense(*opcode);
  bool countGiven = false;
  for (std::size_t index = 1; index < fields.size(); ++index) {
    const std::string_view field = fields[index];
    const std::string upper = Upper(field);
    const std::size_t equals = field.find('=');
    const std::string name = Upper(field.substr(0, equals));
    const std::string_view value = equals == std::string_view::npos ? std::string_view{} : field.substr(equals + 1);
    if (upper == "ONCE") {
      spec.count = 1;
      countGiven = true;
    } else if (upper == "ALWAYS") {
      spec.count.reset();
      countGiven = true;
    } else if (upper == "TRANSPORT") {
      spec.transportFailure = true;
    } else if (name == "COUNT") {
      std::uint32_t count = 0;
      if (!ParseNumber(value, count) || count == 0) return Fail(text, "count must be a positive number");
      spec.count = count;
      countGiven = true;
    } else if (name == "AFTER") {
      if (!ParseNumber(value, spec.passFirst)) return Fail(text, "after must be a number of commands");
    } else if (name == "FROM") {
      std::int32_t lba = 0;
      if (!ParseNumber(value, lba)) return Fail(text, "from must be a block address");
      spec.fromLba = lba;
    } else if (name == "SENSE") {
      const auto sense = ParseSense(value);
      if (!sense) return Fail(text, "sense must be KEY/ASC/ASCQ in hex");
      spec.sense = *sense;
    } else {
      return Fail(text, "unknown option \"" + std::string(field) + "\"");
    }
  }
  if (spec.fromLba && !countGiven) spec.count.reset();
  return {spec, {}};
}

std::optional<FaultSpec> FaultInjector::Take(std::uint8_t opcode, std::int32_t lba, std::int32_t blocks) {
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->kind != FaultSpec::Kind::FailCommand || it->opcode != opcode) continue;
    if (it->fromLba && (blocks <= 0 || static_cast<std::int64_t>(lba) + blocks <= *it->fromLba)) continue;
    if (it->passFirst > 0) {
      --it->passFirst;
      continue;
    }
    FaultSpec taken = *it;
    if (it->count && --*it->count == 0) faults_.erase(it);
    return taken;
  }
  return std::nullopt;
}

bool FaultInjector::TakeBufferFull() {
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->kind != FaultSpec::Kind::BufferFull) continue;
    if (it->count && --*it->count == 0) faults_.erase(it);
    return true;
  }
  return false;
}

}  // namespace brenmark::virtualdrive
