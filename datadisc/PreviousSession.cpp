#include "datadisc/PreviousSession.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "bytes/ByteOrder.h"
#include "datadisc/IsoBytes.h"
#include "datadisc/Names.h"
#include "datadisc/PathTableList.h"
#include "datadisc/Utf16.h"

namespace brenmark::datadisc {
namespace {

constexpr std::uint32_t kDescriptorsOffset = 16;
// A descriptor set longer than this is not one a burner wrote.
constexpr std::uint32_t kMaxDescriptors = 32;
constexpr std::uint8_t kPrimaryType = 1;
constexpr std::uint8_t kSupplementaryType = 2;
constexpr std::uint8_t kTerminatorType = 255;
constexpr std::uint32_t kVolumeSpaceOffset = 80;
constexpr std::uint32_t kEscapeOffset = 88;
constexpr std::uint32_t kRootRecordOffset = 156;
constexpr std::uint32_t kMinRecordLength = 34;
constexpr std::uint8_t kDirectoryFlag = 0x02;
constexpr std::uint8_t kMultiExtentFlag = 0x80;
// A directory larger than this is taken for damage, not read.
constexpr std::uint32_t kMaxDirectoryBytes = 16 * 1024 * 1024;
// Nor is a tree whose directories hold more than this in all (a disc's tree
// of 100,000 files takes about 7 MB); directories that overlap could
// otherwise make a small disc read like an endless one.
constexpr std::uint64_t kMaxTreeBytes = 64 * 1024 * 1024;
// Blocks asked for by one read command.
constexpr std::uint32_t kBlocksPerRead = 32;
// Joliet names of up to 103 characters, as other burners write them, still
// fit a directory record with their version when written again.
constexpr std::size_t kMaxJolietNameUnits = 103;
constexpr std::size_t kMaxIsoIdentifierBytes = 200;
// Rock Ridge names longer than a folder entry can be are not a burner's.
constexpr std::size_t kMaxRockRidgeNameBytes = 255;
// Continuation areas followed for one record's system use entries.
constexpr int kMaxContinuations = 16;
// The size of a directory reached through a Rock Ridge child link: its own
// "." record tells it.
constexpr std::uint32_t kSizeFromDotRecord = 0xFFFFFFFF;

struct Failure {
  PreviousSession::Status status;
  std::string reason;
};

// Seconds since 1970 of a record's seven time bytes (their own GMT offset
// taken off); 0 for a date that cannot be one.
std::int64_t RecordTime(const std::uint8_t* time) {
  const int year = 1900 + time[0];
  const unsigned month = time[1];
  const unsigned day = time[2];
  if (month < 1 || month > 12 || day < 1 || day > 31) return 0;
  // Days from 1970-01-01 to the civil date.
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = y / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + doe - 719468;
  const auto offsetQuarters = static_cast<std::int8_t>(time[6]);
  return days * 86400 + time[3] * 3600 + time[4] * 60 + time[5] - offsetQuarters * 15 * 60;
}

// A file identifier without its version (";1").
std::string WithoutVersion(std::string name) {
  const std::size_t semicolon = name.rfind(';');
  if (semicolon != std::string::npos) name.resize(semicolon);
  return name;
}

std::string WithoutVersionIfFile(std::string name, bool isDirectory) {
  return isDirectory ? name : WithoutVersion(std::move(name));
}

// Whether a name read from a disc can name an entry of a folder: not "." or
// "..", and holding no separator or NUL (which would make it a path).
bool IsPlainName(const std::string& name) {
  if (name == "." || name == "..") return false;
#ifdef _WIN32
  if (name.find('\\') != std::string::npos) return false;
#endif
  return name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

// A name as a program that reads only ISO 9660 shows it: a file's without
// its version and the dot that ends a name without extension ("README.;1").
std::string PlainIsoName(std::string name, bool isDirectory) {
  if (isDirectory) return name;
  name = WithoutVersion(std::move(name));
  if (name.size() > 1 && name.back() == '.') name.pop_back();
  return name;
}

// The name as a message can show it: control characters as '?'.
std::string Shown(std::string name) {
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  }
  return name;
}

// Rock Ridge names longer than the new session's Joliet tree can hold (other
// burners' longest Joliet names) are cut there, keeping the extension, each
// numbered apart from its siblings: names alike in their first hundred
// characters would otherwise become one, and all but one of the files be lost.
void FitLongNamesToJoliet(std::vector<PreviousEntry>& list) {
  const auto tooLong = [](const PreviousEntry& entry) { return Utf16Units(entry.name) > kMaxJolietNameUnits; };
  std::unordered_set<std::string> taken;
  for (const PreviousEntry& entry : list) {
    if (!tooLong(entry)) taken.insert(entry.name);
  }
  for (PreviousEntry& entry : list) {
    if (!tooLong(entry)) continue;
    const std::string whole = std::move(entry.name);
    for (int counter = 1;; ++counter) {
      entry.name = whole;
      ResolveCollision(entry.name, counter, {kMaxJolietNameUnits, LengthUnit::Utf16Units});
      if (taken.insert(entry.name).second) break;
    }
  }
}

// Where a record's system use area begins: after its identifier and padding byte.
std::uint32_t SystemUseStart(const std::uint8_t* record) {
  const std::uint8_t identifierLength = record[32];
  return 33u + identifierLength + (identifierLength % 2 == 0 ? 1u : 0u);
}

// The Rock Ridge entry `signature` in a record's system use area, if the
// record has one.
const std::uint8_t* SystemUseEntry(const std::uint8_t* record, const char* signature) {
  const std::uint8_t length = record[0];
  std::uint32_t at = SystemUseStart(record);
  while (at + 4 <= length) {
    const std::uint8_t entryLength = record[at + 2];
    if (entryLength < 4 || at + entryLength > length) return nullptr;
    if (record[at] == signature[0] && record[at + 1] == signature[1]) return record + at;
    at += entryLength;
  }
  return nullptr;
}

struct VolumeRoot {
  std::uint32_t extent = 0;
  std::uint32_t size = 0;
};

class SessionReader {
 public:
  SessionReader(const BlockReader& read, std::uint32_t readableEnd) : read_(read), end_(readableEnd) {}

