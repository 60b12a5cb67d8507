#include "jobs/burn/PreviousSessionImport.h"

#include <algorithm>
#include <vector>

#include "bytes/ByteOrder.h"
#include "drive/FullToc.h"
#include "drive/MmcCommand.h"

namespace brenmark {
namespace {

// READ CD main channel selection: the user data alone.
constexpr std::uint8_t kUserDataOnly = 0x10;
constexpr int kBlockSize = 2048;
// MSF addresses count 150 frames before block 0.
constexpr std::int32_t kMsfOffset = 150;
// The most a READ TOC allocation length can ask for.
constexpr std::size_t kLongestToc = 0xFFFF;

SessionImportResult MergeSession(const datadisc::BlockReader& read, datadisc::SourceTree& tree, std::int32_t start,
                                 std::int32_t end) {
  SessionImportResult result;
  result.status = SessionImportResult::Status::NotImportable;
  datadisc::PreviousSession session =
      datadisc::ReadPreviousSession(read, static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end));
  if (session.status != datadisc::PreviousSession::Status::Read) {
    result.reason = "its last session " + session.reason;
    return result;
  }
  result.status = SessionImportResult::Status::Imported;
  result.entries = tree.MergePreviousSession(session.root, result.replaced);
  return result;
}

}  // namespace

SessionImportResult ImportLastSession(DriveHandle& drive, datadisc::SourceTree& tree) {
  SessionImportResult result;
  // The last session is the one imported, so the whole table is read: a disc
  // of many sessions has a longer one than the usual buffer holds.
  std::vector<std::uint8_t> response(mmc::kSessionsTocLength);
  DriveStatus tocRead = drive.ReadToc(response);
  const std::size_t tocLength = bytes::ReadBe16(response.data()) + std::size_t{2};
  if (tocRead && tocLength > response.size()) {
    response.resize(std::min(tocLength, kLongestToc));
    tocRead = drive.ReadToc(response);
  }
  if (!tocRead) {
    result.status = SessionImportResult::Status::NotImportable;
    result.reason = "the drive did not give the table of contents (" + tocRead.outcome().Text() + ")";
    return result;
  }
  const DiscToc toc = ParseFullToc(response.data(), response.size());
  if (toc.sessions.empty()) return result;

  const TocSession& last = toc.sessions.back();
  result.status = SessionImportResult::Status::NotImportable;
  if (last.tracks.empty()) {
    result.reason = "the table of contents does not say where its last session lies";
    return result;
  }
  if (last.tracks.front().audio != 0) {
    result.reason = "its last session holds audio, not an ISO 9660 file system";
    return result;
  }
  const std::int32_t start = last.TrackStart(0) - kMsfOffset;
  const std::int32_t end = last.LeadOut() - kMsfOffset;
  if (start < 0 || end <= start) {
    result.reason = "the table of contents does not say where its last session lies";
    return result;
  }

  const datadisc::BlockReader read = [&drive](std::uint32_t lba, std::uint32_t count, std::uint8_t* out) {
    return drive.ReadSectors(static_cast<std::int32_t>(lba), static_cast<int>(count), out, kBlockSize, kUserDataOnly)
        .ok();
  };
  return MergeSession(read, tree, start, end);
}

SessionImportResult ImportDvdSession(DriveHandle& drive, datadisc::SourceTree& tree, std::int32_t start,
                                     std::int32_t end) {
  const datadisc::BlockReader read = [&drive](std::uint32_t lba, std::uint32_t count, std::uint8_t* out) {
    return drive.ReadUserData(static_cast<std::int32_t>(lba), static_cast<int>(count), out).ok();
  };
  return MergeSession(read, tree, start, end);
}

std::string AppendWithoutQuestion(const std::string& reason) {
  return "The files already on the disc cannot be kept in the new session: " + reason + "." +
         importtext::kAppendWithout;
}

std::string ImportNotice(const SessionImportResult& result) {
  std::string text = std::to_string(result.entries) + (result.entries == 1 ? " entry" : " entries") +
                     " of the previous session imported.";
  for (const std::string& path : result.replaced) text += "\nReplaced by the new file: " + path;
  return text;
}

}  // namespace brenmark