  // The descriptors: the primary one's root, and the Joliet one's when there is one.
  bool ReadDescriptors(std::uint32_t sessionStart, VolumeRoot& iso, std::optional<VolumeRoot>& joliet) {
    std::vector<std::uint8_t> block;
    bool primary = false;
    for (std::uint32_t i = 0; i < kMaxDescriptors; ++i) {
      if (!Read(sessionStart + kDescriptorsOffset + i, 1, block)) return false;
      if (std::memcmp(block.data() + 1, "CD001", 5) != 0 || block[6] != 1) {
        if (primary) break;
        return Fail(PreviousSession::Status::NotIso9660, "holds no ISO 9660 file system");
      }
      const std::uint8_t type = block[0];
      if (type == kTerminatorType) break;
      const std::uint8_t* escape = block.data() + kEscapeOffset;
      const bool jolietEscape = escape[0] == 0x25 && escape[1] == 0x2F &&
                                (escape[2] == 0x40 || escape[2] == 0x43 || escape[2] == 0x45);
      if (type == kPrimaryType && !primary) {
        primary = true;
        iso = RootOf(block.data());
        // Everything of the file system lies within its volume space.
        end_ = std::min(end_, bytes::ReadLe32(block.data() + kVolumeSpaceOffset));
      } else if (type == kSupplementaryType && jolietEscape && !joliet) {
        joliet = RootOf(block.data());
      }
    }
    if (!primary) return Fail(PreviousSession::Status::NotIso9660, "holds no ISO 9660 file system");
    return true;
  }

  // Reads the tree below a root directory; `joliet` decides how names are read.
  bool ReadTree(const VolumeRoot& root, bool joliet, std::vector<PreviousEntry>& out) {
    visited_.clear();
    directories_ = 1;
    sharingProtocol_ = false;
    systemUseSkip_ = 0;
    std::uint64_t treeBytes = 0;
    struct Pending {
      std::vector<PreviousEntry>* list;
      std::uint32_t extent;
      std::uint32_t size;
      std::size_t depth;
    };
    std::vector<Pending> pending{{&out, root.extent, root.size, 1}};
    std::vector<std::uint8_t> data;
    while (!pending.empty()) {
      Pending directory = pending.back();
      pending.pop_back();
      if (directory.depth > kMaxPreviousDepth) return Damage("its directories nest too deep");
      if (!visited_.insert(directory.extent).second) return Damage("a directory is reached twice");
      if (directory.size == kSizeFromDotRecord && !SizeFromDotRecord(directory.extent, directory.size, data)) {
        return false;
      }
      if (directory.size == 0 || directory.size > kMaxDirectoryBytes) return Damage("a directory has a bad size");
      treeBytes += directory.size;
      if (treeBytes > kMaxTreeBytes) return Damage("its directories are too large");
      if (!Read(directory.extent, static_cast<std::uint32_t>(SectorsFor(directory.size)), data)) return false;
      if (!ParseDirectory(data, directory.size, joliet, directory.depth == 1, *directory.list)) return false;
      for (PreviousEntry& entry : *directory.list) {
        if (!entry.isDirectory) continue;
        if (++directories_ > PathTableList::kMaxDirectories) return Damage("it holds too many directories");
        pending.push_back({&entry.children, entry.extent, entry.size, directory.depth + 1});
      }
    }
    return true;
  }

  Failure failure() const { return failure_; }

 private:
  // Whether the tree's root announces the system use sharing protocol (its
  // "." record begins with an SP entry), and how many bytes each record's
  // system use area skips before its entries.
  void ReadSharingProtocol(const std::uint8_t* dotRecord) {
    const std::uint32_t at = SystemUseStart(dotRecord);
    const std::uint8_t* sp = dotRecord + at;
    if (at + 7 <= dotRecord[0] && sp[0] == 'S' && sp[1] == 'P' && sp[2] >= 7 && sp[4] == 0xBE && sp[5] == 0xEF) {
      sharingProtocol_ = true;
      systemUseSkip_ = sp[6];
    }
  }

  // The Rock Ridge name of a record: its NM entries joined, following the
  // continuation areas they may be spread over. Nothing when the record has
  // none (or names only "." or ".."); false when the entries break their
  // rules.
  bool RockRidgeName(const std::uint8_t* record, std::optional<std::string>& name) {
    name.reset();
    if (!sharingProtocol_) return true;
    const std::uint32_t start = SystemUseStart(record) + systemUseSkip_;
    if (start >= record[0]) return true;
    std::vector<std::uint8_t> area(record + start, record + record[0]);
    std::vector<std::uint8_t> block;
    for (int continuations = 0;; ++continuations) {
      std::optional<std::array<std::uint32_t, 3>> next;  // block, offset, length
      for (std::size_t at = 0; at + 4 <= area.size();) {
        const std::uint8_t* entry = area.data() + at;
        const std::uint8_t length = entry[2];
        if (length < 4 || at + length > area.size()) break;
        if (entry[0] == 'S' && entry[1] == 'T') break;
        if (entry[0] == 'C' && entry[1] == 'E' && length >= 28) {
          next = {bytes::ReadLe32(entry + 4), bytes::ReadLe32(entry + 12), bytes::ReadLe32(entry + 20)};
        } else if (entry[0] == 'N' && entry[1] == 'M' && length >= 5 && (entry[4] & 0x06) == 0) {
          name = name.value_or("").append(reinterpret_cast<const char*>(entry + 5), length - 5u);
          if (name->size() > kMaxRockRidgeNameBytes) return Damage("a name is too long");
        }
        at += length;
      }
      if (!next) return true;
      const auto [extent, offset, length] = *next;
      if (continuations == kMaxContinuations || offset >= kSectorSize || length > kSectorSize - offset) {
        return Damage("a system use area is malformed");
      }
      if (!Read(extent, 1, block)) return false;
      area.assign(block.begin() + offset, block.begin() + offset + length);
    }
  }

  static VolumeRoot RootOf(const std::uint8_t* descriptor) {
    const std::uint8_t* record = descriptor + kRootRecordOffset;
    return {bytes::ReadLe32(record + 2), bytes::ReadLe32(record + 10)};
  }

  // A relocated directory's size, from the "." record at its start.
  bool SizeFromDotRecord(std::uint32_t extent, std::uint32_t& size, std::vector<std::uint8_t>& data) {
    if (!Read(extent, 1, data)) return false;
    if (data[0] < kMinRecordLength || data[32] != 1 || data[33] != 0) {
      return Damage("a relocated directory does not begin with its own record");
    }
    size = bytes::ReadLe32(data.data() + 10);
    return true;
  }

  bool ParseDirectory(const std::vector<std::uint8_t>& data, std::uint32_t size, bool joliet, bool isRoot,
                      std::vector<PreviousEntry>& list) {
    std::uint32_t offset = 0;
    list.reserve(size / kMinRecordLength);
    while (offset < size) {
      const std::uint32_t inSector = offset % kSectorSize;
      const std::uint8_t length = data[offset];
      if (length == 0) {
        offset += kSectorSize - inSector;
        continue;
      }
      if (length < kMinRecordLength || inSector + length > kSectorSize || offset + length > size) {
        return Damage("a directory record is malformed");
      }
      const std::uint8_t* record = data.data() + offset;
      offset += length;
      const std::uint8_t identifierLength = record[32];
      if (33u + identifierLength > length) return Damage("a directory record is malformed");
      const std::uint8_t* identifier = record + 33;
      // "." and ".." describe the directory and its parent, not entries; the
      // root's "." tells whether Rock Ridge names are there.
      if (identifierLength == 1 && (identifier[0] == 0 || identifier[0] == 1)) {
        if (!joliet && isRoot && identifier[0] == 0) ReadSharingProtocol(record);
        continue;
      }
      // A directory that Rock Ridge moved to its relocation folder is read
      // where its child link stands, which is where its names put it.
      if (!joliet && SystemUseEntry(record, "RE") != nullptr) continue;
      PreviousEntry entry;
      const std::uint8_t flags = record[25];
      if ((flags & kMultiExtentFlag) != 0) return Damage("a file is recorded in several extents");
      entry.isDirectory = (flags & kDirectoryFlag) != 0;
      entry.extent = bytes::ReadLe32(record + 2);
      entry.size = bytes::ReadLe32(record + 10);
      entry.recordingTime = RecordTime(record + 18);
      if (joliet) {
        entry.name = WithoutVersionIfFile(Utf8FromUtf16Be(identifier, identifierLength), entry.isDirectory);
      } else {
        if (identifierLength > kMaxIsoIdentifierBytes) return Damage("a name is too long");
        const std::string iso(reinterpret_cast<const char*>(identifier), identifierLength);
        entry.isoName = WithoutVersionIfFile(iso, entry.isDirectory);
        std::optional<std::string> rockRidge;
        if (!RockRidgeName(record, rockRidge)) return false;
        entry.name = rockRidge ? *rockRidge : PlainIsoName(iso, entry.isDirectory);
        if (entry.isoName.empty()) return Damage("an entry has no name");
      }
      if (entry.name.empty()) return Damage("an entry has no name");
      if (joliet && Utf16Units(entry.name) > kMaxJolietNameUnits) return Damage("a name is too long");
      const std::string& checked = IsPlainName(entry.isoName) ? entry.name : entry.isoName;
      if (!IsPlainName(checked)) {
        return Fail(PreviousSession::Status::Damaged,
                    "holds an entry named \"" + Shown(checked) + "\", which is not a name a folder can hold");
      }
      // The new session's Joliet tree holds it: named as a new file would be.
      ReplaceJolietForbidden(entry.name);
      if (const std::uint8_t* link = joliet ? nullptr : SystemUseEntry(record, "CL")) {
        if (link[2] < 12) return Damage("a directory record is malformed");
        entry.isDirectory = true;
        entry.extent = bytes::ReadLe32(link + 4);
        entry.size = kSizeFromDotRecord;
        if (entry.extent >= end_) return Damage("a relocated directory lies beyond the end of the volume");
        list.push_back(std::move(entry));
        continue;
      }
      const std::uint64_t sectors = SectorsFor(entry.size);
      if (sectors > 0 && std::uint64_t{entry.extent} + sectors > end_) {
        return Damage("an entry lies beyond the end of the volume");
      }
      list.push_back(std::move(entry));
    }
    if (!joliet) FitLongNamesToJoliet(list);
    return true;
  }

  bool Read(std::uint32_t lba, std::uint32_t count, std::vector<std::uint8_t>& out) {
    if (std::uint64_t{lba} + count > end_) return Damage("a block lies beyond the end of the volume");
    out.resize(std::size_t{count} * kSectorSize);
    for (std::uint32_t done = 0; done < count;) {
      const std::uint32_t blocks = std::min(kBlocksPerRead, count - done);
      if (!read_(lba + done, blocks, out.data() + std::size_t{done} * kSectorSize)) {
        return Fail(PreviousSession::Status::Unreadable,
                    "could not be read (block " + std::to_string(lba + done) + ")");
      }
      done += blocks;
    }
    return true;
  }

  bool Damage(const std::string& reason) {
    return Fail(PreviousSession::Status::Damaged, "is damaged (" + reason + ")");
  }

  bool Fail(PreviousSession::Status status, std::string reason) {
    failure_ = {status, std::move(reason)};
    return false;
  }

  const BlockReader& read_;
  std::uint32_t end_;
  std::unordered_set<std::uint32_t> visited_;
  std::size_t directories_ = 0;
  bool sharingProtocol_ = false;
  std::uint8_t systemUseSkip_ = 0;
  Failure failure_{PreviousSession::Status::Read, {}};
};

// The key that finds an entry's twin in the other tree: a file's extent and
// size (one key for every empty file); a directory's, the lowest of the
// non-empty files anywhere below it, since the two trees may list entries in
// different orders; ~0 for a directory without any. Directories' keys are
// stored in `keys`.
std::uint64_t SubtreeKey(const PreviousEntry& entry, std::unordered_map<const PreviousEntry*, std::uint64_t>& keys) {
  if (!entry.isDirectory) {
    return entry.size == 0 ? ~std::uint64_t{0} - 1 : (std::uint64_t{entry.extent} << 32 | entry.size) << 1;
  }
  std::uint64_t key = ~std::uint64_t{0};
  for (const PreviousEntry& child : entry.children) {
    const std::uint64_t childKey = SubtreeKey(child, keys);
    if (childKey < ~std::uint64_t{0} - 1) key = std::min(key, childKey | 1);
  }
  keys[&entry] = key;
  return key;
}

// Gives the entries of a Joliet directory the names of their ISO 9660 twins,
// found by SubtreeKey. Among entries of equal keys (empty files, directories
// without files) the twin whose name is the Joliet name in capitals is taken
// first, then the others in the order the two trees list them.
void MatchIsoNames(std::vector<PreviousEntry>& joliet, const std::vector<PreviousEntry>& iso) {
  std::unordered_map<const PreviousEntry*, std::uint64_t> keys;
  for (const PreviousEntry& entry : joliet) SubtreeKey(entry, keys);
  for (const PreviousEntry& entry : iso) SubtreeKey(entry, keys);
  const auto keyOf = [&keys](const PreviousEntry& entry) {
    return entry.isDirectory ? keys.at(&entry) : SubtreeKey(entry, keys);
  };
  const auto capitals = [](std::string name) {
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
  };
  struct Pair {
    std::vector<PreviousEntry>* joliet;
    const std::vector<PreviousEntry>* iso;
  };
  std::vector<Pair> pending{{&joliet, &iso}};
  std::unordered_map<std::string_view, std::size_t> byName;
  std::unordered_map<std::uint64_t, std::vector<std::size_t>> byKey;  // last is first listed
  while (!pending.empty()) {
    const Pair pair = pending.back();
    pending.pop_back();
    const std::vector<PreviousEntry>& twins = *pair.iso;
    std::vector<bool> taken(twins.size(), false);
    std::vector<bool> named(pair.joliet->size(), false);
    byName.clear();
    byKey.clear();
    for (std::size_t i = twins.size(); i-- > 0;) {
      byName[twins[i].isoName] = i;
      byKey[keyOf(twins[i])].push_back(i);
    }
    auto give = [&](PreviousEntry& entry, std::size_t twin) {
      taken[twin] = true;
      if (twins[twin].isDirectory != entry.isDirectory) return;
      entry.isoName = twins[twin].isoName;
      if (entry.isDirectory) pending.push_back({&entry.children, &twins[twin].children});
    };
    for (std::size_t j = 0; j < pair.joliet->size(); ++j) {
      PreviousEntry& entry = (*pair.joliet)[j];
      const auto found = byName.find(capitals(entry.name));
      if (found == byName.end() || taken[found->second] || keyOf(twins[found->second]) != keyOf(entry)) continue;
      named[j] = true;
      give(entry, found->second);
    }
    for (std::size_t j = 0; j < pair.joliet->size(); ++j) {
      if (named[j]) continue;
      const auto found = byKey.find(keyOf((*pair.joliet)[j]));
      if (found == byKey.end()) continue;
      std::vector<std::size_t>& candidates = found->second;
      while (!candidates.empty() && taken[candidates.back()]) candidates.pop_back();
      if (candidates.empty()) continue;
      give((*pair.joliet)[j], candidates.back());
      candidates.pop_back();
    }
  }
}

std::size_t CountEntries(const std::vector<PreviousEntry>& list) {
  std::size_t count = 0;
  std::vector<const std::vector<PreviousEntry>*> pending{&list};
  while (!pending.empty()) {
    const auto* entries = pending.back();
    pending.pop_back();
    count += entries->size();
    for (const PreviousEntry& entry : *entries) {
      if (entry.isDirectory) pending.push_back(&entry.children);
    }
  }
  return count;
}

}  // namespace

PreviousSession ReadPreviousSession(const BlockReader& read, std::uint32_t sessionStart,
                                    std::uint32_t readableEnd) {
  PreviousSession session;
  SessionReader reader(read, readableEnd);
  auto failed = [&reader, &session] {
    session.status = reader.failure().status;
    session.reason = reader.failure().reason;
    session.root.clear();
    return session;
  };
  VolumeRoot iso;
  std::optional<VolumeRoot> joliet;
  if (!reader.ReadDescriptors(sessionStart, iso, joliet)) return failed();
  session.joliet = joliet.has_value();
  if (!reader.ReadTree(joliet ? *joliet : iso, session.joliet, session.root)) return failed();
  if (session.joliet) {
    std::vector<PreviousEntry> isoTree;
    if (!reader.ReadTree(iso, false, isoTree)) return failed();
    MatchIsoNames(session.root, isoTree);
  }
  session.entryCount = CountEntries(session.root);
  return session;
}

}  // namespace brenmark::datadisc
